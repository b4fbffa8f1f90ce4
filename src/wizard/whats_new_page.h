// The what's-new page's text: the release notes from the program's resources, trimmed at the end.
#pragma once

#include <windows.h>

#include <cstddef>

namespace ph {

// The working buffer of the release notes; at most one unit less is used, so the text always
// ends with a zero unit.
inline constexpr std::size_t kReleaseNotesChars = 10240;

// Copies the notes' bytes into buffer: zero-filled first, then at most the first
// kReleaseNotesChars - 1 units (20478 bytes).
void CopyReleaseNotes(const void* data, std::size_t bytes, wchar_t (&buffer)[kReleaseNotesChars]);

// Removes every unit from the end of text up to its last letter or digit (a text without one
// becomes empty). Line breaks, blanks and punctuation at the end go; a leading byte order mark
// stays.
void TrimReleaseNotes(wchar_t* text);

// The release notes (IDR_RELEASE_NOTES) of module, copied and trimmed into buffer. False, with buffer
// untouched, when module has no such resource or it cannot be loaded.
bool LoadReleaseNotes(HMODULE module, wchar_t (&buffer)[kReleaseNotesChars]);

} // namespace ph
