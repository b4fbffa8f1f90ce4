// Launching for the user: ShellExecuteW here when this process has its user's own rights, the
// desktop's shell process when it is elevated.
#include "platform/launch.h"

#include "base/handles.h"
#include "platform/probes.h"
#include "platform/trace.h"

#include <exdisp.h>
#include <oleauto.h>
#include <servprov.h>
#include <shldisp.h>
#include <shlguid.h>
#include <shlobj.h>
#include <shobjidl.h>

namespace ph {

namespace {

UINT_PTR ShellExecuteInThisProcess(const LaunchRequest& request)
{
    HINSTANCE result = ::ShellExecuteW(request.owner, request.verb, request.file, request.parameters, request.directory,
                                       request.show);
    return reinterpret_cast<UINT_PTR>(result);
}

// The automation library's text functions, loaded from the system folder only when the desktop's
// shell is asked: the program does not import it, so that no run that never starts anything pays
// for loading it.
class AutomationTexts {
public:
    AutomationTexts()
        : m_library(::LoadLibraryExW(L"oleaut32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)),
          m_allocate(Lookup<AllocateFn>("SysAllocString")), m_free(Lookup<FreeFn>("SysFreeString"))
    {
    }
    explicit operator bool() const { return m_allocate != nullptr && m_free != nullptr; }

    // An automation text owned until the end of scope.
    class Text {
    public:
        Text(const AutomationTexts& texts, const wchar_t* text)
            : m_free(texts.m_free), m_text(text != nullptr ? texts.m_allocate(text) : nullptr)
        {
        }
        ~Text()
        {
            if (m_text != nullptr) {
                m_free(m_text);
            }
        }
        Text(const Text&) = delete;
        Text& operator=(const Text&) = delete;
        BSTR get() const { return m_text; }

    private:
        void(WINAPI* m_free)(BSTR);
        BSTR m_text;
    };

private:
    using AllocateFn = BSTR(WINAPI*)(const OLECHAR*);
    using FreeFn = void(WINAPI*)(BSTR);
    template <typename Fn>
    Fn Lookup(const char* name) const
    {
        return m_library ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(m_library.get(), name)))
                         : nullptr;
    }

    UniqueModule m_library;
    AllocateFn m_allocate;
    FreeFn m_free;
};

// A VARIANT that holds nothing.
VARIANT EmptyVariant()
{
    VARIANT value{};
    value.vt = VT_EMPTY;
    return value;
}

// One step of the way to the desktop's shell failed: the verbose log names it.
bool Failed(HRESULT hr, const wchar_t* step, const wchar_t* file)
{
    TraceError(static_cast<DWORD>(hr), L"the desktop's shell cannot start \"%ls\" (%ls)", file, step);
    return false;
}

// A text argument of IShellDispatch2::ShellExecute: the text, or nothing for null.
VARIANT TextArgument(const AutomationTexts::Text& text)
{
    VARIANT value = EmptyVariant();
    if (text.get() != nullptr) {
        value.vt = VT_BSTR;
        value.bstrVal = text.get();
    }
    return value;
}

// The automation object of the desktop's shell process (explorer), the one that started this
// user's desktop: the shell's windows → the desktop's window → its top-level browser → its active
// view → the view's background object → the shell application behind it.
bool FindDesktopShellDispatch(ComPtr<IShellDispatch2>& shell, const wchar_t* file)
{
    ComPtr<IShellWindows> windows;
    HRESULT hr = ::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(windows.put()));
    if (FAILED(hr)) {
        return Failed(hr, L"no shell windows", file);
    }
    VARIANT desktop = EmptyVariant();
    desktop.vt = VT_I4;
    desktop.lVal = CSIDL_DESKTOP;
    VARIANT none = EmptyVariant();
    long desktopWindow = 0;
    ComPtr<IDispatch> desktopDispatch;
    hr = windows->FindWindowSW(&desktop, &none, SWC_DESKTOP, &desktopWindow, SWFO_NEEDDISPATCH, desktopDispatch.put());
    // S_FALSE: no desktop window is registered.
    if (hr != S_OK || !desktopDispatch) {
        return Failed(hr == S_OK ? E_FAIL : hr, L"no desktop window", file);
    }
    ComPtr<IServiceProvider> services;
    hr = desktopDispatch->QueryInterface(IID_PPV_ARGS(services.put()));
    if (FAILED(hr)) {
        return Failed(hr, L"no services of the desktop", file);
    }
    ComPtr<IShellBrowser> browser;
    hr = services->QueryService(SID_STopLevelBrowser, IID_PPV_ARGS(browser.put()));
    if (FAILED(hr)) {
        return Failed(hr, L"no top-level browser", file);
    }
    ComPtr<IShellView> view;
    hr = browser->QueryActiveShellView(view.put());
    if (FAILED(hr) || !view) {
        return Failed(FAILED(hr) ? hr : E_FAIL, L"no active view", file);
    }
    ComPtr<IDispatch> background;
    hr = view->GetItemObject(SVGIO_BACKGROUND, IID_PPV_ARGS(background.put()));
    if (FAILED(hr)) {
        return Failed(hr, L"no background object", file);
    }
    ComPtr<IShellFolderViewDual> folderView;
    hr = background->QueryInterface(IID_PPV_ARGS(folderView.put()));
    if (FAILED(hr)) {
        return Failed(hr, L"no folder view", file);
    }
    ComPtr<IDispatch> application;
    hr = folderView->get_Application(application.put());
    if (FAILED(hr) || !application) {
        return Failed(FAILED(hr) ? hr : E_FAIL, L"no shell application", file);
    }
    hr = application->QueryInterface(IID_PPV_ARGS(shell.put()));
    if (FAILED(hr)) {
        return Failed(hr, L"no shell dispatch", file);
    }
    return true;
}

UINT_PTR ShellExecuteAsDesktopUser(const LaunchRequest& request)
{
    // The wizard's thread is a single-threaded apartment; COM is initialised for this call (a
    // thread already in its apartment only counts one more use).
    ComApartment com;
    ComPtr<IShellDispatch2> shell;
    if (!FindDesktopShellDispatch(shell, request.file)) {
        return kLaunchRefused;
    }
    const AutomationTexts texts;
    if (!texts) {
        Failed(HRESULT_FROM_WIN32(::GetLastError()), L"no automation library", request.file);
        return kLaunchRefused;
    }
    const AutomationTexts::Text file(texts, request.file);
    const AutomationTexts::Text parameters(texts, request.parameters);
    const AutomationTexts::Text directory(texts, request.directory);
    const AutomationTexts::Text verb(texts, request.verb);
    if (file.get() == nullptr || (request.parameters != nullptr && parameters.get() == nullptr)
        || (request.directory != nullptr && directory.get() == nullptr)
        || (request.verb != nullptr && verb.get() == nullptr)) {
        Failed(E_OUTOFMEMORY, L"no memory for the request", request.file);
        return kLaunchRefused;
    }
    VARIANT show = EmptyVariant();
    show.vt = VT_I4;
    show.lVal = request.show;
    // What the shell starts may come to the front.
    ::CoAllowSetForegroundWindow(shell.get(), nullptr);
    const HRESULT hr = shell->ShellExecute(file.get(), TextArgument(parameters), TextArgument(directory),
                                           TextArgument(verb), show);
    // Only S_OK is a start: some shells answer S_FALSE when they could not open the file.
    if (hr != S_OK) {
        Failed(hr == S_FALSE ? E_FAIL : hr, L"refused by the shell", request.file);
        return kLaunchRefused;
    }
    Trace(L"started as the desktop's user: \"%ls\"", request.file);
    return kLaunchTakenByDesktop;
}

UINT_PTR LaunchByRoute(LaunchRoute route, const LaunchRequest& request)
{
    return route == LaunchRoute::AsDesktopUser ? ShellExecuteAsDesktopUser(request)
                                               : ShellExecuteInThisProcess(request);
}

} // namespace

LaunchFunction& LaunchSeam()
{
    static LaunchFunction launch = LaunchByRoute;
    return launch;
}

LaunchRoute RouteOfThisProcess()
{
    return IsProcessElevated() ? LaunchRoute::AsDesktopUser : LaunchRoute::InThisProcess;
}

UINT_PTR Launch(const LaunchRequest& request)
{
    const LaunchRoute route = RouteOfThisProcess();
    const UINT_PTR status = LaunchSeam()(route, request);
    if (status <= 32 && route == LaunchRoute::AsDesktopUser) {
        // No second try in this process: what it starts would run with the installer's rights.
        Trace(L"not started: \"%ls\"; this process is elevated and starts nothing with its own rights", request.file);
    }
    return status;
}

} // namespace ph
