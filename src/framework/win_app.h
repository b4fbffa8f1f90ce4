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

    // Start-up hook: does the application's work. Returning FALSE ends the process without a
    // message loop of the application's own, with the exit code set by the application.
    virtual BOOL InitInstance() = 0;

    // Runs the application from the process entry point and returns the process exit code.
    int Run(HINSTANCE instance);

    HINSTANCE m_hInstance = nullptr;

protected:
    int m_nExitCode = 0;
};

} // namespace ph
