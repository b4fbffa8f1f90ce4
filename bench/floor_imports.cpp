// A floor beside the two of the side-by-side benchmark, for the profile of the start-up: a
// program with the setup program's resources and its imports (the same system libraries, loaded
// at start) that only starts and ends.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <shlobj.h>

// One function of each library the setup program imports, so that the loader maps them all.
void* volatile g_imports[] = {
    reinterpret_cast<void*>(&::RegOpenKeyExW),       reinterpret_cast<void*>(&::InitCommonControlsEx),
    reinterpret_cast<void*>(&::CreateDCW),           reinterpret_cast<void*>(&::CoInitializeEx),
    reinterpret_cast<void*>(&::SHChangeNotify),      reinterpret_cast<void*>(&::FindWindowW),
};

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    return g_imports[0] != nullptr ? 0 : 1;
}
