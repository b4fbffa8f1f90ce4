// The start-up profile: what loading the system libraries that a program imports costs, each in a
// fresh process of its own (with whatever it depends on, so the figures overlap), and all of them
// together in one fresh process, in the program's import order. The list is read from the
// program's own import table, so that it follows the setup program as it is built.
//
//   dll_load_costs.exe PROGRAM       prints "load-NAME SECONDS" lines and "load-all SECONDS"
//   dll_load_costs.exe --load NAME... (a child) loads the libraries; its exit code is the
//                                    microseconds that took, or kNotLoaded
#include "base/handles.h"

#include <windows.h>

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

constexpr DWORD kNotLoaded = 0xFFFFFFFF;

// The contents of a file; empty when unreadable.
std::vector<unsigned char> ReadFile(const wchar_t* path)
{
    std::vector<unsigned char> bytes;
    ph::UniqueStdioFile file(::_wfopen(path, L"rb"));
    if (!file) {
        return bytes;
    }
    unsigned char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof(buffer), file.get())) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    return bytes;
}

// The names of the libraries a 64-bit program imports, in its import table's order; empty when the
// file is no such program.
std::vector<std::wstring> ImportedLibraries(const wchar_t* program)
{
    std::vector<std::wstring> names;
    const std::vector<unsigned char> image = ReadFile(program);
    auto fits = [&image](std::size_t offset, std::size_t size) {
        return offset <= image.size() && size <= image.size() - offset;
    };
    IMAGE_DOS_HEADER dos;
    IMAGE_NT_HEADERS64 nt;
    if (!fits(0, sizeof(dos))) {
        return names;
    }
    std::memcpy(&dos, image.data(), sizeof(dos));
    const auto ntOffset = static_cast<std::size_t>(dos.e_lfanew);
    if (dos.e_magic != IMAGE_DOS_SIGNATURE || !fits(ntOffset, sizeof(nt))) {
        return names;
    }
    std::memcpy(&nt, image.data() + ntOffset, sizeof(nt));
    if (nt.Signature != IMAGE_NT_SIGNATURE || nt.OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
        return names;
    }
    // A relative virtual address as an offset into the file, through the section that holds it.
    const std::size_t sections = ntOffset + offsetof(IMAGE_NT_HEADERS64, OptionalHeader)
        + nt.FileHeader.SizeOfOptionalHeader;
    auto fileOffset = [&](DWORD rva, std::size_t& offset) {
        for (WORD i = 0; i < nt.FileHeader.NumberOfSections; ++i) {
            IMAGE_SECTION_HEADER section;
            if (!fits(sections + i * sizeof(section), sizeof(section))) {
                return false;
            }
            std::memcpy(&section, image.data() + sections + i * sizeof(section), sizeof(section));
            if (rva >= section.VirtualAddress && rva < section.VirtualAddress + section.SizeOfRawData) {
                offset = section.PointerToRawData + (rva - section.VirtualAddress);
                return true;
            }
        }
        return false;
    };
    const IMAGE_DATA_DIRECTORY& imports = nt.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    std::size_t at = 0;
    if (imports.VirtualAddress == 0 || !fileOffset(imports.VirtualAddress, at)) {
        return names;
    }
    for (;; at += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR descriptor;
        std::size_t nameAt = 0;
        if (!fits(at, sizeof(descriptor))) {
            break;
        }
        std::memcpy(&descriptor, image.data() + at, sizeof(descriptor));
        if (descriptor.Name == 0 || !fileOffset(descriptor.Name, nameAt)) {
            break;
        }
        std::wstring name;
        for (std::size_t i = nameAt; i < image.size() && image[i] != 0; ++i) {
            name += static_cast<wchar_t>(image[i] >= 'A' && image[i] <= 'Z' ? image[i] - 'A' + 'a' : image[i]);
        }
        names.push_back(name);
    }
    return names;
}

// Starts this program with "--load" and the libraries and returns the seconds the child took to
// load them; a negative number when it could not.
double LoadInFreshProcess(const std::vector<std::wstring>& libraries)
{
    wchar_t self[MAX_PATH] = {};
    ::GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring line = L"\"" + std::wstring(self) + L"\" --load";
    for (const std::wstring& library : libraries) {
        line += L" " + library;
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)
        == FALSE) {
        return -1;
    }
    ph::UniqueKernelHandle process(info.hProcess);
    ph::UniqueKernelHandle thread(info.hThread);
    DWORD code = kNotLoaded;
    if (::WaitForSingleObject(process.get(), 60000) == WAIT_OBJECT_0) {
        ::GetExitCodeProcess(process.get(), &code);
    }
    return code == kNotLoaded ? -1 : static_cast<double>(code) / 1e6;
}

int LoadAndTime(int count, wchar_t** libraries)
{
    LARGE_INTEGER frequency;
    LARGE_INTEGER start;
    LARGE_INTEGER end;
    ::QueryPerformanceFrequency(&frequency);
    ::QueryPerformanceCounter(&start);
    for (int i = 0; i < count; ++i) {
        if (::LoadLibraryW(libraries[i]) == nullptr) {
            return static_cast<int>(kNotLoaded);
        }
    }
    ::QueryPerformanceCounter(&end);
    return static_cast<int>((end.QuadPart - start.QuadPart) * 1000000 / frequency.QuadPart);
}

void Print(const std::wstring& name, double seconds)
{
    if (seconds < 0) {
        std::printf("load-%ls failed\n", name.c_str());
    } else {
        std::printf("load-%ls %.6f\n", name.c_str(), seconds);
    }
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc >= 2 && std::wcscmp(argv[1], L"--load") == 0) {
        return LoadAndTime(argc - 2, argv + 2);
    }
    if (argc != 2) {
        std::fprintf(stderr, "usage: dll_load_costs.exe PROGRAM\n");
        return 2;
    }
    // What every process has loaded before its first line (this program imports no more than
    // that and its C runtime) costs the setup program nothing of its own.
    std::vector<std::wstring> libraries;
    for (const std::wstring& name : ImportedLibraries(argv[1])) {
        if (::GetModuleHandleW(name.c_str()) == nullptr) {
            libraries.push_back(name);
        }
    }
    if (libraries.empty()) {
        std::fprintf(stderr, "dll_load_costs: no libraries to load from %ls\n", argv[1]);
        return 1;
    }
    for (const std::wstring& library : libraries) {
        Print(library, LoadInFreshProcess({library}));
    }
    Print(L"all", LoadInFreshProcess(libraries));
    std::fflush(stdout);
    return 0;
}
