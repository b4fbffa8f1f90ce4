// TrimBlanks, EnsureFolderTree and the level-by-level folder creation they share with the
// extraction.
#include "base/folder_tree.h"

#include "base/text.h"

#include <cwchar>
#include <memory>
#include <new>

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

bool IsExistingFolder(const wchar_t* path)
{
    DWORD attributes = ::GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// Creates one folder. ERROR_SUCCESS when it was created or is there as a folder; otherwise the
// error of the creation (a file standing in its place keeps ERROR_ALREADY_EXISTS).
DWORD CreateOneFolder(const wchar_t* path)
{
    if (::CreateDirectoryW(path, nullptr) != FALSE) {
        return ERROR_SUCCESS;
    }
    const DWORD error = ::GetLastError();
    if (error == ERROR_ALREADY_EXISTS && IsExistingFolder(path)) {
        return ERROR_SUCCESS;
    }
    return error;
}

// Tells whether the folder exists by entering it, then goes back to where the process was, however
// long that path is. False with the error of the attempt otherwise.
bool CanEnterFolder(const wchar_t* path, DWORD& error)
{
    const DWORD needed = ::GetCurrentDirectoryW(0, nullptr);
    std::unique_ptr<wchar_t[]> previous(needed > 0 ? new (std::nothrow) wchar_t[needed] : nullptr);
    const bool remembered = previous && ::GetCurrentDirectoryW(needed, previous.get()) + 1 == needed;
    if (::SetCurrentDirectoryW(path) == FALSE) {
        error = ::GetLastError();
        return false;
    }
    if (remembered) {
        ::SetCurrentDirectoryW(previous.get());
    }
    error = ERROR_SUCCESS;
    return true;
}

} // namespace

void TrimBlanks(wchar_t* text)
{
    std::size_t len = DropTrailingBlanks(text);
    if (text[0] == L' ' && len < kTrimLeadingBelow) {
        std::size_t skip = 0;
        while (text[skip] == L' ') {
            ++skip;
        }
        std::wmemmove(text, text + skip, len - skip + 1);
    }
}

DWORD CreateFolderLevels(const wchar_t* path)
{
    const std::size_t length = std::wcslen(path);
    std::unique_ptr<wchar_t[]> level(new (std::nothrow) wchar_t[length + 1]);
    if (!level) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    std::wmemcpy(level.get(), path, length + 1);
    // A level may fail for reasons that do not matter once a deeper level is made (a drive or
    // share root, a folder this account may enter but not list). When the last level cannot be
    // made, the cause is the first level that failed after the last one made: its parents' "path
    // not found" only repeats it.
    DWORD firstFailure = ERROR_SUCCESS;
    for (std::size_t i = 1; i <= length; ++i) {
        if (i < length && !IsPathSeparator(path[i])) {
            continue;
        }
        if (IsPathSeparator(path[i - 1])) {
            continue; // an empty level (two separators in a row, or a trailing one) names the folder before it
        }
        level[i] = L'\0';
        const DWORD error = CreateOneFolder(level.get());
        level[i] = path[i];
        if (error == ERROR_SUCCESS) {
            firstFailure = ERROR_SUCCESS;
        } else if (firstFailure == ERROR_SUCCESS) {
            firstFailure = error;
        }
    }
    return firstFailure;
}

bool EnsureFolderTree(wchar_t* path, std::size_t pathChars, DWORD* error, FolderCreation* leaf)
{
    DWORD ignored = ERROR_SUCCESS;
    DWORD& why = error != nullptr ? *error : ignored;
    TrimBlanks(path);
    if (path[0] == L'\0') {
        why = ERROR_INVALID_NAME;
        return false;
    }
    AppendBackslashIfShort(path, pathChars);
    if (CanEnterFolder(path, why)) {
        return true;
    }

    // Rebuild the path level by level, each level without its trailing blanks, creating each
    // folder on the way. The error kept is that of the first level that failed after the last one
    // made (the levels below it fail only because it is missing).
    wchar_t rebuilt[kWorkPathChars] = {};
    std::size_t used = 0;
    std::size_t i = 0;
    if (path[0] == L'\\' && path[1] == L'\\') {
        rebuilt[used++] = L'\\';
        rebuilt[used++] = L'\\';
        i = 2;
    }
    DWORD created = ERROR_SUCCESS;
    for (; i < kPathChars && path[i] != L'\0'; ++i) {
        if (path[i] != L'\\') {
            rebuilt[used++] = path[i];
            rebuilt[used] = L'\0';
            continue;
        }
        TrimBlanks(rebuilt);
        const bool last = path[i + 1] == L'\0' || i + 1 >= kPathChars;
        DWORD level = ERROR_SUCCESS;
        if (last && leaf != nullptr && leaf->create != nullptr) {
            leaf->created = leaf->create(rebuilt, leaf->security) != FALSE;
            level = leaf->created ? ERROR_SUCCESS : ::GetLastError();
            if (level == ERROR_ALREADY_EXISTS && IsExistingFolder(rebuilt)) {
                level = ERROR_SUCCESS;
            }
        } else {
            level = CreateOneFolder(rebuilt);
        }
        if (level == ERROR_SUCCESS) {
            created = ERROR_SUCCESS;
        } else if (created == ERROR_SUCCESS) {
            created = level;
        }
        AppendBackslashIfShort(rebuilt, kWorkPathChars);
        used = std::wcslen(rebuilt);
    }

    CopyTextCut(path, pathChars, rebuilt);
    AppendBackslashIfShort(path, pathChars);
    if (CanEnterFolder(path, why)) {
        return true;
    }
    if (created != ERROR_SUCCESS) {
        why = created;
    }
    return false;
}

} // namespace ph
