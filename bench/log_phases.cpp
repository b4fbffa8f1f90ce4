// The phases of one run of the real setup program, read from its verbose log ("/log="): the time
// stamps of the lines that begin the run's steps, between the moment the benchmark started the
// process and the moment the process ended. The program is timed as it ships; nothing of it is
// copied here.
#include "bench.h"

#include <cstdio>
#include <cstring>
#include <iterator>

namespace ph::bench {

namespace {

// A phase begins at the first line after the previous phase's mark that is its mark (exact) or
// begins with it. A mark that a log lacks (another build's, or a step that the switches leave out)
// merges its phase into the one before. The marks after "step: registration" follow the
// registration's own order: shortcuts, registry values, the notification of changed associations.
struct PhaseMark {
    const char* phase;
    const char* line; // null: the log's first line
    bool exact;
};
constexpr PhaseMark kMarks[] = {
    {"options", nullptr, false},              // start-up done, the log open
    {"icon-library", "destination: ", false}, // the destination created
    {"extraction", "step: extraction", true},
    {"settings", "step: settings", true},
    {"shortcuts", "step: registration", true},
    {"registry", "registry: ", false},                              // the plan and the catalogue
    {"notification", "associations: Windows version class", false}, // store marks, the shell told
    {"settings-utf16", "step: settings conversion", true},
    {"shut-down", "result: ", false}, // to the process's end
};

// The first phase, from the process's creation to the log's first line.
constexpr char kStartUp[] = "start-up";

// "2026-12-09 05:03:26.334 " before every line's text.
constexpr std::size_t kStampChars = 24;

long long Ticks(const FILETIME& time)
{
    return static_cast<long long>((static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

// The local time of a line's stamp as file-time ticks; false when the line has no stamp.
bool StampTicks(const std::string& line, long long& ticks)
{
    SYSTEMTIME stamp{};
    if (line.size() < kStampChars
        || std::sscanf(line.c_str(), "%4hu-%2hu-%2hu %2hu:%2hu:%2hu.%3hu", &stamp.wYear, &stamp.wMonth, &stamp.wDay,
                       &stamp.wHour, &stamp.wMinute, &stamp.wSecond, &stamp.wMilliseconds)
            != 7) {
        return false;
    }
    FILETIME time{};
    if (::SystemTimeToFileTime(&stamp, &time) == FALSE) {
        return false;
    }
    ticks = Ticks(time);
    return true;
}

bool IsMark(const PhaseMark& mark, const std::string& text)
{
    if (mark.line == nullptr) {
        return true;
    }
    return mark.exact ? text == mark.line : text.compare(0, std::strlen(mark.line), mark.line) == 0;
}

} // namespace

bool PhasesFromLog(const std::string& log, const FILETIME& started, const FILETIME& ended, Phases& phases)
{
    phases.clear();
    std::size_t at = log.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    std::size_t next = 0; // the next mark to look for
    long long begin = Ticks(started);
    const char* phase = kStartUp;
    while (at < log.size() && next < std::size(kMarks)) {
        std::size_t end = log.find('\n', at);
        std::string line = log.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? log.size() : end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        long long ticks = 0;
        if (!StampTicks(line, ticks)) {
            continue;
        }
        const std::string text = line.substr(kStampChars);
        for (std::size_t m = next; m < std::size(kMarks); ++m) {
            if (IsMark(kMarks[m], text)) {
                phases.emplace_back(phase, static_cast<double>(ticks - begin) / 1e7);
                begin = ticks;
                phase = kMarks[m].phase;
                next = m + 1;
                break;
            }
        }
    }
    if (phases.empty()) {
        return false;
    }
    phases.emplace_back(phase, static_cast<double>(Ticks(ended) - begin) / 1e7);
    return true;
}

} // namespace ph::bench
