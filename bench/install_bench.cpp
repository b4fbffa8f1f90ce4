// The benchmark program, run under Wine by bench/run-bench.sh (never by ctest): times installers
// and floors with their peak memory, the phases of the real setup program's runs from their
// verbose logs, writes the peer installer's generated lists and the synthetic payloads.
//
//   install_bench.exe jobs FILE                      the job file's runs (see RunJobs)
//   install_bench.exe peer-script FOLDER SWITCHES    registry.nsh and shortcuts.nsh for the peer
//   install_bench.exe payload large|wide N ZIP       a synthetic payload
//   install_bench.exe embed PROGRAM ZIP COPY         COPY: PROGRAM carrying ZIP as its payload
//   install_bench.exe read-payload                   reads its own payload where the image holds it
#include "bench.h"

#include "support/test_support.h"

#include "base/handles.h"
#include "base/resources.h"
#include "res/resource.h"

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace ph::bench {

double Now()
{
    static const double frequency = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER now;
    ::QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / frequency;
}

namespace {

using namespace ph::test;

// The children start here, so that a log they write stays out of the way.
constexpr wchar_t kStartFolder[] = L"C:\\ph_bench_start";
// The verbose log of a logged run (no blank and no slash: the switch takes it as it is).
constexpr wchar_t kRunLog[] = L"C:\\ph_bench_start\\bench-run.log";

constexpr double kMb = 1024.0 * 1024.0;

std::wstring Widen(const std::string& text)
{
    int chars = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(chars > 0 ? chars : 0), L'\0');
    if (chars > 0) {
        ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), chars);
    }
    return wide;
}

std::wstring Expand(const std::wstring& text)
{
    wchar_t expanded[4096] = {};
    DWORD chars = ::ExpandEnvironmentStringsW(text.c_str(), expanded, static_cast<DWORD>(std::size(expanded)));
    return chars > 0 && chars <= std::size(expanded) ? std::wstring(expanded) : text;
}

struct Measured {
    double seconds = 0;
    double peakWorkingSetMb = 0;
    double peakPrivateMb = 0;
    DWORD exitCode = 0;
    FILETIME started{}; // local time, as the setup program's log stamps its lines
    FILETIME ended{};
};

FILETIME LocalNow()
{
    FILETIME now{};
    FILETIME local{};
    ::GetSystemTimePreciseAsFileTime(&now);
    ::FileTimeToLocalFileTime(&now, &local);
    return local;
}

// Runs commandLine to its end. With sampleMemory, the peak working set and private bytes are
// sampled every millisecond while it runs: Wine keeps no peak of private bytes (it reports the
// current anonymous memory for both), and the counters of an ended process read as zero. Each
// sample is a request to the wineserver, which the measured program's own requests then wait
// behind: a sampled run is not timed.
bool MeasureProcess(const std::wstring& commandLine, bool sampleMemory, Measured& result)
{
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    result.started = LocalNow();
    double start = Now();
    if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, kStartFolder, &startup, &info)
        == FALSE) {
        return false;
    }
    UniqueKernelHandle process(info.hProcess);
    UniqueKernelHandle thread(info.hThread);
    SIZE_T peakWorkingSet = 0;
    SIZE_T peakPrivate = 0;
    while (::WaitForSingleObject(process.get(), sampleMemory ? 1 : INFINITE) == WAIT_TIMEOUT) {
        PROCESS_MEMORY_COUNTERS now{};
        now.cb = sizeof(now);
        if (::GetProcessMemoryInfo(process.get(), &now, sizeof(now)) != FALSE) {
            peakWorkingSet = std::max(peakWorkingSet, now.PeakWorkingSetSize);
            peakPrivate = std::max(peakPrivate, std::max(now.PagefileUsage, now.PeakPagefileUsage));
        }
    }
    result.seconds = Now() - start;
    result.ended = LocalNow();
    ::GetExitCodeProcess(process.get(), &result.exitCode);
    result.peakWorkingSetMb = static_cast<double>(peakWorkingSet) / kMb;
    result.peakPrivateMb = static_cast<double>(peakPrivate) / kMb;
    return true;
}

void PrintResult(const std::string& label, const char* kind, const Measured& m)
{
    std::printf("%s %s %.6f %.2f %.2f %lu\n", label.c_str(), kind, m.seconds, m.peakWorkingSetMb, m.peakPrivateMb,
                static_cast<unsigned long>(m.exitCode));
}

// "word rest": the first word and what follows its blank.
std::pair<std::string, std::string> SplitWord(const std::string& text)
{
    std::size_t blank = text.find(' ');
    if (blank == std::string::npos) {
        return {text, ""};
    }
    return {text.substr(0, blank), text.substr(blank + 1)};
}

int Embed(const std::wstring& program, const std::wstring& zip, const std::wstring& copy)
{
    std::string archive = ReadFileBytes(zip);
    if (archive.empty() || !CopyProgramWithPayload(program, copy, archive)) {
        std::fprintf(stderr, "embed: could not make the copy\n");
        return 1;
    }
    return 0;
}

// Reads every page of this program's payload resource and nothing else: what the mapped image
// alone costs in private memory under Wine, which fills an image's pages on first access.
int ReadPayload()
{
    ph::ResourceBytes payload = ph::LoadResourceBytes(::GetModuleHandleW(nullptr), IDR_PAYLOAD_ZIP,
                                                      RT_PAYLOAD_ZIP_NAME);
    const auto* data = static_cast<const volatile unsigned char*>(payload.data);
    if (data == nullptr) {
        return 1;
    }
    unsigned sum = 0;
    for (std::size_t i = 0; i < payload.size; i += 4096) {
        sum += data[i];
    }
    return sum == 0xFFFFFFFFu ? 1 : 0;
}

} // namespace

int RunJobs(const std::wstring& jobFile)
{
    ::CreateDirectoryW(kStartFolder, nullptr);
    UniqueStdioFile jobs(::_wfopen(jobFile.c_str(), L"rb"));
    if (!jobs) {
        std::fprintf(stderr, "jobs: cannot read the job file\n");
        return 1;
    }
    std::vector<std::wstring> resets;
    char buffer[8192];
    int status = 0;
    while (std::fgets(buffer, sizeof(buffer), jobs.get()) != nullptr) {
        std::string line(buffer);
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) {
            line.pop_back();
        }
        auto [verb, rest] = SplitWord(line);
        if (verb == "reset") {
            resets.push_back(Expand(Widen(rest)));
            continue;
        }
        if (verb != "run" && verb != "memory" && verb != "logged") {
            continue;
        }
        auto [label, command] = SplitWord(rest);
        for (const std::wstring& path : resets) {
            RemoveTree(path);
        }
        std::wstring commandLine = Widen(command);
        if (verb == "logged") {
            ::DeleteFileW(kRunLog);
            commandLine += std::wstring(L" /log=") + kRunLog;
        }
        Measured measured;
        bool sampled = verb == "memory";
        if (!MeasureProcess(commandLine, sampled, measured)) {
            std::printf("%s failed-to-start\n", label.c_str());
            status = 1;
            continue;
        }
        PrintResult(label, sampled ? "memory" : "total", measured);
        if (verb == "logged") {
            Phases phases;
            if (PhasesFromLog(ReadFileBytes(kRunLog), measured.started, measured.ended, phases)) {
                for (const auto& [name, seconds] : phases) {
                    std::printf("%s phase %s %.6f\n", label.c_str(), name.c_str(), seconds);
                }
            } else {
                std::printf("%s no-log\n", label.c_str());
            }
        }
        std::fflush(stdout);
    }
    return status;
}

} // namespace ph::bench

int main(int argc, char** argv)
{
    using namespace ph::bench;
    std::vector<std::wstring> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(Widen(argv[i]));
    }
    // peer-script takes the installation's switches from the rest of the command line, where the
    // switch parser finds them as it finds them in the setup program's.
    auto is = [&args](std::size_t count, const wchar_t* command) { return args.size() >= count && args[0] == command; };
    if (is(2, L"jobs")) {
        return RunJobs(args[1]);
    }
    if (is(2, L"peer-script")) {
        return WritePeerScript(args[1]);
    }
    if (is(4, L"payload")) {
        return WriteSyntheticPayload(args[1], std::atoi(argv[3]), args[3]);
    }
    if (is(1, L"read-payload")) {
        return ReadPayload();
    }
    if (is(4, L"embed")) {
        return Embed(args[1], args[2], args[3]);
    }
    std::fprintf(stderr,
                 "usage: install_bench.exe jobs FILE | peer-script FOLDER | "
                 "payload large|wide N ZIP | embed PROGRAM ZIP COPY | read-payload\n");
    return 2;
}
