// The first floor of the side-by-side benchmark: a program with the setup program's resources
// and manifest that only starts and ends.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    return 0;
}
