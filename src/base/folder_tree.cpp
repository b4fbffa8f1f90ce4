// TrimBlanks and EnsureFolderTree.
#include "base/folder_tree.h"

#include "base/text.h"

#include <windows.h>

#include <cwchar>

namespace ph {

namespace {

// Leading blanks of texts this long stay: the rule looks only at path-sized texts.
constexpr std::size_t kTrimLeadingBelow = 260;

void AppendBackslashIfShort(wchar_t* path, std::size_t pathChars)
{
    std::size_t len = std::wcslen(path);
    if (len <= kMaxCharsBeforeBackslash && len + 2 <= pathChars && !EndsWithBackslash(path)) {
        path[len] = L'\\';
        path[len + 1] = L'\0';
    }
}

// Tells whether the folder exists by entering it, then goes back to where the process was.
bool CanEnterFolder(const wchar_t* path)
{
    wchar_t previous[kPathChars] = {};
    DWORD len = ::GetCurrentDirectoryW(static_cast<DWORD>(kPathChars), previous);
    if (::SetCurrentDirectoryW(path) == FALSE) {
        return false;
    }
    if (len > 0 && len < kPathChars) {
        ::SetCurrentDirectoryW(previous);
    }
    return true;
}

} // namespace

void TrimBlanks(wchar_t* text)
{
    std::size_t len = std::wcslen(text);
    while (len > 0 && text[len - 1] == L' ') {
        text[--len] = L'\0';
    }
    if (text[0] == L' ' && len < kTrimLeadingBelow) {
        std::size_t skip = 0;
        while (text[skip] == L' ') {
            ++skip;
        }
        std::wmemmove(text, text + skip, len - skip + 1);
    }
}

bool EnsureFolderTree(wchar_t* path, std::size_t pathChars)
{
    TrimBlanks(path);
    if (path[0] == L'\0') {
        return false;
    }
    AppendBackslashIfShort(path, pathChars);
    if (CanEnterFolder(path)) {
        return true;
    }

    // Rebuild the path level by level, creating each folder on the way. A folder that exists
    // already makes CreateDirectoryW fail, which is fine.
    wchar_t rebuilt[kWorkPathChars] = {};
    std::size_t used = 0;
    std::size_t i = 0;
    if (path[0] == L'\\' && path[1] == L'\\') {
        rebuilt[used++] = L'\\';
        rebuilt[used++] = L'\\';
        i = 2;
    }
    for (; i < kPathChars && path[i] != L'\0'; ++i) {
        if (path[i] != L'\\') {
            rebuilt[used++] = path[i];
            rebuilt[used] = L'\0';
            continue;
        }
        TrimBlanks(rebuilt);
        ::CreateDirectoryW(rebuilt, nullptr);
        AppendBackslashIfShort(rebuilt, kWorkPathChars);
        used = std::wcslen(rebuilt);
    }

    CopyTextCut(path, pathChars, rebuilt);
    AppendBackslashIfShort(path, pathChars);
    return CanEnterFolder(path);
}

} // namespace ph
