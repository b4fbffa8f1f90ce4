// Shared pieces of the end-to-end tests: running the real setup program and reading its log.
#pragma once

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <shlobj.h>

#include <string>
#include <vector>

namespace ph::test {

inline constexpr wchar_t kProductClassKey[] = L"SOFTWARE\\Classes\\Photavian";
inline constexpr wchar_t kOpenCommandKey[] = L"SOFTWARE\\Classes\\Photavian\\shell\\open\\command";
inline constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Photavian64";

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

} // namespace ph::test
