// Stand-in viewer of the default payload: one top-level window of class "Photavian" that shows
// the command line it was started with, so that setup's running-viewer checks, "Start Photavian"
// and the file associations can be tried against a real program.
//
// The window's title is "Photavian" or, when a file was given, "<file> - Photavian"; a static
// control (id 100) lists every argument on its own line. WM_CLOSE ends the program with code 0.
#include <windows.h>
#include <shellapi.h>
#include <strsafe.h>

namespace {

constexpr wchar_t kWindowClass[] = L"Photavian";
constexpr wchar_t kProductName[] = L"Photavian";
constexpr int kArgumentsLabelId = 100;
// Longer texts are cut; a command line has at most 32767 characters.
constexpr size_t kTextChars = 32768;

// Owns the argument vector that CommandLineToArgvW allocates.
class ArgumentList {
public:
    explicit ArgumentList(const wchar_t* commandLine)
        : m_ppArgs(::CommandLineToArgvW(commandLine, &m_nCount))
    {
    }
    ~ArgumentList()
    {
        if (m_ppArgs != nullptr) {
            ::LocalFree(m_ppArgs);
        }
    }
    ArgumentList(const ArgumentList&) = delete;
    ArgumentList& operator=(const ArgumentList&) = delete;

    int Count() const { return m_ppArgs != nullptr ? m_nCount : 0; }
    const wchar_t* At(int index) const { return m_ppArgs[index]; }

private:
    int m_nCount = 0;
    wchar_t** m_ppArgs = nullptr;
};

struct ViewerTexts {
    wchar_t szTitle[kTextChars];
    wchar_t szLabel[kTextChars];
};

// Argument 0 is the program itself; the first real argument is the file to show.
void DescribeArguments(const ArgumentList& args, ViewerTexts& texts)
{
    if (args.Count() < 2) {
        ::StringCchCopyW(texts.szTitle, kTextChars, kProductName);
        ::StringCchCopyW(texts.szLabel, kTextChars, L"No file opened.");
        return;
    }
    ::StringCchPrintfW(texts.szTitle, kTextChars, L"%s - %s", args.At(1), kProductName);
    ::StringCchCopyW(texts.szLabel, kTextChars, L"Opened with:");
    for (int i = 1; i < args.Count(); ++i) {
        ::StringCchCatW(texts.szLabel, kTextChars, L"\r\n");
        ::StringCchCatW(texts.szLabel, kTextChars, args.At(i));
    }
}

LRESULT CALLBACK ViewerWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        const auto* label = static_cast<const wchar_t*>(create->lpCreateParams);
        HWND hLabel = ::CreateWindowExW(0, L"STATIC", label, WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 0,
                                        0, 0, hwnd,
                                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kArgumentsLabelId)),
                                        create->hInstance, nullptr);
        if (hLabel == nullptr) {
            return -1;
        }
        // A stock object: never deleted.
        ::SendMessageW(hLabel, WM_SETFONT, reinterpret_cast<WPARAM>(::GetStockObject(DEFAULT_GUI_FONT)),
                       FALSE);
        return 0;
    }
    case WM_SIZE: {
        const int margin = 12;
        ::MoveWindow(::GetDlgItem(hwnd, kArgumentsLabelId), margin, margin,
                     LOWORD(lParam) > 2 * margin ? LOWORD(lParam) - 2 * margin : 0,
                     HIWORD(lParam) > 2 * margin ? HIWORD(lParam) - 2 * margin : 0, TRUE);
        return 0;
    }
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE, PWSTR, int nShowCmd)
{
    // 128 KiB: too large for the stack.
    static ViewerTexts texts;
    {
        const ArgumentList args(::GetCommandLineW());
        DescribeArguments(args, texts);
    }

    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = ViewerWindowProc;
    wc.hInstance = hInstance;
    wc.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kWindowClass;
    if (::RegisterClassExW(&wc) == 0) {
        return 1;
    }

    // The label text travels to WM_CREATE as the creation parameter.
    HWND hwnd = ::CreateWindowExW(0, kWindowClass, texts.szTitle, WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, 640, 480, nullptr, nullptr, hInstance,
                                  texts.szLabel);
    if (hwnd == nullptr) {
        return 1;
    }
    ::ShowWindow(hwnd, nShowCmd);
    ::UpdateWindow(hwnd);

    MSG msg;
    BOOL got;
    while ((got = ::GetMessageW(&msg, nullptr, 0, 0)) != 0) {
        if (got == -1) {
            return 1;
        }
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
