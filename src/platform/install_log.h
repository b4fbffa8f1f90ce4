// The install log "Photavian_Install.log": silent mode's only report. One entry per stopped
// silent start or run, appended, never read back.
#pragma once

#include <windows.h>

#include <string>

namespace ph {

inline constexpr wchar_t kInstallLogName[] = L"Photavian_Install.log";

// Fixes the folder the log lives in to the process's current directory at this moment. Start-up
// calls it before anything changes the current directory (the extraction enters the destination
// folder), so every entry lands in the directory the installer was started from. Without it the
// log is opened by its bare name.
void PinInstallLogFolder();

// Appends one entry: the date and time line with the text, then the rule of 48 hyphens. An
// unopenable log drops the entry without any report.
void AppendLogEntry(const wchar_t* text);

// The bytes of one entry: UTF-16 code units up to 0xFF as bytes of the same value, others as '?',
// every line feed as CR LF.
std::string FormatLogEntry(const wchar_t* date, const SYSTEMTIME& time, const wchar_t* text);

} // namespace ph
