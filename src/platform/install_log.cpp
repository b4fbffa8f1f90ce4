// The install log: formatting and appending entries.
#include "platform/install_log.h"

#include "platform/probes.h"
#include "base/handles.h"
#include "base/text.h"

#include <cstdio>
#include <cwchar>

namespace ph {

namespace {

constexpr std::size_t kDateChars = 256;
// The line under every entry: 48 hyphens.
constexpr wchar_t kRule[] = L"------------------------------------------------\n";
static_assert(sizeof(kRule) / sizeof(kRule[0]) == 50, "48 hyphens, a line feed and the terminator");

wchar_t g_logPath[kPathChars] = {};

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

} // namespace

void PinInstallLogFolder()
{
    wchar_t folder[kPathChars] = {};
    DWORD len = ::GetCurrentDirectoryW(static_cast<DWORD>(kPathChars), folder);
    g_logPath[0] = L'\0';
    if (len == 0 || len >= kPathChars) {
        return; // keep the bare name
    }
    if (!EndsWithBackslash(folder) && !AppendTextWhole(folder, L"\\")) {
        return;
    }
    if (!AppendTextWhole(folder, kInstallLogName)) {
        return;
    }
    CopyTextWhole(g_logPath, folder);
}

std::string FormatLogEntry(const wchar_t* date, const SYSTEMTIME& time, const wchar_t* text)
{
    wchar_t clock[16] = {};
    std::swprintf(clock, 16, L"%02u:%02u:%02u", static_cast<unsigned>(time.wHour),
                  static_cast<unsigned>(time.wMinute), static_cast<unsigned>(time.wSecond));
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
    if (::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date,
                         static_cast<int>(kDateChars)) == 0) {
        date[0] = L'\0';
    }
    std::string entry = FormatLogEntry(date, now, text);

    // Binary append: the line ends are already CR LF. The C runtime opens without any sharing
    // restriction, so other processes may read or write the log meanwhile.
    const wchar_t* path = g_logPath[0] != L'\0' ? g_logPath : kInstallLogName;
    UniqueStdioFile log(::_wfopen(path, L"ab"));
    if (!log) {
        return;
    }
    std::fwrite(entry.data(), 1, entry.size(), log.get());
}

} // namespace ph
