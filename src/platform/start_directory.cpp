// The starting directory, held in a buffer for any path the platform can give as a current
// directory.
#include "platform/start_directory.h"

#include "base/path_rules.h"

#include <windows.h>

namespace ph {

namespace {

wchar_t g_startDirectory[kMaxPlatformPathChars + 1] = {};
bool g_pinned = false;

} // namespace

void PinStartDirectory()
{
    DWORD length = ::GetCurrentDirectoryW(static_cast<DWORD>(kMaxPlatformPathChars + 1), g_startDirectory);
    if (length == 0 || length > kMaxPlatformPathChars) {
        g_startDirectory[0] = L'\0';
    }
    g_pinned = true;
}

const wchar_t* StartDirectory()
{
    if (!g_pinned) {
        PinStartDirectory();
    }
    return g_startDirectory;
}

} // namespace ph
