// Stand-in uninstaller of the default payload: setup only places it, registers it and links to
// it, so it says what it is and removes nothing.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    ::MessageBoxW(nullptr, L"This stand-in uninstaller of the default payload removes nothing.",
                  L"Uninstall Photavian", MB_OK | MB_ICONINFORMATION);
    return 0;
}
