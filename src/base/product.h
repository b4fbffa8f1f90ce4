// Names of the installed product that every layer builds paths and commands from.
#pragma once

namespace ph {

// The installed viewer, in the installation folder.
inline constexpr wchar_t kViewerFileName[] = L"ph_tav64.exe";

} // namespace ph
