// Opening a web page or starting a program for the user: through the shell, and never with an
// elevated installer's rights. An elevated process asks the desktop's own shell process to do it,
// so that the program runs as the user who owns the desktop.
#pragma once

#include <windows.h>
#include <shellapi.h>

namespace ph {

// Who carries a request out.
enum class LaunchRoute {
    // ShellExecuteW in this process: the program gets this process's rights.
    InThisProcess,
    // The desktop's shell process (its IShellDispatch2::ShellExecute): the program gets the rights
    // of the desktop's user.
    AsDesktopUser,
};

// What to start, as ShellExecuteW takes it: by default the "open" of a file, program or address,
// shown with SW_SHOW.
struct LaunchRequest {
    // Owner of whatever the shell shows in this process (unused by the desktop's shell).
    HWND owner;
    const wchar_t* file;
    // Null: none.
    const wchar_t* parameters;
    // Null: none.
    const wchar_t* directory;
    const wchar_t* verb = L"open";
    int show = SW_SHOW;
};

// Statuses of a launch, as ShellExecuteW gives them: greater than 32 means started.
// The desktop's shell took the request.
inline constexpr UINT_PTR kLaunchTakenByDesktop = 33;
// Nothing was started: the desktop's shell could not be asked, and this process may not start it
// with its own rights.
inline constexpr UINT_PTR kLaunchRefused = SE_ERR_ACCESSDENIED;

// The one seam of launching: carries a request out by the given route and returns its status.
// It starts as the real routes; tests replace it so that nothing starts.
using LaunchFunction = UINT_PTR (*)(LaunchRoute route, const LaunchRequest& request);
LaunchFunction& LaunchSeam();

// The route of this process: AsDesktopUser when it runs elevated (IsProcessElevated), else
// InThisProcess.
LaunchRoute RouteOfThisProcess();

// Opens request.file by the route of this process. An elevated process whose desktop route fails
// starts nothing (the verbose log says why). A status greater than 32 means started.
UINT_PTR Launch(const LaunchRequest& request);

} // namespace ph
