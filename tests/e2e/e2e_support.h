// Shared pieces of the end-to-end tests: running the real setup program and reading its log.
#pragma once

#include "app/exit_codes.h"
#include "base/handles.h"
#include "framework/property_sheet.h"
#include "support/registry_plan.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>
#include <vector>

namespace ph::test {

// The log texts as they appear in the file (line feeds written as CR LF).
inline const std::string kInvalidDestination = "Invalid destination directory!";
inline const std::string kCannotCreateDestination =
    "Can't create destination directory!\r\n\r\nPlease check your write permissions and system policies!"
    "\r\n\r\nTry to create the destination folder manually and restart.";
inline const std::string kCannotInstallAllFiles =
    "Can't install all files!\r\n\r\nPlease close all running Photavian instances and check your destination "
    "directory for free space or write protection!\r\n\r\n(the installer should be started in ADMIN mode, use "
    "e.g. right mouse button click on installer)";
inline const std::string kViewerRunning =
    "Warning: Photavian is running!\r\nPlease close all Photavian instances before you install this version!";

// Runs the setup program (or another copy of it) with the given switches, from startFolder.
inline int RunSetup(const std::wstring& switches, const std::wstring& startFolder,
                    const std::wstring& exe = SetupExePath())
{
    return RunProcess(L"\"" + exe + L"\" " + switches, startFolder);
}

// Forgets the product's registration, its uninstall entry and its default folder, so that a test
// sees only what its own runs register.
inline void ForgetProductRegistration()
{
    UnregisterViewer();
    DeleteMachineTree(kUninstallKey);
    RemoveTree(L"C:\\Program Files\\Photavian");
}

// A setup program started without waiting for it.
struct StartedSetup {
    UniqueKernelHandle process;
    UniqueKernelHandle thread; // its first thread
    DWORD processId = 0;
};

inline StartedSetup StartSetup(const std::wstring& switches, const std::wstring& startFolder,
                               const std::wstring& exe = SetupExePath())
{
    std::wstring commandLine = L"\"" + exe + L"\" " + switches;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    StartedSetup started;
    if (::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, startFolder.c_str(), &startup,
                         &info)
        != FALSE) {
        started.process.reset(info.hProcess);
        started.thread.reset(info.hThread);
        started.processId = info.dwProcessId;
    }
    return started;
}

// The exit code of a started setup program; -1 when it did not end in time (it is ended then).
inline int WaitForExit(const StartedSetup& started, DWORD timeoutMs = 60000)
{
    if (!started.process || ::WaitForSingleObject(started.process.get(), timeoutMs) != WAIT_OBJECT_0) {
        if (started.process) {
            ::TerminateProcess(started.process.get(), 99);
        }
        return -1;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(started.process.get(), &code);
    return static_cast<int>(code);
}

// The log entries written into folder, each without its date and time prefix. The prefix is
// checked on the way: "<short date> - HH:MM:SS: ".
inline std::vector<std::string> LogMessages(const std::wstring& folder)
{
    std::vector<std::string> messages;
    for (const std::string& entry : ReadLogEntries(folder + L"\\Photavian_Install.log")) {
        std::size_t dash = entry.find(" - ");
        bool wellFormed = dash != std::string::npos && entry.size() >= dash + 13 && entry[dash + 5] == ':'
            && entry[dash + 8] == ':' && entry.compare(dash + 11, 2, ": ") == 0;
        EXPECT_TRUE(wellFormed) << "log entry without date and time: " << entry;
        messages.push_back(wellFormed ? entry.substr(dash + 13) : entry);
    }
    return messages;
}

// A shell folder of the current user or of all users.
inline std::wstring ShellFolder(int csidl)
{
    wchar_t folder[MAX_PATH] = {};
    ::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder);
    return folder;
}

// A top-level dialog window of process id holding a control with childId; null when none.
inline HWND FindDialogOfProcess(DWORD processId, int childId)
{
    struct Search {
        DWORD processId;
        int childId;
        HWND found;
    } search{processId, childId, nullptr};
    ::EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            DWORD owner = 0;
            ::GetWindowThreadProcessId(window, &owner);
            wchar_t className[16] = {};
            ::GetClassNameW(window, className, 16);
            if (owner != s->processId || std::wstring(className) != L"#32770" || !::IsWindowVisible(window)
                || ::GetDlgItem(window, s->childId) == nullptr) {
                return TRUE;
            }
            s->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

inline HWND WaitForDialogOfProcess(DWORD processId, int childId)
{
    for (int attempt = 0; attempt < 1500; ++attempt) {
        if (HWND found = FindDialogOfProcess(processId, childId)) {
            return found;
        }
        ::Sleep(20);
    }
    return nullptr;
}

// Clicks a button of another process's window without waiting for what the click starts (a
// message box would block a sent click), then posts a harmless message: a modal loop notices
// that it should end only when a message arrives.
inline void ClickInOtherProcess(HWND dialog, int buttonId)
{
    ::PostMessageW(::GetDlgItem(dialog, buttonId), BM_CLICK, 0, 0);
    ::PostMessageW(dialog, WM_NULL, 0, 0);
}

} // namespace ph::test
