// Platform probes: Windows version class, version test, running viewer, DPI, DLL search path.
#include "platform/probes.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

struct Version {
    WORD major;
    WORD minor;
    WORD servicePack;
};

// The system a fake version test answers for, compared major, then minor, then service pack.
Version g_fakeSystem{};

bool FakeAtLeast(WORD major, WORD minor, WORD servicePack)
{
    if (g_fakeSystem.major != major) {
        return g_fakeSystem.major > major;
    }
    if (g_fakeSystem.minor != minor) {
        return g_fakeSystem.minor > minor;
    }
    return g_fakeSystem.servicePack >= servicePack;
}

OSVERSIONINFOW Reported(DWORD major, DWORD minor, DWORD build)
{
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    info.dwMajorVersion = major;
    info.dwMinorVersion = minor;
    info.dwBuildNumber = build;
    return info;
}

TEST(ClassifyWindowsVersion, ReportedVersion10AndLaterByBuildNumber)
{
    struct Case {
        DWORD major;
        DWORD build;
        int expected;
    };
    const Case cases[] = {
        {10, 22000, 11}, {10, 22631, 11}, {10, 21999, 10}, {10, 19045, 10},
        {10, 0, 10},     {11, 22000, 11}, {11, 21999, 10}, {12, 30000, 11},
    };
    // The version test answers "older than anything": the reported version alone decides.
    g_fakeSystem = {4, 0, 0};
    for (const Case& c : cases) {
        OSVERSIONINFOW info = Reported(c.major, 0, c.build);
        EXPECT_EQ(ph::ClassifyWindowsVersion(&info, FakeAtLeast), c.expected) << c.major << ".0." << c.build;
    }
}

TEST(ClassifyWindowsVersion, OlderSystemsByVersionTest)
{
    struct Case {
        Version system;
        int expected;
    };
    const Case cases[] = {
        {{6, 3, 0}, 8}, // 8.1
        {{6, 2, 0}, 8}, {{6, 1, 1}, 7}, {{6, 1, 0}, 7},
        {{6, 0, 2}, 6}, {{5, 2, 0}, 5}, // a later minor version counts as XP SP3 or later
        {{5, 1, 3}, 5},                 // XP SP3
        {{5, 1, 2}, 1},                 // XP SP2
        {{5, 1, 0}, 1}, {{5, 0, 4}, 0}, {{4, 0, 6}, 0},
    };
    for (const Case& c : cases) {
        g_fakeSystem = c.system;
        std::string name = std::to_string(c.system.major) + "." + std::to_string(c.system.minor) + " SP"
            + std::to_string(c.system.servicePack);
        // Without RtlGetVersion.
        EXPECT_EQ(ph::ClassifyWindowsVersion(nullptr, FakeAtLeast), c.expected) << name << " without report";
        // With a report below 10, the version test decides as well.
        OSVERSIONINFOW info = Reported(c.system.major, c.system.minor, 7601);
        EXPECT_EQ(ph::ClassifyWindowsVersion(&info, FakeAtLeast), c.expected) << name << " reported";
    }
}

// Counts the computations of the version class behind a cache.
int g_computeCalls = 0;
int g_computedClass = 0;
int CountingCompute()
{
    ++g_computeCalls;
    return g_computedClass;
}

TEST(VersionClassCache, ClassZeroIsRecomputedOtherClassesOnce)
{
    g_computeCalls = 0;
    ph::VersionClassCache cache;
    g_computedClass = 0;
    EXPECT_EQ(cache.Get(CountingCompute), 0);
    EXPECT_EQ(cache.Get(CountingCompute), 0);
    EXPECT_EQ(cache.Get(CountingCompute), 0);
    EXPECT_EQ(g_computeCalls, 3);

    g_computedClass = 7;
    EXPECT_EQ(cache.Get(CountingCompute), 7);
    EXPECT_EQ(g_computeCalls, 4);

    g_computedClass = 11; // the system "changes": the cached class stays
    EXPECT_EQ(cache.Get(CountingCompute), 7);
    EXPECT_EQ(cache.Get(CountingCompute), 7);
    EXPECT_EQ(g_computeCalls, 4);

    // Another process starts without a class.
    ph::VersionClassCache later;
    EXPECT_EQ(later.Get(CountingCompute), 11);
    EXPECT_EQ(g_computeCalls, 5);
}

TEST(IsViewerRunning, FollowsAWindowOfTheViewerClass)
{
    EXPECT_FALSE(ph::IsViewerRunning());
    {
        ph::test::FakeViewerWindow viewer;
        ASSERT_TRUE(viewer.Exists());
        EXPECT_TRUE(ph::IsViewerRunning());
    }
    EXPECT_FALSE(ph::IsViewerRunning());
}

TEST(IsViewerRunning, OtherWindowClassesDoNotCount)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"PhotavianX";
    ::RegisterClassW(&wc);
    // Titled like the viewer, but of another class.
    HWND other = ::CreateWindowExW(0, L"PhotavianX", L"Photavian", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                   nullptr, wc.hInstance, nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_FALSE(ph::IsViewerRunning());
    ::DestroyWindow(other);
}

// After hardening, a library named without a folder is looked up in the system folder only.
TEST(HardenDllSearchPath, BareNamesLoadFromTheSystemFolderOnly)
{
    ph::test::ScratchFolder folder(L"dll_search");
    std::wstring planted = folder / L"ph_planted.dll";
    ASSERT_NE(::CopyFileW(ph::test::IconFixturePath(L"icons_431_other.dll").c_str(), planted.c_str(), FALSE), FALSE);
    wchar_t saved[MAX_PATH] = {};
    ::GetCurrentDirectoryW(MAX_PATH, saved);
    ASSERT_NE(::SetCurrentDirectoryW(folder.Path().c_str()), FALSE);

    ph::HardenDllSearchPath();

    HMODULE version = ::LoadLibraryW(L"version.dll");
    EXPECT_NE(version, nullptr);
    if (version != nullptr) {
        ::FreeLibrary(version);
    }
    HMODULE fromCurrentFolder = ::LoadLibraryW(L"ph_planted.dll");
    EXPECT_EQ(fromCurrentFolder, nullptr) << "a library in the current directory was loaded by its bare name";
    if (fromCurrentFolder != nullptr) {
        ::FreeLibrary(fromCurrentFolder);
    }
    HMODULE byFullPath = ::LoadLibraryW(planted.c_str());
    EXPECT_NE(byFullPath, nullptr) << "a full path still loads";
    if (byFullPath != nullptr) {
        ::FreeLibrary(byFullPath);
    }
    ::SetCurrentDirectoryW(saved);
}

// What the hardening calls, by the loader functions the system offers.
std::string g_dllSearchCalls;

std::string Hex(DWORD value)
{
    char text[16] = {};
    std::snprintf(text, sizeof(text), "0x%lx", static_cast<unsigned long>(value));
    return text;
}
BOOL WINAPI RecordSetDefaultDllDirectories(DWORD flags)
{
    g_dllSearchCalls += "SetDefaultDllDirectories(" + Hex(flags) + ") ";
    return TRUE;
}
BOOL WINAPI RecordSetDllDirectory(LPCWSTR folder)
{
    g_dllSearchCalls += folder == nullptr ? "SetDllDirectory(null) "
                                          : "SetDllDirectory(\"" + ph::test::Narrow(folder) + "\") ";
    return TRUE;
}
BOOL WINAPI RecordSetSearchPathMode(DWORD flags)
{
    g_dllSearchCalls += "SetSearchPathMode(" + Hex(flags) + ") ";
    return TRUE;
}

TEST(HardenDllSearchPath, WithoutSetDefaultDllDirectoriesTheCurrentFolderLeavesTheSearchPaths)
{
    struct Case {
        ph::DllSearchFunctions functions;
        const char* calls;
    };
    const Case cases[] = {
        {{RecordSetDefaultDllDirectories, RecordSetDllDirectory, RecordSetSearchPathMode},
         "SetDefaultDllDirectories(0x800) "},
        // An empty DLL folder, and the safe search mode for good (BASE_SEARCH_PATH_PERMANENT).
        {{nullptr, RecordSetDllDirectory, RecordSetSearchPathMode}, "SetDllDirectory(\"\") SetSearchPathMode(0x8001) "},
        {{nullptr, RecordSetDllDirectory, nullptr}, "SetDllDirectory(\"\") "},
        {{nullptr, nullptr, RecordSetSearchPathMode}, "SetSearchPathMode(0x8001) "},
        {{nullptr, nullptr, nullptr}, ""},
    };
    for (const Case& c : cases) {
        g_dllSearchCalls.clear();
        ph::HardenDllSearchPath(c.functions);
        EXPECT_EQ(g_dllSearchCalls, c.calls);
    }
}

// What the redirection trust asks of SetProcessMitigationPolicy, and what the system answered.
struct MitigationCall {
    int policy = -1;
    DWORD flags = 0;
    SIZE_T length = 0;
};
MitigationCall g_mitigationCall;
BOOL RecordMitigation(PROCESS_MITIGATION_POLICY policy, PVOID buffer, SIZE_T length)
{
    g_mitigationCall.policy = static_cast<int>(policy);
    g_mitigationCall.length = length;
    g_mitigationCall.flags = length == sizeof(DWORD) ? *static_cast<const DWORD*>(buffer) : 0;
    return TRUE;
}
BOOL WINAPI TakeMitigation(PROCESS_MITIGATION_POLICY policy, PVOID buffer, SIZE_T length)
{
    return RecordMitigation(policy, buffer, length);
}
BOOL WINAPI RefuseMitigation(PROCESS_MITIGATION_POLICY policy, PVOID buffer, SIZE_T length)
{
    RecordMitigation(policy, buffer, length);
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

TEST(EnforceRedirectionTrust, AsksForEnforcementAndTellsWhatTheSystemAnswered)
{
    struct Case {
        ph::SetProcessMitigationPolicyFunction setPolicy;
        ph::RedirectionTrust state;
        DWORD error;
    };
    const Case cases[] = {
        {TakeMitigation, ph::RedirectionTrust::On, ERROR_SUCCESS},
        {RefuseMitigation, ph::RedirectionTrust::Refused, ERROR_INVALID_PARAMETER},
        {nullptr, ph::RedirectionTrust::NotOffered, ERROR_SUCCESS},
    };
    for (const Case& c : cases) {
        g_mitigationCall = {};
        const ph::RedirectionTrustResult result = ph::EnforceRedirectionTrust(c.setPolicy);
        EXPECT_EQ(result.state, c.state);
        EXPECT_EQ(result.error, c.error);
        if (c.setPolicy != nullptr) {
            // ProcessRedirectionTrustPolicy, with EnforceRedirectionTrust alone (not just auditing).
            EXPECT_EQ(g_mitigationCall.policy, 16);
            EXPECT_EQ(g_mitigationCall.length, 4u);
            EXPECT_EQ(g_mitigationCall.flags, 0x1u);
        }
    }
}

// ---- the test prefix ----------------------------------------------------------------------------
// What the probes answer in the Wine prefix the tests run in (Wine's default: Windows 7 SP1,
// 6.1.7601, and a desktop of 96 DPI), not rules of the program. On another system, leave them out
// by name: --gtest_filter=-WinePrefixEnvironment.*

TEST(WinePrefixEnvironment, VersionClassIsWindows7)
{
    EXPECT_EQ(ph::WindowsVersionClass(), 7);
}

TEST(WinePrefixEnvironment, OsVersionAtLeastComparesAgainstWindows7Sp1)
{
    struct Case {
        Version asked;
        bool expected;
    };
    // 6.1, service pack 1: major, then minor, then service pack are compared in turn.
    const Case cases[] = {
        {{6, 1, 0}, true}, {{6, 1, 1}, true}, {{6, 1, 2}, false}, {{6, 0, 0}, true},   {{6, 0, 9}, true},
        {{5, 1, 3}, true}, {{5, 9, 9}, true}, {{6, 2, 0}, false}, {{10, 0, 0}, false}, {{99, 0, 0}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ph::OsVersionAtLeast(c.asked.major, c.asked.minor, c.asked.servicePack), c.expected)
            << c.asked.major << "." << c.asked.minor << " SP" << c.asked.servicePack;
    }
}

TEST(WinePrefixEnvironment, DesktopHas96Dpi)
{
    EXPECT_EQ(ph::ScreenDpiX(nullptr), 96);
}

// Every process of a Wine prefix runs with an elevated administrator's token.
TEST(WinePrefixEnvironment, ProcessIsElevated)
{
    EXPECT_TRUE(ph::IsProcessElevated());
}

} // namespace
