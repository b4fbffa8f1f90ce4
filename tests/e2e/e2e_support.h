// Shared pieces of the end-to-end tests: running the real setup program and reading its log.
#pragma once

#include "app/exit_codes.h"
#include "base/handles.h"
#include "framework/property_sheet.h"
#include "support/registry_plan.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstdlib>
#include <cstring>
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
    if (::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, startFolder.c_str(),
                         &startup, &info)
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

// The log's lines without their time stamps; checks the byte-order mark, the CR LF line ends and
// the stamp of every line.
inline std::vector<std::string> VerboseLogLines(const std::wstring& path)
{
    std::string bytes = ReadFileBytes(path);
    EXPECT_EQ(bytes.compare(0, 3, "\xEF\xBB\xBF"), 0) << "UTF-8 byte-order mark";
    std::vector<std::string> lines;
    std::size_t at = 3;
    while (at < bytes.size()) {
        std::size_t end = bytes.find("\r\n", at);
        EXPECT_NE(end, std::string::npos) << "every line ends in CR LF";
        if (end == std::string::npos) {
            break;
        }
        std::string line = bytes.substr(at, end - at);
        // "2026-12-08 08:04:13.123 "
        EXPECT_TRUE(line.size() > 24 && line[4] == '-' && line[10] == ' ' && line[13] == ':' && line[19] == '.')
            << line;
        lines.push_back(line.size() > 24 ? line.substr(24) : line);
        at = end + 2;
    }
    return lines;
}

inline bool HasLine(const std::vector<std::string>& lines, const std::string& text)
{
    for (const std::string& line : lines) {
        if (line.find(text) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// The small drive of the full-disk cases ("E:\\"), or empty when the tests run without one.
inline std::wstring SmallDriveRoot()
{
    const char* drive = std::getenv("PH_SMALL_DRIVE");
    return drive != nullptr && drive[0] != '\0' ? std::wstring(drive, drive + std::strlen(drive)) + L"\\"
                                                : std::wstring();
}

// Creates empty files in a new folder until the drive takes no more (the small drive has a fixed
// number of files), then removes keep of them again, so that that many files can still be made.
inline void UseUpFilesOf(const std::wstring& folder, int keep = 0)
{
    ASSERT_NE(::CreateDirectoryW(folder.c_str(), nullptr), FALSE);
    int made = 0;
    for (;; ++made) {
        UniqueFile file(::CreateFileW((folder + L"\\" + std::to_wstring(made)).c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file) {
            ASSERT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL)) << "after " << made << " files";
            break;
        }
        ASSERT_LT(made, 100000) << "the drive has no limit on its files: mount it with nr_inodes";
    }
    for (int i = 0; i < keep && i < made; ++i) {
        ::DeleteFileW((folder + L"\\" + std::to_wstring(i)).c_str());
    }
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
