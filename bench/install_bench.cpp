// Measures silent installations of the real setup program: wall time and the peak memory of the
// setup process, for the default payload and for a large synthetic one whose entries are far
// bigger than the copy buffer (the extraction must not hold an entry in memory as a whole).
//
//   install_bench.exe [runs]
#include "support/test_support.h"

#include "base/handles.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace ph::test;

struct Sample {
    double seconds;
    double peakWorkingSetMb;
    double peakPrivateMb;
};

// One silent run into a fresh folder; false when the run failed.
bool RunOnce(const std::wstring& exe, const std::wstring& destination, Sample& sample)
{
    RemoveTree(destination);
    std::wstring line = L"\"" + exe + L"\" /silent /folder=" + destination;
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    if (::CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info) == FALSE) {
        return false;
    }
    ph::UniqueKernelHandle process(info.hProcess);
    ph::UniqueKernelHandle thread(info.hThread);
    // The counters of a process that has ended read as zero: sample them while it runs.
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof(counters);
    while (::WaitForSingleObject(process.get(), 2) == WAIT_TIMEOUT) {
        PROCESS_MEMORY_COUNTERS now{};
        now.cb = sizeof(now);
        if (::GetProcessMemoryInfo(process.get(), &now, sizeof(now)) != FALSE) {
            counters.PeakWorkingSetSize = std::max(counters.PeakWorkingSetSize, now.PeakWorkingSetSize);
            counters.PeakPagefileUsage = std::max(counters.PeakPagefileUsage, now.PeakPagefileUsage);
        }
    }
    ::QueryPerformanceCounter(&end);
    DWORD code = 1;
    ::GetExitCodeProcess(process.get(), &code);
    sample.seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    sample.peakWorkingSetMb = static_cast<double>(counters.PeakWorkingSetSize) / (1024.0 * 1024.0);
    sample.peakPrivateMb = static_cast<double>(counters.PeakPagefileUsage) / (1024.0 * 1024.0);
    return code == 0;
}

void Report(const char* name, std::vector<Sample> samples, double payloadMb)
{
    auto median = [&samples](auto field) {
        std::vector<double> values;
        for (const Sample& s : samples) {
            values.push_back(s.*field);
        }
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    };
    // Wine reads the program image, payload resource included, into private memory: what the
    // installation itself allocates is the private peak beyond the payload.
    double privateMb = median(&Sample::peakPrivateMb);
    std::printf("%-18s payload %6.1f MB  runs %zu  median %6.3f s  peak working set %6.1f MB  "
                "peak private %6.1f MB (%5.1f MB beyond the payload)\n",
                name, payloadMb, samples.size(), median(&Sample::seconds), median(&Sample::peakWorkingSetMb),
                privateMb, privateMb - payloadMb);
}

bool Measure(const char* name, const std::wstring& exe, const std::wstring& destination, int runs, double payloadMb)
{
    std::vector<Sample> samples;
    for (int i = 0; i < runs; ++i) {
        Sample s{};
        if (!RunOnce(exe, destination, s)) {
            std::printf("%s: the installation failed\n", name);
            return false;
        }
        samples.push_back(s);
    }
    Report(name, samples, payloadMb);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    ScratchFolder work(L"bench");

    bool ok = Measure("default payload", SetupExePath(), work / L"default", runs,
                      static_cast<double>(FileSize(SetupExePath())) / (1024.0 * 1024.0));

    // Four entries of 16 MB each of poorly compressible data.
    std::mt19937 random(1974);
    ArchiveBuilder big;
    big.Folder("data/");
    for (int i = 0; i < 4; ++i) {
        std::string data(16u << 20, '\0');
        for (char& c : data) {
            c = static_cast<char>(random() & 0x3F);
        }
        big.File("data/block" + std::to_string(i) + ".bin", data);
    }
    std::string archive = big.Bytes();
    std::wstring bigExe = work / L"setup-big.exe";
    if (archive.empty() || !CopySetupWithPayload(bigExe, archive)) {
        std::printf("could not build the large payload\n");
        return 1;
    }
    ok = Measure("64 MB in 4 entries", bigExe, work / L"big", runs,
                 static_cast<double>(archive.size()) / (1024.0 * 1024.0)) && ok;
    return ok ? 0 : 1;
}
