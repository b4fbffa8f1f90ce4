// Trimming and creating the folders the installation builds on.
#pragma once

#include <cstddef>

namespace ph {

// Removes trailing blanks; then, when the text starts with a blank and is shorter than 260
// characters, removes every leading blank. Tabs and quotes stay.
void TrimBlanks(wchar_t* text);

// Creates a folder and every missing parent. The path (buffer of pathChars >= 260 characters) is
// rewritten in place: trimmed, blanks before every backslash removed, ending in a backslash
// (appended only while it has at most 258 characters). Returns true when the folder exists
// afterwards. The current directory is the same after the call as before.
bool EnsureFolderTree(wchar_t* path, std::size_t pathChars);

} // namespace ph
