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
    HINSTANCE result = ::ShellExecuteW(request.owner, request.verb, request.file, request.parameters,
                                       request.directory, request.show);
    return reinterpret_cast<UINT_PTR>(result);
}

// One step of the way to the desktop's shell failed: the verbose log names it.
bool Failed(HRESULT hr, const wchar_t* step, const wchar_t* file)
{
    TraceError(static_cast<DWORD>(hr), L"the desktop's shell cannot start \"%ls\" (%ls)", file, step);
    return false;
}

// A text argument of IShellDispatch2::ShellExecute: the text, or nothing for null.
VARIANT TextArgument(const UniqueBstr& text)
{
    VARIANT value;
    ::VariantInit(&value);
    if (text) {
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
    VARIANT desktop;
    ::VariantInit(&desktop);
    desktop.vt = VT_I4;
    desktop.lVal = CSIDL_DESKTOP;
    VARIANT none;
    ::VariantInit(&none);
    long desktopWindow = 0;
    ComPtr<IDispatch> desktopDispatch;
    hr = windows->FindWindowSW(&desktop, &none, SWC_DESKTOP, &desktopWindow, SWFO_NEEDDISPATCH,
                               desktopDispatch.put());
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
    UniqueBstr file(::SysAllocString(request.file));
    UniqueBstr parameters(request.parameters != nullptr ? ::SysAllocString(request.parameters) : nullptr);
    UniqueBstr directory(request.directory != nullptr ? ::SysAllocString(request.directory) : nullptr);
    UniqueBstr verb(request.verb != nullptr ? ::SysAllocString(request.verb) : nullptr);
    if (!file || (request.parameters != nullptr && !parameters) || (request.directory != nullptr && !directory)
        || (request.verb != nullptr && !verb)) {
        Failed(E_OUTOFMEMORY, L"no memory for the request", request.file);
        return kLaunchRefused;
    }
    VARIANT show;
    ::VariantInit(&show);
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
        Trace(L"not started: \"%ls\"; this process is elevated and starts nothing with its own rights",
              request.file);
    }
    return status;
}

} // namespace ph
