// Unpacking the product archive that the setup program carries as resource "ZIP" 1974.
#pragma once

#include <cstdint>

namespace ph {

// Writes the payload resource of the program's module to "phtav_x64.zip" in the temporary
// folder, extracts it into destination (an existing folder ending in a backslash) and deletes
// the staging file. skipIcons leaves out every entry whose name contains "icons.dll" in any
// letter case. Returns 0 when every entry was written completely, -1 otherwise.
int ExtractPayload(const wchar_t* destination, bool skipIcons);

// Extracts the archive at archivePath into destination, which becomes (and stays) the process's
// current directory. Returns -1 when the archive cannot be opened or the destination entered, and
// also when any entry was left unwritten or incomplete (the other entries are still written as
// far as the archive allows); 0 otherwise.
int ExtractArchive(const wchar_t* archivePath, const wchar_t* destination, bool skipIcons);

// Creates a folder path level by level ('\' or '/' separators, one trailing '/' ignored).
// Returns 1 when done, 0 for an empty path or when a level could not be created because its
// parent is missing.
int MakeFolderPath(const wchar_t* path);

// Gives an extracted file the entry's packed DOS date (high 16 bits) and time (low 16 bits),
// taken as local time, as creation and last-write time. Failures are ignored.
void ApplyEntryTime(const wchar_t* path, std::uint32_t dosDateTime);

// True when an entry name stays inside the destination: not rooted, no UNC or drive prefix, no
// colon, no component made only of dots beyond a single one.
bool IsSafeEntryName(const wchar_t* name);

} // namespace ph
