// The application object: the process's start-up hook and its exit code.
#pragma once

#include <windows.h>

namespace ph {

class CWinApp {
public:
    CWinApp() = default;
    virtual ~CWinApp() = default;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;

    // Start-up hook: does the application's work and returns FALSE, as the framework's contract
    // asks of an application without a message loop of its own. The process then ends with the
    // exit code the application set.
    virtual BOOL InitInstance() = 0;

    // Runs the application from the process entry point and returns the process exit code.
    int Run();

protected:
    int m_nExitCode = 0;
};

} // namespace ph
