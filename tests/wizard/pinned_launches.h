// Launches recorded instead of performed while the object lives, with the process taken for
// elevated or not as the test says: no browser or viewer starts. The finish actions' waits are
// recorded too, so that no test waits for a viewer.
#pragma once

#include "base/scoped_override.h"
#include "platform/launch.h"
#include "platform/probes.h"

#include <string>
#include <utility>
#include <vector>

namespace ph::test {

struct LaunchCall {
    LaunchRoute route;
    HWND owner;
    std::wstring verb;
    std::wstring file;
    bool parametersNull;
    std::wstring parameters;
    bool directoryNull;
    std::wstring directory;
    int show;
};

// Greater than 32: what a route answers for "started".
inline constexpr UINT_PTR kPinnedStarted = 42;

class PinnedLaunches {
public:
    // elevated: what the process is taken for (the launch route follows from it).
    explicit PinnedLaunches(bool elevated = true) : m_elevated(elevated), m_previous(Current()) { Current() = this; }
    // An object made inside another's lifetime hands the seams back to it.
    ~PinnedLaunches() { Current() = m_previous; }
    PinnedLaunches(const PinnedLaunches&) = delete;
    PinnedLaunches& operator=(const PinnedLaunches&) = delete;

    void Elevated(bool elevated) { m_elevated = elevated; }
    // The status of every launch from now on ...
    void Answer(UINT_PTR status) { m_answer = status; }
    // ... except the launches of file.
    void AnswerFor(const std::wstring& file, UINT_PTR status) { m_answers.emplace_back(file, status); }

    const std::vector<LaunchCall>& Launches() const { return m_launches; }

private:
    static PinnedLaunches*& Current()
    {
        static PinnedLaunches* current = nullptr;
        return current;
    }
    static bool IsElevated() { return Current()->m_elevated; }
    static UINT_PTR Record(LaunchRoute route, const LaunchRequest& request)
    {
        PinnedLaunches* self = Current();
        self->m_launches.push_back({route, request.owner, request.verb != nullptr ? request.verb : L"",
                                    request.file != nullptr ? request.file : L"", request.parameters == nullptr,
                                    request.parameters != nullptr ? request.parameters : L"",
                                    request.directory == nullptr,
                                    request.directory != nullptr ? request.directory : L"", request.show});
        // The latest answer for the file counts.
        for (auto answer = self->m_answers.rbegin(); answer != self->m_answers.rend(); ++answer) {
            if (answer->first == self->m_launches.back().file) {
                return answer->second;
            }
        }
        return self->m_answer;
    }

    bool m_elevated;
    PinnedLaunches* m_previous;
    UINT_PTR m_answer = kPinnedStarted;
    std::vector<std::pair<std::wstring, UINT_PTR>> m_answers;
    std::vector<LaunchCall> m_launches;
    ScopedOverride<LaunchFunction> m_launch{LaunchSeam(), Record};
    ScopedOverride<decltype(PlatformSeams::isElevated)> m_elevation{Seams().isElevated, IsElevated};
};

// The finish actions' launches and waits.
class PinnedFinishActions : public PinnedLaunches {
public:
    explicit PinnedFinishActions(bool elevated = true) : PinnedLaunches(elevated), m_previousWaits(CurrentWaits())
    {
        CurrentWaits() = &m_waits;
    }
    ~PinnedFinishActions() { CurrentWaits() = m_previousWaits; }

    const std::vector<DWORD>& Waits() const { return m_waits; }
    DWORD TotalWaitMs() const
    {
        DWORD total = 0;
        for (DWORD wait : m_waits) {
            total += wait;
        }
        return total;
    }

private:
    static std::vector<DWORD>*& CurrentWaits()
    {
        static std::vector<DWORD>* waits = nullptr;
        return waits;
    }
    static void Sleep(DWORD milliseconds) { CurrentWaits()->push_back(milliseconds); }

    std::vector<DWORD>* m_previousWaits;
    std::vector<DWORD> m_waits;
    ScopedOverride<decltype(PlatformSeams::sleep)> m_sleep{Seams().sleep, Sleep};
};

} // namespace ph::test
