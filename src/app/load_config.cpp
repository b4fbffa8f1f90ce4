// The executable's load configuration: the libraries it imports are loaded from the system folder
// only, never from the folder the setup program was downloaded to, where anyone may have put a
// library of the same name. Linked into the setup program only (the test programs keep none).
//
// The loader finds the record through the image's load-configuration directory. lld points the
// directory at _load_config_used by itself; GNU ld leaves it empty, so after linking the build
// points it there (cmake/set-load-config.pl). Visual C++'s runtime brings a record of its own, and
// its linker takes the flags as an option instead.
#if !defined(_MSC_VER)

#include <windows.h>

#include <cstddef>

namespace {

// The platform's 64-bit load configuration up to the safe exception handler table: the record as
// 64-bit Windows read it before control-flow guard added fields; later systems take the missing
// fields as zero. The MinGW-w64 headers at hand know DependentLoadFlags only as
// Reserved1, so the program spells out the layout itself.
struct LoadConfiguration64 {
    DWORD Size;
    DWORD TimeDateStamp;
    WORD MajorVersion;
    WORD MinorVersion;
    DWORD GlobalFlagsClear;
    DWORD GlobalFlagsSet;
    DWORD CriticalSectionDefaultTimeout;
    ULONGLONG DeCommitFreeBlockThreshold;
    ULONGLONG DeCommitTotalFreeThreshold;
    ULONGLONG LockPrefixTable;
    ULONGLONG MaximumAllocationSize;
    ULONGLONG VirtualMemoryThreshold;
    ULONGLONG ProcessAffinityMask;
    DWORD ProcessHeapFlags;
    WORD CSDVersion;
    // The search of the libraries the image imports (LOAD_LIBRARY_SEARCH_* flags), honoured by
    // Windows 10 version 1607 and later.
    WORD DependentLoadFlags;
    ULONGLONG EditList;
    ULONGLONG SecurityCookie;
    ULONGLONG SEHandlerTable;
    ULONGLONG SEHandlerCount;
};
static_assert(sizeof(LoadConfiguration64) == 112, "the platform's record size");
static_assert(offsetof(LoadConfiguration64, DependentLoadFlags) == 78, "the platform's field offset");

} // namespace

// The name the loader and the linkers look for. Everything but the size and the flags is zero:
// no security cookie, no heap or affinity settings.
extern "C" const LoadConfiguration64 _load_config_used = {
    sizeof(LoadConfiguration64), 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, LOAD_LIBRARY_SEARCH_SYSTEM32, 0, 0, 0, 0,
};

#endif
