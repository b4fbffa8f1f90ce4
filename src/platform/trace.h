// The verbose log of a silent run, written only when "/log=" names a file: every step, file,
// registry write and shortcut with its result, and every failure the run otherwise keeps to
// itself, with the system's error code and text. UTF-8 with a byte-order mark, CR LF, one line per
// event, each starting with the local date and time. While no log is open every function here
// returns at once, so a run without "/log=" writes nothing and does no extra work.
#pragma once

#include <windows.h>

namespace ph {

// Opens the log at path for appending; a new or empty file starts with the byte-order mark.
// False when the file cannot be opened, or is a link or a file with a second name (the run runs
// elevated: its log must not be carried to another file): the run then goes on without it.
bool OpenTrace(const wchar_t* path);
void CloseTrace();

// True while a log is open: callers that would prepare text only for the log ask first.
bool Tracing();

// One line: the text made from format (swprintf rules) and its arguments.
void Trace(const wchar_t* format, ...);

// One line that ends with the error: ": error N: <the system's message for N>".
void TraceError(DWORD error, const wchar_t* format, ...);

// What the last line counts.
enum class TraceCounter { Files, Values, Shortcuts };
void CountTraced(TraceCounter counter);
unsigned TracedCount(TraceCounter counter);

// "HKLM", "HKCU", "HKCR" or "HK?" for the predefined keys the program writes under.
const wchar_t* HiveName(HKEY hive);

} // namespace ph
