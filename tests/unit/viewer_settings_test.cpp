// The viewer's settings file: skin table, environment references, the keys written into real
// profile files, and the rewrite as UTF-16.
#include "engine/viewer_settings.h"

#include "base/scoped_override.h"
#include "engine/existing_install.h"
#include "platform/probes.h"
#include "support/settings_file.h"
#include "support/test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Entry = ph::test::SettingsEntry;
using ph::test::DecodeSettings;
using ph::test::FileExists;
using ph::test::ReadSettingsEntries;
using ph::test::ToolbarEntries;
using ph::test::operator+;
using ph::test::kLanguageEntries;
using ph::test::FolderExists;
using ph::test::ReadFileBytes;
using ph::test::ScratchFolder;
using ph::test::WriteFileBytes;

std::string Show(const std::wstring& text)
{
    return testing::PrintToString(text);
}

// An environment variable set for the scope of a test and restored afterwards.
class ScopedVariable {
public:
    ScopedVariable(const wchar_t* name, const wchar_t* value) : m_name(name)
    {
        std::vector<wchar_t> old(32768);
        DWORD n = ::GetEnvironmentVariableW(name, old.data(), static_cast<DWORD>(old.size()));
        if (n > 0 && n < old.size()) {
            m_old = std::wstring(old.data(), n);
        }
        ::SetEnvironmentVariableW(name, value);
    }
    ~ScopedVariable() { ::SetEnvironmentVariableW(m_name.c_str(), m_old ? m_old->c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    std::wstring m_name;
    std::optional<std::wstring> m_old;
};

// The display the settings step sees, pinned through the seams.
int g_pinnedDpi = 96;
int g_pinnedHeight = 1000;

class PinnedDisplay {
public:
    PinnedDisplay(int dpi, int height)
    {
        g_pinnedDpi = dpi;
        g_pinnedHeight = height;
    }
    PinnedDisplay(const PinnedDisplay&) = delete;
    PinnedDisplay& operator=(const PinnedDisplay&) = delete;

private:
    ph::ScopedOverride<decltype(ph::PlatformSeams::displayDpiX)> m_dpi{ph::Seams().displayDpiX,
                                                                       [] { return g_pinnedDpi; }};
    ph::ScopedOverride<decltype(ph::PlatformSeams::fullScreenHeight)> m_height{ph::Seams().fullScreenHeight,
                                                                               [] { return g_pinnedHeight; }};
};

TEST(ToolbarSkinTable, ScaleAndHeightBoundaries)
{
    struct Case {
        int scale;
        int height;
        std::wstring size;
    };
    const Case cases[] = {
        {100, 767, L"16"},  {100, 768, L"24"},  {100, 1200, L"24"}, {100, 1201, L"32"},
        {100, 1599, L"32"}, {100, 1600, L"48"}, {149, 700, L"16"},  {150, 700, L"32"},
        {149, 1000, L"24"}, {150, 1000, L"32"}, {169, 1599, L"32"}, {170, 700, L"48"},
        {169, 0, L"32"},    {170, 0, L"48"},    {125, 1000, L"24"}, {0, 0, L"16"},
    };
    const std::pair<std::wstring, std::wstring> names[] = {{L"16", L"Tessor_16.png"},
                                                           {L"24", L"Halvint_24.png"},
                                                           {L"32", L"gnome-colors-wise_32.png"},
                                                           {L"48", L"gnome-colors-human_48.png"}};
    for (const Case& c : cases) {
        ph::ToolbarSkin skin = ph::ChooseToolbarSkin(c.scale, c.height);
        EXPECT_EQ(skin.size, c.size) << "scale " << c.scale << ", height " << c.height;
        for (const auto& [size, name] : names) {
            if (size == skin.size) {
                EXPECT_EQ(skin.skin, name);
            }
        }
    }
}

TEST(ToolbarSkinTable, ScaleIsDpiOver96RoundedHalfUp)
{
    const std::pair<int, int> cases[] = {
        {0, 100},   {96, 100},  {120, 125}, {144, 150}, {143, 149}, {162, 169},
        {163, 170}, {192, 200}, {12, 13},   {36, 38},   {60, 63},   {97, 101},
    };
    for (const auto& [dpi, scale] : cases) {
        EXPECT_EQ(ph::DisplayScaleFromDpi(dpi), scale) << "dpi " << dpi;
    }
}

std::wstring Expand(const std::wstring& text, int* result = nullptr)
{
    wchar_t expanded[ph::kWorkPathChars];
    std::wmemset(expanded, L'#', ph::kWorkPathChars);
    int r = ph::ExpandEnvReferences(text.c_str(), expanded);
    if (result != nullptr) {
        *result = r;
    }
    return expanded;
}

TEST(ExpandEnvReferences, ReferencesAreReplacedOrDropped)
{
    ScopedVariable a(L"PH_A", L"alpha");
    ScopedVariable b(L"PH_B", L"beta");
    ScopedVariable undefined(L"PH_UNDEFINED", nullptr);
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"C:\\plain\\folder", L"C:\\plain\\folder"},
        {L"%PH_A%\\Photavian", L"alpha\\Photavian"},
        {L"%PH_UNDEFINED%\\Photavian", L"\\Photavian"},
        {L"%PH_A%%PH_B%", L"alphabeta"},
        {L"x%%y", L"xy"},
        {L"%%", L""},
        {L"%%PH_A%%", L"PH_A"}, // "%%" twice around a plain word
        {L"a%PH_A%b%PH_B%c", L"aalphabbetac"},
        {L"%PH_A", L"alpha"}, // unterminated, looked up all the same
        {L"pre%PH_UNDEFINED", L"pre"},
        {L"%", L""},
        {L"%ph_a%", L"alpha"}, // variable names ignore case
    };
    for (const auto& [text, expected] : cases) {
        int result = -1;
        EXPECT_EQ(Expand(text, &result), expected) << Show(text);
        EXPECT_EQ(result, 1) << Show(text);
    }
}

TEST(ExpandEnvReferences, OverlongNamesValuesAndResultsAreRefusedNotCut)
{
    const std::wstring name260 = L"PH_" + std::wstring(257, L'N');
    const std::wstring name261 = name260 + L"N";
    ScopedVariable longName(name260.c_str(), L"v");
    ScopedVariable longerName(name261.c_str(), L"v");
    ScopedVariable value259(L"PH_V259", std::wstring(259, L'v').c_str());
    ScopedVariable value260(L"PH_V260", std::wstring(260, L'w').c_str());
    struct Case {
        std::wstring text;
        std::wstring expected; // empty: refused
    };
    const Case cases[] = {
        {L"%" + name260 + L"%", L"v"},
        {L"%" + name261 + L"%", L""},
        {L"%PH_V259%", std::wstring(259, L'v')},
        {L"%PH_V260%", L""},
        {L"%PH_V259%%PH_V259%z", std::wstring(518, L'v') + L"z"}, // 519 characters
        {L"%PH_V259%%PH_V259%zz", L""},                           // 520
        {std::wstring(519, L'p'), std::wstring(519, L'p')},
        {std::wstring(520, L'p'), L""},
    };
    for (const Case& c : cases) {
        int result = -1;
        EXPECT_EQ(Expand(c.text, &result), c.expected) << Show(c.text.substr(0, 40));
        EXPECT_EQ(result, c.expected.empty() ? 0 : 1) << Show(c.text.substr(0, 40));
    }
}

class ViewerSettingsTest : public testing::Test {
protected:
    // Writes the settings of an installation into Destination(); returns the settings path.
    std::wstring Write(const std::wstring& iniFolder, int silent = 0, int* result = nullptr)
    {
        return WriteFor(Destination(), iniFolder, silent, result);
    }
    std::wstring WriteFor(const std::wstring& destination, const std::wstring& iniFolder, int silent,
                          int* result = nullptr)
    {
        wchar_t folder[ph::kWorkPathChars] = {};
        ph::CopyTextCut(folder, iniFolder.c_str());
        wchar_t settingsPath[ph::kPathChars];
        std::wmemset(settingsPath, L'#', ph::kPathChars);
        int r = ph::WriteViewerSettings(destination.c_str(), folder, silent, settingsPath);
        if (result != nullptr) {
            *result = r;
        }
        m_iniFolderAfter = folder;
        return settingsPath;
    }

    std::wstring Destination() const { return m_scratch / L"dest"; }
    std::wstring ProgramIni() const { return m_scratch / L"dest\\ph_tav64.ini"; }
    std::wstring Root() const { return m_scratch.Path(); }

    ScratchFolder m_scratch{L"viewer_settings"};
    ScopedVariable m_appData{L"APPDATA", (m_scratch.Path() + L"\\appdata").c_str()};
    PinnedDisplay m_display{96, 1000};
    std::wstring m_iniFolderAfter;
};

TEST_F(ViewerSettingsTest, WithoutSettingsFolderTheDestinationFileGetsTheKeysAndLosesTheRedirection)
{
    ::CreateDirectoryW(Destination().c_str(), nullptr);
    ASSERT_TRUE(WriteFileBytes(ProgramIni(), "[Others]\r\nINI_Folder=C:\\old\r\nKeep=1\r\n[User]\r\nX=y\r\n"));

    int result = 0;
    EXPECT_EQ(Write(L"", 0, &result), ProgramIni());
    EXPECT_EQ(result, 1);
    EXPECT_EQ(ReadSettingsEntries(ProgramIni()),
              (std::vector<Entry>{{L"Others", L"Keep", L"1"}, {L"User", L"X", L"y"}} + kLanguageEntries
               + ToolbarEntries(L"Halvint_24.png", L"24")));
}

TEST_F(ViewerSettingsTest, SettingsFolderGetsTheKeysAndTheDestinationOnlyTheUnexpandedRedirection)
{
    ScopedVariable settings(L"PH_SETTINGS", (Root() + L"\\s").c_str());

    std::wstring settingsPath = Write(L"%PH_SETTINGS%\\sub");

    EXPECT_EQ(settingsPath, Root() + L"\\s\\sub\\ph_tav64.ini");
    EXPECT_EQ(ReadSettingsEntries(ProgramIni()),
              (std::vector<Entry>{{L"Others", L"INI_Folder", L"%PH_SETTINGS%\\sub"}}));
    EXPECT_EQ(ReadSettingsEntries(settingsPath), kLanguageEntries + ToolbarEntries(L"Halvint_24.png", L"24"));
}

TEST_F(ViewerSettingsTest, SilentDefaultAppliesOnlyToTheProgramFilesFolder)
{
    wchar_t programFiles[ph::kPathChars] = {};
    ph::DefaultProgramFilesFolder(programFiles);
    const std::wstring inProgramFiles = std::wstring(programFiles) + L"\\";
    std::wstring lowerCase = inProgramFiles;
    ::CharLowerW(lowerCase.data());
    struct Case {
        std::wstring destination;
        int silent;
        std::wstring iniFolder;
        std::wstring iniFolderAfter;
    };
    const Case cases[] = {
        {inProgramFiles, 1, L"", L"%APPDATA%\\Photavian"},
        {inProgramFiles + L"sub", 1, L"", L"%APPDATA%\\Photavian"},
        {inProgramFiles, 0, L"", L""},
        {lowerCase, 1, L"", L""}, // the folder test is case-sensitive
        {Destination(), 1, L"", L""},
        {inProgramFiles, 1, Root() + L"\\mine", Root() + L"\\mine"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Show(c.destination) + " silent " + std::to_string(c.silent));
        std::wstring settingsPath = WriteFor(c.destination, c.iniFolder, c.silent);
        EXPECT_EQ(m_iniFolderAfter, c.iniFolderAfter);
        if (c.iniFolderAfter == L"%APPDATA%\\Photavian") {
            EXPECT_EQ(settingsPath, Root() + L"\\appdata\\Photavian\\ph_tav64.ini");
            EXPECT_EQ(ReadSettingsEntries(settingsPath), kLanguageEntries + ToolbarEntries(L"Halvint_24.png", L"24"));
        }
        ph::test::RemoveTree(programFiles);
        ph::test::RemoveTree(Root() + L"\\appdata");
        ph::test::RemoveTree(Destination());
    }
}

TEST_F(ViewerSettingsTest, SkinFollowsThePinnedDisplay)
{
    struct Case {
        int dpi;
        int height;
        const wchar_t* skin;
        const wchar_t* size;
    };
    const Case cases[] = {
        {144, 1000, L"gnome-colors-wise_32.png", L"32"},
        {120, 1000, L"Halvint_24.png", L"24"},
        {96, 700, L"Tessor_16.png", L"16"},
        {0, 1000, L"Halvint_24.png", L"24"},
        {0, 700, L"Tessor_16.png", L"16"},
        {96, 1600, L"gnome-colors-human_48.png", L"48"},
        {163, 700, L"gnome-colors-human_48.png", L"48"},
    };
    for (const Case& c : cases) {
        PinnedDisplay display(c.dpi, c.height);
        ph::test::RemoveTree(Destination());
        Write(L"");
        EXPECT_EQ(ReadSettingsEntries(ProgramIni()), kLanguageEntries + ToolbarEntries(c.skin, c.size))
            << c.dpi << " dpi, height " << c.height;
    }
}

TEST_F(ViewerSettingsTest, AnExistingSkinKeepsItsSizeAndAnEmptyOneIsReplaced)
{
    struct Case {
        std::string before;
        std::vector<Entry> after;
    };
    const Case cases[] = {
        {"[Toolbar]\r\nSkin=Mine.png\r\nSize=99\r\n", ToolbarEntries(L"Mine.png", L"99") + kLanguageEntries},
        {"[Toolbar]\r\nSkin=\r\nSize=99\r\n", ToolbarEntries(L"Halvint_24.png", L"24") + kLanguageEntries},
        {"[Language]\r\nDLL=GERMAN\r\nLang=Deutsch\r\n", kLanguageEntries + ToolbarEntries(L"Halvint_24.png", L"24")},
    };
    ::CreateDirectoryW(Destination().c_str(), nullptr);
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFileBytes(ProgramIni(), c.before));
        Write(L"");
        EXPECT_EQ(ReadSettingsEntries(ProgramIni()), c.after) << c.before;
    }
}

TEST_F(ViewerSettingsTest, PortableLayoutAlsoGivesTheDestinationFileAToolbar)
{
    PinnedDisplay display(144, 1000); // the settings file's own skin differs from the portable one
    struct Case {
        std::wstring folder;
        bool portable;
    };
    const Case cases[] = {
        {L"\\p1\\Photavian64_App\\settings", true},
        {L"\\p2\\Photavian32_App", true},
        {L"\\p3\\photavian64_app", false}, // the folder names count in this letter case only
        {L"\\p4\\Photavian_App", false},
    };
    for (const Case& c : cases) {
        ph::test::RemoveTree(Destination());
        std::wstring settingsPath = Write(Root() + c.folder);
        std::vector<Entry> expected = {{L"Others", L"INI_Folder", Root() + c.folder}};
        if (c.portable) {
            expected = expected + ToolbarEntries(L"Halvint_24.png", L"24");
        }
        EXPECT_EQ(ReadSettingsEntries(ProgramIni()), expected) << Show(c.folder);
        EXPECT_EQ(ReadSettingsEntries(settingsPath),
                  kLanguageEntries + ToolbarEntries(L"gnome-colors-wise_32.png", L"32"));
    }

    // A portable copy whose settings already name a skin leaves the destination's toolbar alone.
    ph::test::RemoveTree(Destination());
    ASSERT_TRUE(WriteFileBytes(Root() + L"\\p1\\Photavian64_App\\settings\\ph_tav64.ini", "[Toolbar]\r\nSkin=a\r\n"));
    Write(Root() + L"\\p1\\Photavian64_App\\settings");
    EXPECT_EQ(ReadSettingsEntries(ProgramIni()).size(), 1u);
}

TEST_F(ViewerSettingsTest, UnusableSettingsFolderKeepsAnExistingRedirectionOrTheSettingsInTheDestination)
{
    ScopedVariable longValue(L"PH_LONG", (L"C:\\" + std::wstring(297, L'l')).c_str());
    ScopedVariable undefined(L"PH_UNDEFINED", nullptr);
    ASSERT_TRUE(WriteFileBytes(Root() + L"\\blocker", "not a folder"));
    const std::wstring noRoom = Root() + L"\\" + std::wstring(247 - Root().size() - 1, L'r'); // + "\ph_tav64.ini" = 260
    const std::wstring justRoom = noRoom.substr(0, noRoom.size() - 1);
    struct Case {
        std::wstring iniFolder;
        std::wstring redirectedTo; // empty: the folder cannot be used
    };
    const Case cases[] = {
        {L"%PH_LONG%\\x", L""},   // the value is longer than a variable may be
        {L"%PH_UNDEFINED%", L""}, // nothing left of the folder
        {L"  ", L""},
        {Root() + L"\\blocker\\sub", L""},
        {noRoom, L""},
        {justRoom, justRoom + L"\\ph_tav64.ini"},
    };
    ::CreateDirectoryW(Destination().c_str(), nullptr);
    // An earlier installation's redirection stays when the folder asked for cannot be used: the
    // viewer keeps finding every user's settings, and the run writes no keys. A new installation
    // keeps its settings in the destination's file, where the viewer looks without a redirection.
    const std::string earlier = "[Others]\r\nINI_Folder=C:\\old\r\n";
    for (const bool upgrade : {true, false}) {
        for (const Case& c : cases) {
            SCOPED_TRACE(Show(c.iniFolder) + (upgrade ? " over a redirection" : " into a new folder"));
            ::DeleteFileW(ProgramIni().c_str());
            if (upgrade) {
                ASSERT_TRUE(WriteFileBytes(ProgramIni(), earlier));
            }
            std::wstring settingsPath = Write(c.iniFolder);
            EXPECT_EQ(m_iniFolderAfter, c.iniFolder);
            if (!c.redirectedTo.empty()) {
                EXPECT_EQ(settingsPath, c.redirectedTo);
                EXPECT_EQ(ReadSettingsEntries(settingsPath),
                          kLanguageEntries + ToolbarEntries(L"Halvint_24.png", L"24"));
                ::DeleteFileW(settingsPath.c_str());
            } else if (upgrade) {
                EXPECT_EQ(settingsPath, L"");
                EXPECT_EQ(ReadFileBytes(ProgramIni()), earlier);
            } else {
                EXPECT_EQ(settingsPath, ProgramIni());
                EXPECT_EQ(ReadSettingsEntries(ProgramIni()),
                          kLanguageEntries + ToolbarEntries(L"Halvint_24.png", L"24"));
            }
        }
    }
    EXPECT_EQ(ReadFileBytes(Root() + L"\\blocker"), "not a folder");
    EXPECT_FALSE(FolderExists(noRoom));
    EXPECT_FALSE(FolderExists(L"C:\\" + std::wstring(256, L'l')));
}

TEST_F(ViewerSettingsTest, DestinationIsTakenAsTheInstallationCreatedIt)
{
    // The installation made "dest\a\b" of this text: blanks before backslashes removed.
    ASSERT_TRUE(::CreateDirectoryW(Destination().c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW((Destination() + L"\\a").c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW((Destination() + L"\\a\\b").c_str(), nullptr));

    std::wstring settingsPath = WriteFor(L"  " + Destination() + L"\\a  \\b  ", L"", 0);

    EXPECT_EQ(settingsPath, Destination() + L"\\a\\b\\ph_tav64.ini");
    EXPECT_EQ(ReadSettingsEntries(settingsPath), kLanguageEntries + ToolbarEntries(L"Halvint_24.png", L"24"));
}

TEST_F(ViewerSettingsTest, DestinationWithoutRoomForTheFileNameIsLeftAlone)
{
    // The folder, a backslash and "ph_tav64.ini" must fit 259 characters.
    const std::wstring fits = Root() + L"\\" + std::wstring(246 - Root().size() - 1, L'd');
    const std::wstring tooLong = fits + L"d";
    int result = -1;
    EXPECT_EQ(WriteFor(tooLong, Root() + L"\\s", 0, &result), L"");
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(FolderExists(tooLong));
    EXPECT_FALSE(FolderExists(Root() + L"\\s"));

    EXPECT_EQ(WriteFor(fits, L"", 0, &result), fits + L"\\ph_tav64.ini");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(ReadSettingsEntries(fits + L"\\ph_tav64.ini"),
              kLanguageEntries + ToolbarEntries(L"Halvint_24.png", L"24"));
}

// The UTF-16LE bytes of a text.
std::string Utf16Bytes(const std::wstring& text)
{
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

const std::string kHeaderBytes = "\xFF\xFE" + Utf16Bytes(L"; UNICODE FILE - edit with care ;-)\r\n\r\n");

std::wstring Widen(const std::string& bytes, UINT codePage)
{
    std::wstring text(bytes.size(), L'\0');
    int n = ::MultiByteToWideChar(codePage, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                                  static_cast<int>(text.size()));
    text.resize(static_cast<std::size_t>(n));
    return text;
}

class ConvertSettingsTest : public testing::Test {
protected:
    std::wstring Path() const { return m_scratch / L"ph_tav64.ini"; }
    std::wstring TempPath() const { return m_scratch / L"ph_tav64.ini_temp"; }

    int Convert(UINT codePage = CP_ACP)
    {
        ph::UniqueStdioFile source(::_wfopen(Path().c_str(), L"rb"));
        EXPECT_TRUE(static_cast<bool>(source));
        return ph::ConvertSettingsToUtf16(Path().c_str(), std::move(source), codePage);
    }

    ScratchFolder m_scratch{L"convert_settings"};
};

TEST_F(ConvertSettingsTest, AnsiTextBecomesUtf16WithTheHeaderAndItsLineEndsUnchanged)
{
    ASSERT_EQ(::GetACP(), 1252u);
    const std::string text = "[Others]\r\nName=caf\xE9\nMixed=\x80\r\r\n\r\nlast line without end";
    ASSERT_TRUE(WriteFileBytes(Path(), text));

    EXPECT_EQ(Convert(), 1);

    EXPECT_EQ(ReadFileBytes(Path()),
              kHeaderBytes + Utf16Bytes(L"[Others]\r\nName=caf\u00E9\nMixed=\u20AC\r\r\n\r\nlast line without end"));
    EXPECT_FALSE(FileExists(TempPath()));
}

TEST_F(ConvertSettingsTest, Utf16FileAndEmptyFileAreLeftAsTheyAre)
{
    const std::string cases[] = {kHeaderBytes + Utf16Bytes(L"[a]\r\nb=c\r\n"), "\xFF\xFE", ""};
    for (const std::string& bytes : cases) {
        ASSERT_TRUE(WriteFileBytes(Path(), bytes));
        EXPECT_EQ(Convert(), 1);
        EXPECT_EQ(ReadFileBytes(Path()), bytes);
        EXPECT_FALSE(FileExists(TempPath()));
    }
}

TEST_F(ConvertSettingsTest, LongLinesAreConvertedWhole)
{
    for (std::size_t length : {2046u, 2047u, 2048u, 4094u, 5000u}) {
        std::string line(length, 'x');
        line.back() = '\xE9';
        ASSERT_TRUE(WriteFileBytes(Path(), line + "\r\nnext=1\r\n"));
        EXPECT_EQ(Convert(), 1);
        EXPECT_EQ(ReadFileBytes(Path()), kHeaderBytes + Utf16Bytes(Widen(line, 1252) + L"\r\nnext=1\r\n"))
            << "line of " << length;
    }
}

TEST_F(ConvertSettingsTest, MultiByteCharactersAreNeverSplitBetweenPieces)
{
    struct Case {
        UINT codePage;
        std::string text;
    };
    const std::string a2044(2044, 'a');
    const Case cases[] = {
        // Shift-JIS: a lead byte as the 2047th byte of a piece.
        {932, std::string(2046, 'a') + "\x82\xA0\r\n"},
        // The 2047th byte is a trail byte that could also be a lead byte: the pair is whole.
        {932, std::string(2045, 'a') + "\x82\x82\x82\xA0\r\n"},
        {932, a2044 + "\x82\x82\x82\xA0\r\n"},
        {932, std::string(4000, 'a') + "\x82\xA0" + std::string(3000, '\x82') + "\r\n"},
        // UTF-8 sequences of two and three bytes cut by the piece end.
        {CP_UTF8, std::string(2046, 'a') + "\xC3\xA9\n"},
        {CP_UTF8, std::string(2045, 'a') + "\xE2\x82\xAC\n"},
        {CP_UTF8, std::string(2046, 'a') + "\xE2\x82\xAC\n"},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(WriteFileBytes(Path(), c.text));
        EXPECT_EQ(Convert(c.codePage), 1);
        std::wstring expected = Widen(c.text, c.codePage);
        EXPECT_EQ(ReadFileBytes(Path()), kHeaderBytes + Utf16Bytes(expected))
            << "code page " << c.codePage << ", " << c.text.size() << " bytes";
    }
}

TEST_F(ConvertSettingsTest, FailedRenameLeavesTheOriginalAndNoTemporaryFile)
{
    ASSERT_TRUE(WriteFileBytes(Path(), "[Others]\r\nKeep=me\r\n"));
    // Another program holds the file open without letting it be replaced.
    ph::UniqueFile holder(::CreateFileW(Path().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(static_cast<bool>(holder));

    EXPECT_EQ(Convert(), 0);

    holder.reset();
    EXPECT_EQ(ReadFileBytes(Path()), "[Others]\r\nKeep=me\r\n");
    EXPECT_FALSE(FileExists(TempPath()));
}

TEST_F(ConvertSettingsTest, NoTemporaryFileMeansNoChange)
{
    ASSERT_TRUE(WriteFileBytes(Path(), "[Others]\r\nKeep=me\r\n"));
    ASSERT_TRUE(::CreateDirectoryW(TempPath().c_str(), nullptr)); // a folder where the file would go

    EXPECT_EQ(Convert(), 1);

    EXPECT_EQ(ReadFileBytes(Path()), "[Others]\r\nKeep=me\r\n");
    EXPECT_TRUE(FolderExists(TempPath()));
}

} // namespace
