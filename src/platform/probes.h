// Small questions the program asks of the running system: where libraries load from, whether
// the viewer runs, the Windows generation, the version, the screen.
#pragma once

#include <windows.h>

namespace ph {

// Restricts later library loads by bare name to the system folder, where the system offers it;
// elsewhere takes the current folder out of the library and file search paths.
void HardenDllSearchPath();

// The loader's functions HardenDllSearchPath uses, looked up by name in the system folder's
// kernel32.dll; each null where the system lacks it.
struct DllSearchFunctions {
    BOOL(WINAPI* setDefaultDllDirectories)(DWORD directoryFlags);
    BOOL(WINAPI* setDllDirectory)(LPCWSTR folder);
    BOOL(WINAPI* setSearchPathMode)(DWORD flags);
};
// SetDefaultDllDirectories with the system folder alone where it exists; otherwise an empty DLL
// folder (which drops the current folder from the library search) and the safe search mode for
// files, each where it exists.
void HardenDllSearchPath(const DllSearchFunctions& functions);

// Turns on the process's redirection trust where the system offers it (Windows 10 2004 and later,
// and servicing updates of earlier releases): from then on this process follows no link or junction
// that a non-administrator made. Called first thing at start-up, before anything is written.
enum class RedirectionTrust {
    On,         // the system took the policy
    Refused,    // the system has the call but refused the policy (error tells why)
    NotOffered, // the system has no SetProcessMitigationPolicy
};
struct RedirectionTrustResult {
    RedirectionTrust state = RedirectionTrust::NotOffered;
    DWORD error = ERROR_SUCCESS;
};
RedirectionTrustResult EnforceRedirectionTrust();

// The policy as SetProcessMitigationPolicy takes it, which not every SDK names: the policy
// ProcessRedirectionTrustPolicy and its flag EnforceRedirectionTrust (the first bit of a DWORD).
inline constexpr int kRedirectionTrustPolicy = 16;
inline constexpr DWORD kEnforceRedirectionTrust = 0x1;
using SetProcessMitigationPolicyFunction = BOOL(WINAPI*)(PROCESS_MITIGATION_POLICY policy, PVOID buffer, SIZE_T length);
// The same through setPolicy (null where the system lacks it).
RedirectionTrustResult EnforceRedirectionTrust(SetProcessMitigationPolicyFunction setPolicy);

// True when a top-level window of the viewer's window class exists, whatever its title.
bool IsViewerRunning();

// The Windows generation: 11, 10, 8 (8 and 8.1), 7, 6 (Vista), 5 (XP SP3 and later),
// 1 (XP before SP3) or 0 (older). Computed once and cached; class 0 is computed on every call.
int WindowsVersionClass();
// The classes whose systems some steps treat apart.
inline constexpr int kWindows8Class = 8;   // no uninstaller shortcut in the Start-menu group
inline constexpr int kWindows10Class = 10; // store applications kept out of "Open with"
inline constexpr int kWindows11Class = 11; // associations chosen by the user only

// True when the system is at least major.minor with at least the given service-pack major.
bool OsVersionAtLeast(WORD major, WORD minor, WORD servicePackMajor);

// The DPI of a screen at 100 % scale: what the program's sizes are given for, and the answer
// when no screen can be asked.
inline constexpr int kBaseDpi = 96;

// Horizontal DPI of the screen the window's device context belongs to; kBaseDpi without one.
int ScreenDpiX(HWND hwnd);

// True when this process runs with an elevated token (an administrator's full rights).
bool IsProcessElevated();

// The version class rule itself, from what RtlGetVersion reported (null when it is missing)
// and a version test.
int ClassifyWindowsVersion(const OSVERSIONINFOW* reported,
                           bool (*atLeast)(WORD major, WORD minor, WORD servicePackMajor));

// The version class as the process keeps it: asked of compute on first use and kept from then
// on, except class 0, which is asked again on every use.
class VersionClassCache {
public:
    int Get(int (*compute)());

private:
    int m_class = 0;
};

// What comes from outside the program goes through these replaceable functions, so that a test
// can pin the answers. Each starts as the real system call.
struct PlatformSeams {
    // A top-level window of the viewer's window class, whatever its title; null when none exists.
    HWND (*viewerWindow)();
    // The Windows version class, computed on first use and cached (class 0 on every use).
    int (*windowsVersionClass)();
    bool (*osVersionAtLeast)(WORD major, WORD minor, WORD servicePackMajor);
    // Horizontal DPI of the window's screen (GetDC, LOGPIXELSX); kBaseDpi without a context.
    int (*screenDpiX)(HWND hwnd);
    // Whether the process token is elevated; true when that cannot be told.
    bool (*isElevated)();
    int (*messageBox)(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type);
    // The warning sound (MessageBeep).
    void (*beep)(UINT type);
    // A wait on this thread (Sleep).
    void (*sleep)(DWORD milliseconds);
    void (*localTime)(SYSTEMTIME* now);
    // Horizontal DPI of the display (a device context created for "DISPLAY"); 0 without one.
    int (*displayDpiX)();
    // Client height of a full-screen window on the primary display (SM_CYFULLSCREEN).
    int (*fullScreenHeight)();
};
PlatformSeams& Seams();

} // namespace ph
