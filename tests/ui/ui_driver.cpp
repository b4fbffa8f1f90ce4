// Drives the setup wizard of another process one step per run, the way a user would: finds the
// sheet, clicks its buttons, answers the exit question, and reports what the wizard shows.
//
//   ui_driver ready                nothing: prepares the prefix the wizard then runs in
//   ui_driver wait                 the wizard is open (up to 60 s)
//   ui_driver next N | back N      click Next or Back; the wizard then shows page N
//   ui_driver show N               show page N through the sheet (PSM_SETCURSEL)
//   ui_driver page N               the wizard shows page N
//   ui_driver cancel               click Cancel; the exit question then shows
//   ui_driver answer yes|no        answer the exit question; it then goes away
//
// Each run prints the wizard's state and exits with 0 when the step had the expected outcome.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr wchar_t kSheetTitle[] = L"Photavian 64-bit Setup";
constexpr int kBackButtonId = 0x3023; // ID_WIZBACK
constexpr int kNextButtonId = 0x3024;     // ID_WIZNEXT
constexpr DWORD kPollMs = 20;
constexpr DWORD kSendTimeoutMs = 5000;

// A visible top-level dialog with the wizard's title that holds a control childId.
HWND FindDialog(int childId)
{
    struct Search {
        int childId;
        HWND found;
    } search{childId, nullptr};
    ::EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            wchar_t className[16] = {};
            wchar_t title[64] = {};
            ::GetClassNameW(window, className, 16);
            ::GetWindowTextW(window, title, 64);
            if (std::wcscmp(className, L"#32770") != 0 || std::wcscmp(title, kSheetTitle) != 0
                || !::IsWindowVisible(window) || ::GetDlgItem(window, s->childId) == nullptr) {
                return TRUE;
            }
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindSheet() { return FindDialog(kNextButtonId); }
HWND FindQuestion() { return FindDialog(IDYES); }

template <typename Condition>
bool WaitFor(DWORD timeoutMs, Condition condition)
{
    for (DWORD waited = 0; waited < timeoutMs; waited += kPollMs) {
        if (condition()) {
            return true;
        }
        ::Sleep(kPollMs);
    }
    return condition();
}

LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    ::SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result);
    return static_cast<LRESULT>(result);
}

int CurrentPage(HWND sheet)
{
    LRESULT page = Ask(sheet, PSM_GETCURRENTPAGEHWND, 0, 0);
    return page != 0 ? static_cast<int>(Ask(sheet, PSM_HWNDTOINDEX, static_cast<WPARAM>(page), 0)) : -1;
}

std::wstring Text(HWND window)
{
    wchar_t text[256] = {};
    ::GetWindowTextW(window, text, 256);
    return text;
}

void PrintState(HWND sheet)
{
    RECT rect{};
    ::GetWindowRect(sheet, &rect);
    std::wprintf(L"page=%d back=%d next=%d cancel=\"%ls\" title=\"%ls\" rect=%ldx%ld+%ld+%ld\n", CurrentPage(sheet),
                 ::IsWindowEnabled(::GetDlgItem(sheet, kBackButtonId)) != FALSE,
                 ::IsWindowEnabled(::GetDlgItem(sheet, kNextButtonId)) != FALSE,
                 Text(::GetDlgItem(sheet, IDCANCEL)).c_str(), Text(sheet).c_str(), rect.right - rect.left,
                 rect.bottom - rect.top, rect.left, rect.top);
}

// A click that does not wait for what it starts (a message box would block a sent click), and a
// harmless message after it: a modal loop notices that it should end only when one arrives.
void Click(HWND dialog, int buttonId)
{
    ::PostMessageW(::GetDlgItem(dialog, buttonId), BM_CLICK, 0, 0);
    ::PostMessageW(dialog, WM_NULL, 0, 0);
}

int Fail(const wchar_t* what)
{
    std::wprintf(L"FAILED: %ls\n", what);
    return 1;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc < 2) {
        return Fail(L"no command");
    }
    const std::wstring command = argv[1];
    const wchar_t* argument = argc > 2 ? argv[2] : L"";

    if (command == L"ready") {
        std::wprintf(L"ready\n");
        return 0;
    }
    if (command == L"wait") {
        HWND sheet = nullptr;
        if (!WaitFor(60000, [&] { return (sheet = FindSheet()) != nullptr && CurrentPage(sheet) >= 0; })) {
            return Fail(L"the wizard did not open");
        }
        PrintState(sheet);
        return 0;
    }

    HWND sheet = FindSheet();
    if (sheet == nullptr) {
        return Fail(L"no wizard");
    }
    if (command == L"next" || command == L"back" || command == L"show" || command == L"page") {
        const int expected = static_cast<int>(std::wcstol(argument, nullptr, 10));
        if (command == L"page") {
            // Only look.
        } else if (command == L"show") {
            Ask(sheet, PSM_SETCURSEL, static_cast<WPARAM>(expected), 0);
        } else {
            Click(sheet, command == L"next" ? kNextButtonId : kBackButtonId);
        }
        bool reached = WaitFor(10000, [&] { return CurrentPage(sheet) == expected; });
        PrintState(sheet);
        return reached ? 0 : Fail(L"the wizard shows another page");
    }
    if (command == L"cancel") {
        Click(sheet, IDCANCEL);
        HWND question = nullptr;
        if (!WaitFor(10000, [&] { return (question = FindQuestion()) != nullptr; })) {
            return Fail(L"no exit question");
        }
        std::wprintf(L"question shown\n");
        return 0;
    }
    if (command == L"answer") {
        HWND question = FindQuestion();
        if (question == nullptr) {
            return Fail(L"no exit question");
        }
        Click(question, std::wcscmp(argument, L"yes") == 0 ? IDYES : IDNO);
        if (!WaitFor(10000, [&] { return FindQuestion() == nullptr; })) {
            return Fail(L"the exit question stays");
        }
        std::wprintf(L"answered %ls\n", argument);
        return 0;
    }
    return Fail(L"unknown command");
}
