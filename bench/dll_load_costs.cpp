// The start-up profile: how long loading each system library the setup program imports takes in a
// fresh process (one that imports none of them). Each figure is what that library adds to the
// ones loaded before it: the window and graphics libraries first, which every program with a
// window needs, then what only the setup program's other work needs, the common controls last.
//
//   dll_load_costs.exe      prints "load-NAME SECONDS" lines
#include <windows.h>

#include <cstdio>

int main()
{
    const wchar_t* const libraries[] = {L"advapi32.dll", L"user32.dll", L"gdi32.dll", L"ole32.dll",
                                        L"shell32.dll", L"comctl32.dll"};
    LARGE_INTEGER frequency;
    ::QueryPerformanceFrequency(&frequency);
    for (const wchar_t* library : libraries) {
        LARGE_INTEGER start;
        LARGE_INTEGER end;
        ::QueryPerformanceCounter(&start);
        HMODULE module = ::LoadLibraryW(library);
        ::QueryPerformanceCounter(&end);
        std::printf("load-%ls %.6f%s\n", library,
                    static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart),
                    module != nullptr ? "" : " (not loaded)");
    }
    return 0;
}
