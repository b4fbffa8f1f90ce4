// The second floor of the side-by-side benchmark: a program with the setup program's resources
// and manifest that only asks the display probe's two questions, as the settings step asks them.
#include "platform/probes.h"

#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    int dpi = ph::Seams().displayDpiX();
    int height = ph::Seams().fullScreenHeight();
    return dpi > 0 && height > 0 ? 0 : 1;
}
