/* Stand-in plug-in library of the default payload: a loadable DLL with a version resource. The
   same code is the icon library (Icons.dll) and, under several names, the other plug-ins. */
#include <windows.h>

/* The plug-in interface revision a host could check before using the library. */
__declspec(dllexport) int WINAPI PluginInterfaceVersion(void)
{
    return 1;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        DisableThreadLibraryCalls(instance);
    }
    return TRUE;
}
