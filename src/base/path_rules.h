// What a path means to the platform: reserved device names, and folders made absolute against a
// chosen base folder rather than whatever the current directory happens to be.
#pragma once

#include <cstddef>
#include <string>

namespace ph {

// The longest path the platform handles (the current directory may be that long too).
inline constexpr std::size_t kMaxPlatformPathChars = 32767;

// True when one path component (length characters, no separator) names a reserved device: CON,
// PRN, AUX, NUL, CONIN$, CONOUT$, CLOCK$, COM1 to COM9, LPT1 to LPT9, or COM and LPT with a
// superscript 1, 2 or 3, in any letter case, with any extension, and with blanks or dots after
// the name. The platform opens the
// device for such a name in any folder, so it can never name a file or folder of an installation.
bool IsReservedDeviceName(const wchar_t* component, std::size_t length);

// Makes path (a folder or a file) absolute against base (an absolute folder, usually the
// directory the program was started from) and normalises it the way the platform resolves paths
// ('/' becomes '\', "." and ".." components are applied). A relative path is taken inside base, a
// root-relative one ("\apps") on base's drive or share, a drive-relative one ("C:apps") inside base
// when base is on that drive and otherwise as the platform resolves it. Returns true with the
// result in out (outChars characters); false, with out empty, when path is empty, the result does
// not fit or it names a device rather than a file or folder ("\\.\", "\\?\" or a reserved device
// name).
[[nodiscard]] bool MakeAbsolutePath(const wchar_t* path, const wchar_t* base, wchar_t* out, std::size_t outChars);

// An absolute, normalised path in the form the platform accepts beyond its ordinary path limit
// ("\\?\C:\..." or "\\?\UNC\server\share\..."), when it is that long; shorter paths and paths
// already in that form are returned as they are.
std::wstring LongPathForm(const std::wstring& path);

} // namespace ph
