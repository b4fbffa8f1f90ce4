// Platform probes: DLL search path, running viewer, Windows version class, DPI, elevation.
#include "platform/probes.h"

#include "base/handles.h"
#include "base/product.h"
#include "base/text.h"

#include <type_traits>

namespace ph {

namespace {

HWND FindViewerWindow()
{
    return ::FindWindowW(kViewerWindowClass, nullptr);
}

bool OsVersionAtLeastOfSystem(WORD major, WORD minor, WORD servicePackMajor)
{
    OSVERSIONINFOEXW info{};
    info.dwOSVersionInfoSize = sizeof(info); // 284 bytes
    info.dwMajorVersion = major;
    info.dwMinorVersion = minor;
    info.wServicePackMajor = servicePackMajor;
    DWORDLONG mask = 0;
    mask = ::VerSetConditionMask(mask, VER_MAJORVERSION, VER_GREATER_EQUAL);
    mask = ::VerSetConditionMask(mask, VER_MINORVERSION, VER_GREATER_EQUAL);
    mask = ::VerSetConditionMask(mask, VER_SERVICEPACKMAJOR, VER_GREATER_EQUAL);
    return ::VerifyVersionInfoW(&info, VER_MAJORVERSION | VER_MINORVERSION | VER_SERVICEPACKMAJOR, mask) != FALSE;
}

using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);

int ComputeVersionClassFromSystem()
{
    HMODULE ntdll = ::GetModuleHandleW(L"ntdll");
    auto rtlGetVersion = ntdll != nullptr
        ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void*>(::GetProcAddress(ntdll, "RtlGetVersion")))
        : nullptr;
    if (rtlGetVersion == nullptr) {
        return ClassifyWindowsVersion(nullptr, OsVersionAtLeastOfSystem);
    }
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info); // 276 bytes
    rtlGetVersion(&info);
    return ClassifyWindowsVersion(&info, OsVersionAtLeastOfSystem);
}

// The one process-wide copy of the class.
int CachedVersionClassOfSystem()
{
    static VersionClassCache cache;
    return cache.Get(ComputeVersionClassFromSystem);
}

int ScreenDpiXOfSystem(HWND hwnd)
{
    WindowDc dc(hwnd);
    if (!dc) {
        return kBaseDpi;
    }
    return ::GetDeviceCaps(dc.get(), LOGPIXELSX);
}

bool TokenIsElevated()
{
    HANDLE raw = nullptr;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &raw)) {
        // Without an answer the process is taken for elevated: nothing is then started with
        // rights it might hold.
        return true;
    }
    UniqueKernelHandle token(raw);
    TOKEN_ELEVATION elevation{};
    DWORD bytes = 0;
    if (!::GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &bytes)) {
        // A system without elevation (before Vista) does not know the question: every process
        // has its user's own token there.
        return ::GetLastError() != ERROR_INVALID_PARAMETER;
    }
    return elevation.TokenIsElevated != 0;
}

int ShowMessageBox(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type)
{
    return ::MessageBoxW(owner, text, caption, type);
}

void Beep(UINT type)
{
    ::MessageBeep(type);
}

void SleepOnThisThread(DWORD milliseconds)
{
    ::Sleep(milliseconds);
}

int DisplayDpiXFromSystem()
{
    UniqueCreatedDc dc(::CreateDCW(L"DISPLAY", nullptr, nullptr, nullptr));
    return dc ? ::GetDeviceCaps(dc.get(), LOGPIXELSX) : 0;
}

int FullScreenHeightFromSystem()
{
    return ::GetSystemMetrics(SM_CYFULLSCREEN);
}

} // namespace

PlatformSeams& Seams()
{
    static PlatformSeams seams{FindViewerWindow,
                               CachedVersionClassOfSystem,
                               OsVersionAtLeastOfSystem,
                               ScreenDpiXOfSystem,
                               TokenIsElevated,
                               ShowMessageBox,
                               Beep,
                               SleepOnThisThread,
                               ::GetLocalTime,
                               DisplayDpiXFromSystem,
                               FullScreenHeightFromSystem};
    return seams;
}

namespace {

// The loaded kernel32.dll of the system folder, named by its full path; null when it cannot be
// named.
HMODULE SystemKernel32()
{
    wchar_t path[kPathChars] = {};
    UINT len = ::GetSystemDirectoryW(path, static_cast<UINT>(kPathChars));
    if (len == 0 || len >= kPathChars) {
        return nullptr;
    }
    if (!EndsWithBackslash(path) && !AppendTextWhole(path, L"\\")) {
        return nullptr;
    }
    if (!AppendTextWhole(path, L"kernel32.dll")) {
        return nullptr;
    }
    return ::GetModuleHandleW(path);
}

} // namespace

RedirectionTrustResult EnforceRedirectionTrust()
{
    HMODULE kernel = SystemKernel32();
    auto setPolicy = kernel != nullptr ? reinterpret_cast<SetProcessMitigationPolicyFunction>(
                         reinterpret_cast<void*>(::GetProcAddress(kernel, "SetProcessMitigationPolicy")))
                                       : nullptr;
    return EnforceRedirectionTrust(setPolicy);
}

RedirectionTrustResult EnforceRedirectionTrust(SetProcessMitigationPolicyFunction setPolicy)
{
    RedirectionTrustResult result;
    if (setPolicy == nullptr) {
        return result;
    }
    DWORD flags = kEnforceRedirectionTrust;
    if (setPolicy(static_cast<PROCESS_MITIGATION_POLICY>(kRedirectionTrustPolicy), &flags, sizeof(flags)) == FALSE) {
        result.state = RedirectionTrust::Refused;
        result.error = ::GetLastError();
        return result;
    }
    result.state = RedirectionTrust::On;
    return result;
}

void HardenDllSearchPath()
{
    HMODULE kernel = SystemKernel32();
    if (kernel == nullptr) {
        return;
    }
    auto find = [kernel](auto& function, const char* name) {
        function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(
            reinterpret_cast<void*>(::GetProcAddress(kernel, name)));
    };
    DllSearchFunctions functions{};
    find(functions.setDefaultDllDirectories, "SetDefaultDllDirectories");
    find(functions.setDllDirectory, "SetDllDirectoryW");
    find(functions.setSearchPathMode, "SetSearchPathMode");
    HardenDllSearchPath(functions);
}

void HardenDllSearchPath(const DllSearchFunctions& functions)
{
    if (functions.setDefaultDllDirectories != nullptr) {
        functions.setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
        return;
    }
    // Older systems: an empty DLL folder takes the current folder out of the library search,
    // and the safe search mode puts it after the system folders when files are searched for.
    if (functions.setDllDirectory != nullptr) {
        functions.setDllDirectory(L"");
    }
    if (functions.setSearchPathMode != nullptr) {
        functions.setSearchPathMode(BASE_SEARCH_PATH_ENABLE_SAFE_SEARCHMODE | BASE_SEARCH_PATH_PERMANENT);
    }
}

bool IsViewerRunning()
{
    return Seams().viewerWindow() != nullptr;
}

int ClassifyWindowsVersion(const OSVERSIONINFOW* reported,
                           bool (*atLeast)(WORD major, WORD minor, WORD servicePackMajor))
{
    if (reported != nullptr && reported->dwMajorVersion >= 10) {
        return reported->dwBuildNumber >= 22000 ? 11 : 10;
    }
    if (atLeast(6, 2, 0)) {
        return 8;
    }
    if (atLeast(6, 1, 0)) {
        return 7;
    }
    if (atLeast(6, 0, 0)) {
        return 6;
    }
    if (atLeast(5, 1, 0)) {
        return atLeast(5, 1, 3) ? 5 : 1;
    }
    return 0;
}

int VersionClassCache::Get(int (*compute)())
{
    if (m_class == 0) {
        m_class = compute();
    }
    return m_class;
}

int WindowsVersionClass()
{
    return Seams().windowsVersionClass();
}

bool OsVersionAtLeast(WORD major, WORD minor, WORD servicePackMajor)
{
    return Seams().osVersionAtLeast(major, minor, servicePackMajor);
}

int ScreenDpiX(HWND hwnd)
{
    return Seams().screenDpiX(hwnd);
}

bool IsProcessElevated()
{
    return Seams().isElevated();
}

} // namespace ph
