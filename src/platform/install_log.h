// The install log "Photavian_Install.log": silent mode's only report. One entry per stopped
// silent start or run, appended, never read back.
#pragma once

#include "base/product.h"

#include <windows.h>

#include <string>

namespace ph {

// Appends one entry to the log in the directory the installer was started from (StartDirectory):
// the date and time line with the text, then the rule of 48 hyphens. An unopenable log drops the
// entry without any report; so does a log that is a link or a file with a second name.
void AppendLogEntry(const wchar_t* text);

// The bytes of one entry: UTF-16 code units up to 0xFF as bytes of the same value, others as '?',
// every line feed as CR LF.
[[nodiscard]] std::string FormatLogEntry(const wchar_t* date, const SYSTEMTIME& time, const wchar_t* text);

} // namespace ph
