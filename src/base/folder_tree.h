// Trimming and creating the folders the installation builds on.
#pragma once

#include <windows.h>

#include <cstddef>

namespace ph {

// Removes trailing blanks; then, when the text starts with a blank and is shorter than 260
// characters, removes every leading blank. Tabs and quotes stay.
void TrimBlanks(wchar_t* text);

// How EnsureFolderTree makes the folder itself (its last level) when it is missing: by default as
// every other level, with the security its parent gives. created tells afterwards whether this call
// made it.
struct FolderCreation {
    BOOL (*create)(const wchar_t* path, SECURITY_ATTRIBUTES* security) = nullptr;
    SECURITY_ATTRIBUTES* security = nullptr;
    bool created = false;
};

// Creates a folder and every missing parent. The path (buffer of pathChars >= 260 characters) is
// rewritten in place: trimmed, blanks before every backslash removed, ending in a backslash
// (appended only while it has at most 258 characters). Returns true when the folder exists
// afterwards; otherwise error, when given, receives why: the error of the deepest level that
// could not be created, or of entering the folder. The current directory is the same after the
// call as before.
bool EnsureFolderTree(wchar_t* path, std::size_t pathChars, DWORD* error = nullptr, FolderCreation* leaf = nullptr);

// Creates each level of path (separated by '\' or '/', the first level included), parents first;
// levels that exist already are fine. Returns ERROR_SUCCESS when the last level was created or
// exists as a folder afterwards, otherwise the error of the first level that could not be made (a
// file in the way of a level gives ERROR_ALREADY_EXISTS; a full disk ERROR_DISK_FULL).
[[nodiscard]] DWORD CreateFolderLevels(const wchar_t* path);

} // namespace ph
