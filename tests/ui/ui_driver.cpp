// Drives the setup wizard of another process one step per run, the way a user would: finds the
// sheet, clicks its buttons, answers the exit question, and reports what the wizard shows.
//
//   ui_driver ready                nothing: prepares the prefix the wizard then runs in
//   ui_driver wait                 the wizard is open (up to 60 s)
//   ui_driver next N | back N      click Next or Back; the wizard then shows page N (up to 120 s:
//                                  Next on the ready page installs)
//   ui_driver push next|back       click Next or Back and return at once (a question may follow)
//   ui_driver page N               the wizard shows page N (up to 120 s)
//   ui_driver click ID             click control ID of the page shown
//   ui_driver checked ID 0|1       control ID of the page shown is unticked (0) or ticked (1)
//   ui_driver enabled ID 0|1       control ID of the page shown is disabled (0) or enabled (1)
//   ui_driver cancel               click Cancel; a question then shows
//   ui_driver question             a question of the wizard shows (up to 120 s)
//   ui_driver answer yes|no        answer the question; it then goes away
//   ui_driver done                 click Cancel, labelled Done; the wizard then closes
//   ui_driver viewer               a viewer window shows (up to 10 s); it is closed and goes away
//   ui_driver geometry             prints the wizard's window rectangle as WIDTHxHEIGHT+X+Y
//   ui_driver fits                 every control of the page shown lies inside the page, and every
//                                  label in the dialog font has room for its text (statics, check
//                                  boxes, radio buttons)
//
// Each run prints the wizard's state and exits with 0 when the step had the expected outcome.
#include "base/product.h"
#include "framework/property_sheet.h"

#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

constexpr wchar_t kSheetTitle[] = L"Photavian 64-bit Setup";
using ph::kBackButtonId;
using ph::kNextButtonId;
using ph::kViewerWindowClass;
constexpr DWORD kPollMs = 20;
constexpr DWORD kStepMs = 10000;
// Next on the ready page returns once the installation has run.
constexpr DWORD kInstallMs = 120000;
constexpr DWORD kSendTimeoutMs = 5000;
// Dialog units become pixels rounded, a control's position and size each on its own.
constexpr LONG kRoundingPixels = 1;

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

HWND FindSheet()
{
    return FindDialog(kNextButtonId);
}
HWND FindQuestion()
{
    return FindDialog(IDYES);
}

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

// The size a check box or radio button of another process asks for (BCM_GETIDEALSIZE, answered
// into memory of that process); 0 x 0 when it cannot be asked.
SIZE IdealButtonSize(HWND button)
{
    SIZE size{};
    DWORD processId = 0;
    ::GetWindowThreadProcessId(button, &processId);
    HANDLE process = ::OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
    if (process == nullptr) {
        return size;
    }
    void* remote = ::VirtualAllocEx(process, nullptr, sizeof(SIZE), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (remote != nullptr) {
        SIZE none{};
        if (::WriteProcessMemory(process, remote, &none, sizeof(none), nullptr)
            && Ask(button, BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(remote)) != 0) {
            ::ReadProcessMemory(process, remote, &size, sizeof(size), nullptr);
        }
        ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    }
    ::CloseHandle(process);
    return size;
}

// Looks at every visible control of page: it must lie inside the room the sheet gives the page.
// And at every label that shows the page's own (dialog) font: a check box or radio button must
// not ask for more width than it has; a static's text, wrapped the way the static wraps it, must
// fit its client area. The dialog font is made here from the face and size of the pages'
// templates at the screen's DPI: the font mapping of this prefix applies to both programs.
// Prints every control that does not fit; returns how many.
int CountClippedLabels(HWND page)
{
    HDC screen = ::GetDC(nullptr);
    const int dpi = ::GetDeviceCaps(screen, LOGPIXELSY);
    HFONT font = ::CreateFontW(-::MulDiv(8, dpi, 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                               OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH,
                               L"Microsoft Sans Serif");
    HGDIOBJ previous = ::SelectObject(screen, font);
    const LRESULT dialogFont = Ask(page, WM_GETFONT, 0, 0);
    RECT pageArea{};
    ::GetClientRect(page, &pageArea);
    int clipped = 0;
    int looked = 0;
    for (HWND child = ::GetWindow(page, GW_CHILD); child != nullptr; child = ::GetWindow(child, GW_HWNDNEXT)) {
        wchar_t className[32] = {};
        ::GetClassNameW(child, className, 32);
        const std::wstring text = Text(child);
        const LONG style = ::GetWindowLongW(child, GWL_STYLE);
        if (!::IsWindowVisible(child)) {
            continue;
        }
        // Whatever the page shows lies inside the room the sheet gives the page. A control that
        // reaches the template's edge may end one pixel beyond it: its position and its size are
        // each rounded from dialog units.
        RECT bounds{};
        ::GetWindowRect(child, &bounds);
        ::MapWindowPoints(HWND_DESKTOP, page, reinterpret_cast<POINT*>(&bounds), 2);
        if (bounds.right > pageArea.right + kRoundingPixels || bounds.bottom > pageArea.bottom + kRoundingPixels) {
            std::wprintf(L"outside the page: \"%ls\" ends at %ld,%ld, the page at %ld,%ld\n", text.c_str(),
                         bounds.right, bounds.bottom, pageArea.right, pageArea.bottom);
            ++clipped;
        }
        if (text.empty() || Ask(child, WM_GETFONT, 0, 0) != dialogFont) {
            continue;
        }
        RECT client{};
        ::GetClientRect(child, &client);
        int needed = 0;
        int room = 0;
        if (_wcsicmp(className, L"Button") == 0) {
            const LONG type = style & BS_TYPEMASK;
            if (type != BS_AUTOCHECKBOX && type != BS_CHECKBOX && type != BS_AUTORADIOBUTTON
                && type != BS_RADIOBUTTON) {
                continue;
            }
            needed = IdealButtonSize(child).cx;
            room = client.right;
        } else if (_wcsicmp(className, L"Static") == 0 && (style & SS_TYPEMASK) <= SS_RIGHT) {
            RECT wrapped{0, 0, client.right, 0};
            ::DrawTextW(screen, text.c_str(), -1, &wrapped, DT_CALCRECT | DT_WORDBREAK | DT_EXPANDTABS);
            needed = wrapped.bottom;
            room = client.bottom;
            if (wrapped.right > client.right) {
                needed = room + 1; // a word longer than the line
            }
        } else {
            continue;
        }
        ++looked;
        if (needed <= 0 || needed > room) {
            std::wprintf(L"clipped: \"%ls\" needs %d px, has %d px\n", text.c_str(), needed, room);
            ++clipped;
        }
    }
    std::wprintf(L"labels looked at: %d, clipped: %d (dialog font %d px at %d DPI)\n", looked, clipped,
                 ::MulDiv(8, dpi, 72), dpi);
    ::SelectObject(screen, previous);
    ::DeleteObject(font);
    ::ReleaseDC(nullptr, screen);
    return clipped;
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
    if (command == L"viewer") {
        HWND viewer = nullptr;
        if (!WaitFor(kStepMs, [&] { return (viewer = ::FindWindowW(kViewerWindowClass, nullptr)) != nullptr; })) {
            return Fail(L"no viewer window");
        }
        std::wprintf(L"viewer window \"%ls\"\n", Text(viewer).c_str());
        ::PostMessageW(viewer, WM_CLOSE, 0, 0);
        if (!WaitFor(kStepMs, [] { return ::FindWindowW(kViewerWindowClass, nullptr) == nullptr; })) {
            return Fail(L"the viewer stays open");
        }
        std::wprintf(L"viewer closed\n");
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
    if (command == L"next" || command == L"back" || command == L"page") {
        const int expected = static_cast<int>(std::wcstol(argument, nullptr, 10));
        if (command != L"page") {
            Click(sheet, command == L"next" ? kNextButtonId : kBackButtonId);
        }
        bool reached = WaitFor(command == L"back" ? kStepMs : kInstallMs,
                               [&] { return FindQuestion() == nullptr && CurrentPage(sheet) == expected; });
        PrintState(sheet);
        return reached ? 0 : Fail(L"the wizard shows another page");
    }
    if (command == L"push") {
        Click(sheet, std::wcscmp(argument, L"next") == 0 ? kNextButtonId : kBackButtonId);
        std::wprintf(L"pushed %ls\n", argument);
        return 0;
    }
    if (command == L"geometry") {
        RECT rect{};
        ::GetWindowRect(sheet, &rect);
        std::wprintf(L"%ldx%ld+%ld+%ld\n", rect.right - rect.left, rect.bottom - rect.top, rect.left, rect.top);
        return 0;
    }
    if (command == L"fits") {
        HWND page = reinterpret_cast<HWND>(Ask(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        if (page == nullptr) {
            return Fail(L"no page shown");
        }
        return CountClippedLabels(page) == 0 ? 0 : Fail(L"labels do not fit");
    }
    if (command == L"click" || command == L"checked" || command == L"enabled") {
        const int id = static_cast<int>(std::wcstol(argument, nullptr, 10));
        HWND page = reinterpret_cast<HWND>(Ask(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
        HWND control = page != nullptr ? ::GetDlgItem(page, id) : nullptr;
        if (control == nullptr) {
            return Fail(L"no such control on the page shown");
        }
        if (command == L"click") {
            Click(page, id);
            ::Sleep(200);
            std::wprintf(L"clicked %d: checked=%d enabled=%d\n", id, Ask(control, BM_GETCHECK, 0, 0) == BST_CHECKED,
                         ::IsWindowEnabled(control) != FALSE);
            return 0;
        }
        const bool wanted = argc > 3 && std::wcscmp(argv[3], L"1") == 0;
        auto state = [&] {
            return command == L"checked" ? Ask(control, BM_GETCHECK, 0, 0) == BST_CHECKED
                                         : ::IsWindowEnabled(control) != FALSE;
        };
        bool reached = WaitFor(kStepMs, [&] { return state() == wanted; });
        std::wprintf(L"%ls %d: %d\n", command.c_str(), id, state());
        return reached ? 0 : Fail(L"the control is in the other state");
    }
    if (command == L"cancel" || command == L"question") {
        if (command == L"cancel") {
            Click(sheet, IDCANCEL);
        }
        HWND question = nullptr;
        if (!WaitFor(command == L"cancel" ? kStepMs : kInstallMs,
                     [&] { return (question = FindQuestion()) != nullptr; })) {
            return Fail(L"no question");
        }
        std::wprintf(L"question shown\n");
        return 0;
    }
    if (command == L"done") {
        PrintState(sheet);
        Click(sheet, IDCANCEL);
        if (!WaitFor(kStepMs, [] { return FindSheet() == nullptr; })) {
            return Fail(L"the wizard stays open");
        }
        std::wprintf(L"wizard closed\n");
        return 0;
    }
    if (command == L"answer") {
        HWND question = FindQuestion();
        if (question == nullptr) {
            return Fail(L"no question");
        }
        Click(question, std::wcscmp(argument, L"yes") == 0 ? IDYES : IDNO);
        if (!WaitFor(10000, [&] { return FindQuestion() == nullptr; })) {
            return Fail(L"the question stays");
        }
        std::wprintf(L"answered %ls\n", argument);
        return 0;
    }
    return Fail(L"unknown command");
}
