// The application object's run from the entry point.
#include "framework/win_app.h"

namespace ph {

int CWinApp::Run(HINSTANCE instance)
{
    m_hInstance = instance;
    if (InitInstance() != FALSE) {
        // The setup program does all of its work in InitInstance; an application that wanted a
        // message loop of its own would run it here.
        MSG msg;
        while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
            ::TranslateMessage(&msg);
            ::DispatchMessageW(&msg);
        }
    }
    return m_nExitCode;
}

} // namespace ph
