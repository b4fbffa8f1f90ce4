// The commands of the benchmark program, each in its own source file.
#pragma once

#include <windows.h>

#include <string>

namespace ph::bench {

// Seconds on the performance counter since an arbitrary start.
double Now();

// Runs the job file's lines in order and prints one result line per measured process:
//   reset PATH           removed (file or folder tree, %NAME% expanded) before every later run
//   run LABEL COMMAND    COMMAND, exactly this command line, timed
//   memory LABEL COMMAND the same, its peak working set and private bytes sampled (not timed:
//                        the sampling slows the program down)
//   phases LABEL EXE SWITCHES  EXE's "phases" command with the switches, timed, followed by the
//                        phase lines it wrote
// Results: "LABEL total|memory SECONDS PEAK_WORKING_SET_MB PEAK_PRIVATE_MB EXIT_CODE" (memory 0
// when not sampled) and, for phases, "LABEL phase NAME SECONDS". Returns 0 when every job ran.
int RunJobs(const std::wstring& jobFile);

// One silent installation of the payload this program carries, as the setup program's silent
// mode makes it with the switches of this program's command line, step by step under a timer;
// writes "NAME SECONDS" lines to outPath.
int RunPhases(const std::wstring& outPath);

// The registry and shortcut lists of the peer installer's script (registry.nsh, shortcuts.nsh in
// folder), taken from what the registration writes for the default destination and the switches
// of this program's command line.
int WritePeerScript(const std::wstring& folder);

// Synthetic payloads made with a fixed seed: "large" (over 256 MB in a few hundred entries, a
// quarter of them incompressible) or "wide" (entries small files in nested folders).
int WriteSyntheticPayload(const std::wstring& kind, int entries, const std::wstring& zipPath);

} // namespace ph::bench
