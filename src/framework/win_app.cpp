// The application object's run from the entry point.
#include "framework/win_app.h"

namespace ph {

int CWinApp::Run()
{
    // The setup program does all of its work in InitInstance, inside the wizard's modal loop or
    // the silent run; it has no message loop of its own, so the hook's answer ends the process
    // either way.
    InitInstance();
    return m_nExitCode;
}

} // namespace ph
