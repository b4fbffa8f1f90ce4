// The finish actions' launches and waits, recorded instead of performed while the object lives:
// no browser or viewer starts, and no test waits for one.
#pragma once

#include "base/scoped_override.h"
#include "wizard/finish_page.h"

#include <string>
#include <vector>

namespace ph::test {

struct ShellExecuteCall {
    HWND owner;
    std::wstring verb;
    std::wstring file;
    bool parametersNull;
    std::wstring parameters;
    bool directoryNull;
    std::wstring directory;
    int show;
};

class PinnedFinishActions {
public:
    PinnedFinishActions() { Current() = this; }
    ~PinnedFinishActions() { Current() = nullptr; }
    PinnedFinishActions(const PinnedFinishActions&) = delete;
    PinnedFinishActions& operator=(const PinnedFinishActions&) = delete;

    const std::vector<ShellExecuteCall>& Launches() const { return m_launches; }
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
    static PinnedFinishActions*& Current()
    {
        static PinnedFinishActions* current = nullptr;
        return current;
    }
    static HINSTANCE Execute(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                             const wchar_t* directory, int show)
    {
        Current()->m_launches.push_back({owner, verb != nullptr ? verb : L"", file != nullptr ? file : L"",
                                         parameters == nullptr, parameters != nullptr ? parameters : L"",
                                         directory == nullptr, directory != nullptr ? directory : L"", show});
        // Greater than 32: the shell's answer for "started".
        return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(42));
    }
    static void Sleep(DWORD milliseconds) { Current()->m_waits.push_back(milliseconds); }

    ScopedOverride<FinishActionSeams> m_seams{FinishSeams(), FinishActionSeams{Execute, Sleep}};
    std::vector<ShellExecuteCall> m_launches;
    std::vector<DWORD> m_waits;
};

} // namespace ph::test
