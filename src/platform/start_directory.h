// The directory the installer was started from. The extraction makes the destination the current
// directory, so everything that must stay tied to the starting place (the install log, relative
// destinations) asks for this fixed copy instead.
#pragma once

namespace ph {

// Remembers the process's current directory. Start-up calls it before anything can change the
// current directory.
void PinStartDirectory();

// The remembered directory, without a trailing backslash unless it is a drive's root. Pinned at
// the first call when start-up did not pin it. Empty when the current directory cannot be read.
const wchar_t* StartDirectory();

} // namespace ph
