// The command line of a silent installation: "/silent" and the switches that fill the choices.
#pragma once

#include "engine/install_options.h"

#include <cstddef>

namespace ph {

// A switch's value reaches at most this many characters past the start of its name.
inline constexpr std::size_t kSwitchWindowChars = 260;
// Buffer for the text of one numeric switch value.
inline constexpr std::size_t kNumericValueChars = 264;

// True when "/silent" occurs anywhere in the command line (case-sensitive; "/silentX" counts).
bool HasSilentSwitch(const wchar_t* commandLine);

// True when an argument after the program's own path is "/?" or "/help" (any letter case).
bool HasHelpSwitch(const wchar_t* commandLine);

// The file that "/log=" names, read with the rules of a "/folder=" value and made absolute against
// base (the start directory). False, with path empty, when there is no such switch or its value is
// empty, too long or names a device.
bool FindLogSwitch(const wchar_t* commandLine, const wchar_t* base, wchar_t (&path)[kWorkPathChars]);

// Finds the first occurrence of name (case-sensitive, anywhere) and copies its value: the
// characters after the name up to the first '/', the end of the text, or the end of the window
// of 260 characters from the start of the name. Blanks do not end a value. Returns false when
// the switch is absent (value then empty). value holds valueChars characters and is cut to fit.
bool FindSwitchValue(const wchar_t* commandLine, const wchar_t* name, wchar_t* value, std::size_t valueChars);

// A switch value as a decimal integer: leading white space skipped, an optional sign, digits up
// to the first non-digit; 0 without digits. Values beyond the int range stop at its limits.
int ReadSwitchInteger(const wchar_t* text);

// Removes trailing blanks, one closing and one opening double quote, then trailing blanks again.
// Leading blanks stay.
void StripQuotesAndBlanks(wchar_t* text);

// Applies the switches of the command line (cut to its first 519 characters) to options, whose
// destination and settings folder already hold their defaults. A "/folder=" value that the cut
// changes or hides leaves the destination empty: it would name a folder the caller did not give.
void ApplySilentSwitches(const wchar_t* commandLine, InstallOptions& options);

} // namespace ph
