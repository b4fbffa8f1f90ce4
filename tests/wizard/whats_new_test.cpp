// The what's-new page: the release notes cut to the buffer and trimmed at the end, the notes of
// this build, and a program without notes.
#include "wizard_harness.h"

#include "base/handles.h"
#include "base/resources.h"
#include "support/test_support.h"
#include "wizard/whats_new_page.h"

#include <cstring>
#include <cwchar>

namespace ph::test {
namespace {

// The notes as the buffer holds them after copying and trimming.
std::wstring Trimmed(const std::wstring& text)
{
    static wchar_t buffer[kReleaseNotesChars];
    CopyReleaseNotes(text.data(), text.size() * sizeof(wchar_t), buffer);
    TrimReleaseNotes(buffer);
    return buffer;
}

TEST(WhatsNewText, EndIsTrimmedToTheLastLetterOrDigit)
{
    struct Case {
        std::wstring notes;
        std::wstring shown;
    };
    const Case cases[] = {
        {L"\uFEFFline one\r\nsee https://photavian.example/changes\r\n",
         L"\uFEFFline one\r\nsee https://photavian.example/changes"},
        {L"- Faster start-up!", L"- Faster start-up"},
        {L"- Fixed the crash.\r\n\r\n   ", L"- Fixed the crash"},
        {L"version 4.70", L"version 4.70"},
        {L"caf\u00E9 ...", L"caf\u00E9"},
        {L"\uFEFF- !?\r\n", L""}, // no letter or digit at all: nothing is shown
        {L"", L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Trimmed(c.notes), c.shown) << Narrow(c.notes);
    }
}

TEST(WhatsNewText, LongNotesAreCutAfter10239Units)
{
    // 12000 units of text: only the first 10239 reach the buffer, which still ends with a zero.
    std::wstring notes(12000, L'a');
    notes[10238] = L'Z';
    notes[10239] = L'Y';
    static wchar_t buffer[kReleaseNotesChars];
    std::wmemset(buffer, L'#', kReleaseNotesChars);
    CopyReleaseNotes(notes.data(), notes.size() * sizeof(wchar_t), buffer);
    EXPECT_EQ(std::wcslen(buffer), kReleaseNotesChars - 1);
    EXPECT_EQ(buffer[kReleaseNotesChars - 2], L'Z');
    EXPECT_EQ(buffer[kReleaseNotesChars - 1], L'\0');

    // A shorter text leaves the rest of the buffer zero-filled.
    std::wmemset(buffer, L'#', kReleaseNotesChars);
    CopyReleaseNotes(L"hi", 2 * sizeof(wchar_t), buffer);
    EXPECT_STREQ(buffer, L"hi");
    EXPECT_EQ(buffer[kReleaseNotesChars - 1], L'\0');
}

TEST(WhatsNewText, NotesOfThisBuildEndAtTheWebAddress)
{
    UniqueModule setup(::LoadLibraryExW(SetupExePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(setup);
    const ResourceBytes notes = LoadResourceBytes(setup.get(), IDR_RELEASE_NOTES, RT_RELEASE_NOTES_NAME);
    ASSERT_NE(notes.data, nullptr);
    const std::wstring original(static_cast<const wchar_t*>(notes.data), notes.size / sizeof(wchar_t));
    ASSERT_GE(original.size(), 3u);
    ASSERT_EQ(original.substr(original.size() - 2), L"\r\n");

    static wchar_t buffer[kReleaseNotesChars];
    ASSERT_TRUE(LoadReleaseNotes(setup.get(), buffer));
    const std::wstring shown = buffer;
    EXPECT_EQ(shown.front(), L'\uFEFF') << "the byte order mark stays";
    EXPECT_EQ(shown, original.substr(0, original.size() - 2)) << "only the final line break goes";
    EXPECT_NE(shown.rfind(L"https://"), std::wstring::npos);
    EXPECT_NE(shown.find(L"4.70"), std::wstring::npos);
}

TEST(WhatsNewText, WithoutNotesTheBufferIsLeftAlone)
{
    // This test program carries the setup program's dialogs and strings but no release notes.
    static wchar_t buffer[kReleaseNotesChars];
    std::wmemset(buffer, L'#', kReleaseNotesChars);
    EXPECT_FALSE(LoadReleaseNotes(::GetModuleHandleW(nullptr), buffer));
    EXPECT_EQ(buffer[0], L'#');
}

TEST(WhatsNewPage, WithoutNotesTheEditStaysEmptyAndThePageWorks)
{
    UnregisterViewer();
    PinnedMessageBoxes boxes;
    WizardUnderTest wizard;
    ASSERT_NE(wizard.Open(), nullptr);
    wizard.Click(kNextButtonId);
    ASSERT_EQ(wizard.CurrentIndex(), 1);
    EXPECT_EQ(wizard.ItemText(1, IDC_RELEASE_NOTES), L"");
    EXPECT_TRUE(wizard.IsEnabled(kBackButtonId));
    EXPECT_TRUE(wizard.IsEnabled(kNextButtonId));

    // Text put there stays: a missing resource changes nothing on the next activation.
    wizard.SetItemText(1, IDC_RELEASE_NOTES, L"kept");
    wizard.Click(kNextButtonId);
    wizard.Click(kBackButtonId);
    ASSERT_EQ(wizard.CurrentIndex(), 1);
    EXPECT_EQ(wizard.ItemText(1, IDC_RELEASE_NOTES), L"kept");
    wizard.Click(kBackButtonId);
    EXPECT_EQ(wizard.CurrentIndex(), 0);
    EXPECT_TRUE(boxes.Calls().empty());
}

} // namespace
} // namespace ph::test
