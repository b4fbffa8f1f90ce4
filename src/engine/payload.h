// Unpacking the product archive that the setup program carries as a resource (IDR_PAYLOAD_ZIP).
#pragma once

#include "engine/install_options.h"

#include <windows.h>

#include <cstddef>
#include <cstdint>

namespace ph {

// Extracts the payload resource of the program's module, read where the module's image holds it,
// into destination (an existing folder ending in a backslash). skipIcons leaves out every entry
// whose name contains "icons.dll" in any letter case. Returns 0 when every entry was written
// completely, -1 otherwise. Before the first file is written, the sizes the entries declare are
// held against the free space of the destination's volume: a payload that does not fit writes
// nothing. why, when given, receives the cause of a failure (none on success).
int ExtractPayload(const wchar_t* destination, bool skipIcons, InstallFailure* why = nullptr);

// Extracts the archive held in the size bytes at data into destination, which becomes (and stays)
// the process's current directory. Returns -1 when the archive cannot be opened or the destination
// entered, and also when any entry was left unwritten or incomplete (the other entries are still
// written as far as the archive allows); 0 otherwise. An entry is complete when the bytes written
// are exactly its declared size and its CRC-32 matches; a folder entry when the folder exists.
// why, when given, receives the cause of a failure: a full disk outranks a file in use, which
// outranks the rest.
int ExtractArchive(const void* data, std::size_t size, const wchar_t* destination, bool skipIcons,
                   InstallFailure* why = nullptr);

// The longest names of a payload as they are installed (UTF-16 characters, relative to the
// installation folder): of a file, and of a folder (a folder entry or the folder of a file).
struct PayloadNameLengths {
    std::size_t file = 0;
    std::size_t folder = 0;
};

// Measures the names of the program's payload resource; false when it cannot be read.
[[nodiscard]] bool MeasurePayloadNames(PayloadNameLengths& lengths);
[[nodiscard]] bool MeasureArchiveNames(const void* data, std::size_t size, PayloadNameLengths& lengths);

// Whether every file and folder of a payload with these names, also while it is staged under a
// longer name, stays within the platform's path limits (259 characters for a file, 247 for a
// folder) in an installation folder of folderChars characters, its trailing backslash included.
[[nodiscard]] bool PayloadFitsUnder(const PayloadNameLengths& lengths, std::size_t folderChars);

// Creates a folder path level by level ('\' or '/' separators, a trailing separator ignored).
// Returns 1 when the folder exists afterwards, 0 for an empty path or when it could not be made.
int MakeFolderPath(const wchar_t* path);

// Gives an extracted file, open for writing, the entry's packed DOS date (high 16 bits) and time
// (low 16 bits), taken as local time, as creation and last-write time; the last-access time stays.
// Failures are ignored.
void ApplyEntryTime(HANDLE file, std::uint32_t dosDateTime);

// True when an entry name stays inside the destination and names a file or folder: not rooted,
// no UNC or drive prefix, no colon, no component made only of dots beyond a single one, no
// reserved device name in any component.
bool IsSafeEntryName(const wchar_t* name);

} // namespace ph
