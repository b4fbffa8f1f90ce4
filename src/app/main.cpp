// Process entry point of the setup program.
#include "app/the_app.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    static ph::TheApp theApp;
    return theApp.Run();
}
