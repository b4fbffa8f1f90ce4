// The starting directory, held whole however long the platform lets a current directory be.
#include "platform/start_directory.h"

#include "base/path_rules.h"

#include <windows.h>

#include <memory>
#include <new>

namespace ph {

namespace {

// Made at start-up with the length the directory has (a buffer for the longest path, fixed in
// the image, would be 64 KB of the program's file).
std::unique_ptr<wchar_t[]> g_startDirectory;
bool g_pinned = false;

} // namespace

void PinStartDirectory()
{
    g_pinned = true;
    g_startDirectory.reset();
    const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
    if (needed == 0 || needed > kMaxPlatformPathChars + 1) {
        return;
    }
    std::unique_ptr<wchar_t[]> folder(new (std::nothrow) wchar_t[needed]());
    if (folder && ::GetCurrentDirectoryW(needed, folder.get()) + 1 == needed) {
        g_startDirectory = std::move(folder);
    }
}

const wchar_t* StartDirectory()
{
    if (!g_pinned) {
        PinStartDirectory();
    }
    return g_startDirectory ? g_startDirectory.get() : L"";
}

} // namespace ph
