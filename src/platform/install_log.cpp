// The install log: formatting and appending entries.
#include "platform/install_log.h"

#include "base/handles.h"
#include "base/path_rules.h"
#include "base/text.h"
#include "base/verified_files.h"
#include "platform/probes.h"
#include "platform/start_directory.h"

#include <cstdio>
#include <cwchar>
#include <limits>

namespace ph {

namespace {

constexpr std::size_t kDateChars = 256;
// The line under every entry: 48 hyphens.
constexpr wchar_t kRule[] = L"------------------------------------------------\n";
static_assert(sizeof(kRule) / sizeof(kRule[0]) == 50, "48 hyphens, a line feed and the terminator");

void AppendNarrowed(std::string& out, const wchar_t* text)
{
    for (const wchar_t* p = text; *p != L'\0'; ++p) {
        if (*p == L'\n') {
            out += "\r\n";
        } else if (static_cast<unsigned>(*p) <= 0xFF) {
            out += static_cast<char>(static_cast<unsigned char>(*p));
        } else {
            out += '?';
        }
    }
}

// The log in the directory the installer was started from. A path too long for the platform's
// ordinary path rules gets the long-path prefix; the start directory can be longer than a path
// buffer. Empty when the start directory is unknown: a bare name would land in whatever folder
// is current, which after the extraction is the destination.
std::wstring LogPath()
{
    std::wstring path = StartDirectory();
    if (path.empty()) {
        return path;
    }
    if (path.back() != L'\\') {
        path += L'\\';
    }
    path += kInstallLogName;
    return LongPathForm(path);
}

} // namespace

std::string FormatLogEntry(const wchar_t* date, const SYSTEMTIME& time, const wchar_t* text)
{
    wchar_t clock[16] = {};
    std::swprintf(clock, 16, L"%02u:%02u:%02u", static_cast<unsigned>(time.wHour), static_cast<unsigned>(time.wMinute),
                  static_cast<unsigned>(time.wSecond));
    std::string entry;
    AppendNarrowed(entry, date);
    entry += " - ";
    AppendNarrowed(entry, clock);
    entry += ": ";
    AppendNarrowed(entry, text);
    AppendNarrowed(entry, L"\n");
    AppendNarrowed(entry, kRule);
    return entry;
}

void AppendLogEntry(const wchar_t* text)
{
    SYSTEMTIME now{};
    Seams().localTime(&now);
    wchar_t date[kDateChars] = {};
    if (::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, static_cast<int>(kDateChars)) == 0) {
        date[0] = L'\0';
    }
    std::string entry = FormatLogEntry(date, now, text);

    // The line ends are already CR LF. Other processes may read or write the log meanwhile. The
    // log is opened as exactly the file its path names: a link or a second name planted there
    // (the start folder is often one a user can write to) makes it unopenable, and the entry is
    // dropped rather than appended to whatever the link leads to.
    std::wstring path = LogPath();
    if (path.empty() || entry.size() > std::numeric_limits<DWORD>::max()) {
        return;
    }
    DWORD error = ERROR_SUCCESS;
    UniqueFile log = OpenAsNamed(path.c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, error);
    if (!log) {
        return;
    }
    DWORD written = 0;
    ::WriteFile(log.get(), entry.data(), static_cast<DWORD>(entry.size()), &written, nullptr);
}

} // namespace ph
