// The file type catalogue: counts, labels, classes and icon kinds held against the rules the
// table follows.
#include "shell/file_types.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <set>
#include <string>

namespace {

using ph::FileTypeCatalogue;
using ph::FileTypeRow;
using ph::IconKind;

std::string Show(const wchar_t* text)
{
    return testing::PrintToString(std::wstring(text));
}

TEST(FileTypeCatalogue, HoldsSixtyThreeRowsEightySevenExtensionsAndSixtyNineClasses)
{
    std::size_t extensions = 0;
    std::set<std::wstring> distinctExtensions;
    std::set<std::wstring> classes;
    for (const FileTypeRow& row : FileTypeCatalogue()) {
        ASSERT_GE(row.extensionCount, 1u) << Show(row.label);
        ASSERT_LE(row.extensionCount, ph::kMaxExtensionsPerRow) << Show(row.label);
        for (std::size_t i = 0; i < row.extensionCount; ++i) {
            ++extensions;
            distinctExtensions.insert(row.extensions[i].extension);
            classes.insert(row.extensions[i].progIdClass);
        }
    }
    EXPECT_EQ(FileTypeCatalogue().size(), 63u);
    EXPECT_EQ(extensions, 87u);
    EXPECT_EQ(distinctExtensions.size(), 87u) << "an extension is listed twice";
    EXPECT_EQ(classes.size(), 69u);
}

TEST(FileTypeCatalogue, EachLabelListsItsRowsExtensionsInOrderInUpperCase)
{
    for (const FileTypeRow& row : FileTypeCatalogue()) {
        std::wstring expected;
        for (std::size_t i = 0; i < row.extensionCount; ++i) {
            const wchar_t* extension = row.extensions[i].extension;
            std::size_t length = std::wstring(extension).size();
            EXPECT_TRUE(length >= 1 && length <= 4) << Show(extension);
            expected += i == 0 ? L"" : L"/";
            for (const wchar_t* c = extension; *c != L'\0'; ++c) {
                EXPECT_FALSE(*c >= L'A' && *c <= L'Z') << "registered in lower case: " << Show(extension);
                EXPECT_NE(*c, L'.') << Show(extension);
                expected += static_cast<wchar_t>(std::towupper(*c));
            }
        }
        EXPECT_EQ(std::wstring(row.label), expected);
    }
}

TEST(FileTypeCatalogue, ClassIsTheRowsFirstExtensionExceptWhereAnExtensionKeepsItsOwn)
{
    const std::set<std::wstring> ownClass = {L"cr2", L"cr3", L"jng", L"flv", L"mpe", L"rmi"};
    std::set<std::wstring> seenOwn;
    for (const FileTypeRow& row : FileTypeCatalogue()) {
        const std::wstring first = row.extensions[0].extension;
        for (std::size_t i = 0; i < row.extensionCount; ++i) {
            const std::wstring extension = row.extensions[i].extension;
            const std::wstring expected = ownClass.count(extension) != 0 ? extension : first;
            EXPECT_EQ(std::wstring(row.extensions[i].progIdClass), expected) << Show(row.label);
            if (ownClass.count(extension) != 0) {
                seenOwn.insert(extension);
            }
        }
    }
    EXPECT_EQ(seenOwn, ownClass);
}

TEST(FileTypeCatalogue, SampleRowsWithSharedAndOwnClasses)
{
    struct Case {
        std::size_t row;
        const wchar_t* label;
        const wchar_t* description;
        const wchar_t* classes; // one class per extension, joined by '/'
    };
    const Case cases[] = {
        {0, L"ANI", L"Animated Windows Cursors *", L"ani"},
        {2, L"BMP/DIB", L"Windows Bitmap", L"bmp/bmp"},
        {23, L"JPG/JPEG/JFIF/JPE", L"JPEG Format", L"jpg/jpg/jpg/jpg"},
        {26, L"MNG/JNG", L"Multiple Network Graphics *", L"mng/jng"},
        {48, L"XPM", L"X-Pixmap *", L"xpm"},
        {49, L"SWF/FLV", L"Macromedia Flash Format *", L"swf/flv"},
        {53, L"MPG/MPE/MPEG", L"MPEG Movie *", L"mpg/mpe/mpg"},
        {57, L"MID/RMI", L"MIDI Sound Format *", L"mid/rmi"},
        {62, L"WMA", L"Windows Media Audio File *", L"wma"},
    };
    for (const Case& c : cases) {
        const FileTypeRow& row = FileTypeCatalogue()[c.row];
        std::wstring classes;
        for (std::size_t i = 0; i < row.extensionCount; ++i) {
            classes += (i == 0 ? L"" : L"/") + std::wstring(row.extensions[i].progIdClass);
        }
        EXPECT_EQ(std::wstring(row.label), c.label) << "row " << c.row;
        EXPECT_EQ(std::wstring(row.description), c.description) << "row " << c.row;
        EXPECT_EQ(classes, c.classes) << "row " << c.row;
    }
}

TEST(FileTypeCatalogue, IconKindsByGroup)
{
    for (std::size_t i = 0; i < FileTypeCatalogue().size(); ++i) {
        IconKind expected = IconKind::Viewer0;
        if (i == 0 || i == 5 || i == 19) {
            expected = IconKind::OwnIcon; // cursors and icons show themselves
        } else if (i >= 51 && i <= 55) {
            expected = IconKind::Viewer9; // video
        } else if (i >= 56) {
            expected = IconKind::Viewer8; // audio
        }
        EXPECT_EQ(FileTypeCatalogue()[i].icon, expected) << "row " << i << " " << Show(FileTypeCatalogue()[i].label);
    }
}

TEST(FileTypeCatalogue, ImageGroupIsTheFirstFortyNineRowsWithSixtyEightExtensions)
{
    std::size_t imageExtensions = 0;
    for (std::size_t i = 0; i < ph::kImageFileTypeRows; ++i) {
        imageExtensions += FileTypeCatalogue()[i].extensionCount;
    }
    EXPECT_EQ(ph::kImageFileTypeRows, 49u);
    EXPECT_EQ(imageExtensions, 68u);
    EXPECT_EQ(std::wstring(FileTypeCatalogue()[ph::kImageFileTypeRows - 1].label), L"XPM");
    EXPECT_EQ(std::wstring(FileTypeCatalogue()[ph::kImageFileTypeRows].label), L"SWF/FLV");
}

} // namespace
