// Existing installation, default folder and installed file version lookups.
#include "engine/existing_install.h"

#include "base/handles.h"
#include "base/product.h"
#include "base/text.h"

#include <windows.h>

#include <cwchar>
#include <memory>
#include <new>

namespace ph {

namespace {

constexpr wchar_t kCurrentVersionKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion";
constexpr auto kFixedDefaultFolder = JoinTexts(L"C:\\", kProductFolderName, L"\\");

// Reads a text value of HKEY_LOCAL_MACHINE of at most 259 characters. False when the key or
// value is missing, is not text or is longer.
bool ReadMachineText(const wchar_t* subKey, const wchar_t* valueName, wchar_t (&text)[kPathChars])
{
    text[0] = L'\0';
    UniqueRegKey key;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) {
        return false;
    }
    DWORD type = 0;
    DWORD bytes = sizeof(text);
    LSTATUS status = ::RegQueryValueExW(key.get(), valueName, nullptr, &type, reinterpret_cast<BYTE*>(text), &bytes);
    std::size_t chars = bytes / sizeof(wchar_t);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) {
        text[0] = L'\0';
        return false;
    }
    // A value stored without its terminator fills the buffer: longer than 259 characters.
    if (chars == kPathChars && text[kPathChars - 1] != L'\0') {
        text[0] = L'\0';
        return false;
    }
    text[chars < kPathChars ? chars : kPathChars - 1] = L'\0';
    return true;
}

} // namespace

int InstallFolderFromOpenCommand(const wchar_t* command, wchar_t* result)
{
    result[0] = L'\0';
    if (command[0] == L'\0' || std::wcsstr(command, kViewerFileName) == nullptr) {
        return 0;
    }
    // The viewer path: from the second character up to the next double quote.
    wchar_t path[kPathChars] = {};
    std::size_t len = 0;
    for (const wchar_t* p = command + 1; *p != L'\0' && *p != L'"' && len + 1 < kPathChars; ++p) {
        path[len++] = *p;
    }
    path[len] = L'\0';

    // Drive and directory as the C runtime's path splitter gives them; the file name is dropped.
    std::size_t folderLen = 0;
    for (std::size_t i = 0; i < len; ++i) {
        if (path[i] == L'\\' || path[i] == L'/') {
            folderLen = i + 1;
        }
    }
    if (folderLen == 0 && len >= 2 && path[1] == L':') {
        folderLen = 2;
    }
    if (folderLen == 0) {
        return 0; // a bare file name names no folder
    }
    path[folderLen] = L'\0';
    if (!AppendBackslashWhole(path)) {
        return 0;
    }
    CopyTextCut(result, kPathChars, path);
    return 1;
}

int FindExistingInstallFolder(wchar_t* result)
{
    result[0] = L'\0';
    wchar_t command[kPathChars] = {};
    ReadMachineText(kProductOpenCommandKey.text, nullptr, command);
    return InstallFolderFromOpenCommand(command, result);
}

int DefaultProgramFilesFolder(wchar_t* result)
{
    CopyTextCut(result, kPathChars, kFixedDefaultFolder.text);
    wchar_t folder[kPathChars] = {};
    // A cut folder would name another place: the fixed default stays then.
    if (ReadMachineText(kCurrentVersionKey, L"ProgramFilesDir", folder) && AppendBackslashWhole(folder)
        && AppendTextWhole(folder, kProductFolderName)) {
        CopyTextCut(result, kPathChars, folder);
    }
    return 1;
}

DefaultInstall DefaultInstallChoice()
{
    DefaultInstall choice;
    choice.existing = FindExistingInstallFolder(choice.folder) == 1;
    if (!choice.existing) {
        DefaultProgramFilesFolder(choice.folder);
        CopyTextCut(choice.iniFolder, kAppDataSettingsFolder);
    }
    return choice;
}

int InstalledFileVersion(const wchar_t* filePath, wchar_t* versionText, wchar_t* companyName)
{
    wchar_t libraryPath[kPathChars] = {};
    UINT len = ::GetSystemDirectoryW(libraryPath, static_cast<UINT>(kPathChars));
    if (len == 0 || len >= kPathChars) {
        return 0;
    }
    if (!AppendBackslashWhole(libraryPath) || !AppendTextWhole(libraryPath, L"version.dll")) {
        return 0;
    }
    UniqueModule library(::LoadLibraryW(libraryPath));
    if (!library) {
        return 0;
    }
    using GetSizeFn = DWORD(WINAPI*)(LPCWSTR, LPDWORD);
    using GetInfoFn = BOOL(WINAPI*)(LPCWSTR, DWORD, DWORD, LPVOID);
    using QueryFn = BOOL(WINAPI*)(LPCVOID, LPCWSTR, LPVOID*, PUINT);
    auto getSize = reinterpret_cast<GetSizeFn>(
        reinterpret_cast<void*>(::GetProcAddress(library.get(), "GetFileVersionInfoSizeW")));
    auto getInfo = reinterpret_cast<GetInfoFn>(
        reinterpret_cast<void*>(::GetProcAddress(library.get(), "GetFileVersionInfoW")));
    auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void*>(::GetProcAddress(library.get(), "VerQueryValueW")));
    if (getSize == nullptr || getInfo == nullptr || query == nullptr) {
        return 0;
    }

    DWORD handle = 0;
    DWORD size = getSize(filePath, &handle);
    if (size == 0) {
        return 0;
    }
    std::unique_ptr<BYTE[]> block(new (std::nothrow) BYTE[2 * static_cast<std::size_t>(size)]());
    if (!block || getInfo(filePath, 0, size, block.get()) == FALSE) {
        return 0;
    }
    void* fixedData = nullptr;
    UINT fixedBytes = 0;
    if (query(block.get(), L"\\", &fixedData, &fixedBytes) == FALSE || fixedData == nullptr
        || fixedBytes < sizeof(VS_FIXEDFILEINFO)) {
        return 0;
    }
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(fixedData);
    std::swprintf(versionText, kVersionTextChars, L"%d.%d%d", static_cast<int>(HIWORD(fixed->dwProductVersionMS)),
                  static_cast<int>(LOWORD(fixed->dwProductVersionMS)),
                  static_cast<int>(HIWORD(fixed->dwFileVersionLS)));

    if (companyName != nullptr) {
        companyName[0] = L'\0';
        void* company = nullptr;
        UINT companyChars = 0;
        if (query(block.get(), L"\\StringFileInfo\\040904E4\\CompanyName", &company, &companyChars) != FALSE
            && company != nullptr) {
            // The value's length bounds the copy: a damaged resource need not hold a terminator
            // inside the block.
            const auto* text = static_cast<const wchar_t*>(company);
            std::size_t chars = 0;
            while (chars < companyChars && chars + 1 < kCompanyNameChars && text[chars] != L'\0') {
                companyName[chars] = text[chars];
                ++chars;
            }
            companyName[chars] = L'\0';
        }
    }
    return 1;
}

} // namespace ph
