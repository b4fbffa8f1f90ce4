// The commands of the benchmark program, each in its own source file.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace ph::bench {

// Seconds on the performance counter since an arbitrary start.
double Now();

// Runs the job file's lines in order and prints one result line per measured process:
//   reset PATH           removed (file or folder tree, %NAME% expanded) before every later run
//   run LABEL COMMAND    COMMAND, exactly this command line, timed
//   logged LABEL COMMAND a setup program's COMMAND with "/log=" added, timed, followed by the
//                        phases read from its verbose log (see PhasesFromLog)
//   memory LABEL COMMAND the same as run, its peak working set and private bytes sampled (not
//                        timed: the sampling slows the program down)
// Results: "LABEL total|memory SECONDS PEAK_WORKING_SET_MB PEAK_PRIVATE_MB EXIT_CODE" (memory 0
// when not sampled) and, for logged runs, "LABEL phase NAME SECONDS" per phase, or "LABEL no-log"
// when the log held no phase. Returns 0 when every job ran.
int RunJobs(const std::wstring& jobFile);

// The phases of one run in their order, each with its seconds.
using Phases = std::vector<std::pair<std::string, double>>;

// The phases of a setup program's run from its verbose log (UTF-8, one time-stamped line per
// event), between started and ended (local file times: the moment the process was started and
// the moment it had ended): "start-up" to the log's first line, then one phase per step of the run
// whose line the log holds, the last ("shut-down") from the result line to ended. Their seconds
// add up to the whole run. False when the log holds no time-stamped line.
bool PhasesFromLog(const std::string& log, const FILETIME& started, const FILETIME& ended, Phases& phases);

// The registry and shortcut lists of the peer installer's script (registry.nsh, shortcuts.nsh in
// folder), taken from what the registration writes for the default destination and the switches
// of this program's command line.
int WritePeerScript(const std::wstring& folder);

// Synthetic payloads made with a fixed seed: "large" (over 256 MB in a few hundred entries, a
// quarter of them incompressible) or "wide" (entries small files in nested folders).
int WriteSyntheticPayload(const std::wstring& kind, int entries, const std::wstring& zipPath);

} // namespace ph::bench
