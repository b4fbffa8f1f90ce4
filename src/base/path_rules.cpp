// Reserved device names and absolute folders.
#include "base/path_rules.h"

#include <windows.h>

#include <cwchar>
#include <initializer_list>
#include <memory>
#include <new>

namespace ph {

namespace {

bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

bool IsDriveLetter(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

wchar_t Upper(wchar_t c)
{
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

bool HasDrive(const wchar_t* path)
{
    return IsDriveLetter(path[0]) && path[1] == L':';
}

// The device namespaces: their paths are not folders and skip the platform's path rules.
bool IsDeviceNamespace(const wchar_t* path)
{
    return IsSeparator(path[0]) && IsSeparator(path[1]) && (path[2] == L'.' || path[2] == L'?')
        && IsSeparator(path[3]);
}

// The drive ("C:") or share ("\\server\share") that a root-relative path of base starts from.
std::size_t RootLength(const wchar_t* base)
{
    if (HasDrive(base)) {
        return 2;
    }
    if (!IsSeparator(base[0]) || !IsSeparator(base[1])) {
        return 0;
    }
    // "\\server\share": two separators, the server, one separator, the share.
    std::size_t i = 2;
    for (int part = 0; part < 2; ++part) {
        while (base[i] != L'\0' && !IsSeparator(base[i])) {
            ++i;
        }
        if (part == 0 && base[i] != L'\0') {
            ++i;
        }
    }
    return i;
}

} // namespace

bool IsReservedDeviceName(const wchar_t* component, std::size_t length)
{
    // The name before its first dot, without the blanks the platform drops after it.
    std::size_t nameLength = 0;
    while (nameLength < length && component[nameLength] != L'.') {
        ++nameLength;
    }
    while (nameLength > 0 && component[nameLength - 1] == L' ') {
        --nameLength;
    }
    // The name's first count characters are device's (upper case), in any letter case.
    auto begins = [component, nameLength](const wchar_t* device, std::size_t count) {
        if (nameLength < count) {
            return false;
        }
        for (std::size_t i = 0; i < count; ++i) {
            if (Upper(component[i]) != device[i]) {
                return false;
            }
        }
        return true;
    };
    for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$", L"CLOCK$"}) {
        const std::size_t deviceLength = std::wcslen(device);
        if (nameLength == deviceLength && begins(device, deviceLength)) {
            return true;
        }
    }
    if (nameLength == 4 && (begins(L"COM", 3) || begins(L"LPT", 3))) {
        wchar_t digit = component[3];
        return (digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' || digit == L'\u00B3';
    }
    return false;
}

bool NamesReservedDevice(const wchar_t* path)
{
    const wchar_t* component = path;
    for (;;) {
        const wchar_t* end = component;
        while (*end != L'\0' && !IsSeparator(*end)) {
            ++end;
        }
        if (IsReservedDeviceName(component, static_cast<std::size_t>(end - component))) {
            return true;
        }
        if (*end == L'\0') {
            return false;
        }
        component = end + 1;
    }
}

bool MakeAbsolutePath(const wchar_t* folder, const wchar_t* base, wchar_t* out, std::size_t outChars)
{
    out[0] = L'\0';
    if (folder[0] == L'\0' || outChars == 0) {
        return false;
    }
    const bool rooted = IsSeparator(folder[0]);
    const bool drive = HasDrive(folder);
    const bool driveRelative = drive && !IsSeparator(folder[2]);
    const bool baseOnSameDrive = HasDrive(base) && drive && Upper(base[0]) == Upper(folder[0]);

    // What goes before the folder's text so that the platform resolves it against base, and
    // whether a backslash separates the two.
    std::size_t prefixLength = 0;
    const wchar_t* rest = folder;
    bool separate = false;
    if (!rooted && !drive) {
        prefixLength = std::wcslen(base); // relative: inside base
        separate = true;
    } else if (rooted && !IsSeparator(folder[1])) {
        prefixLength = RootLength(base); // root-relative: on base's drive or share
    } else if (driveRelative && baseOnSameDrive) {
        prefixLength = std::wcslen(base); // "C:apps" with base on C: inside base
        rest = folder + 2;
        separate = true;
    }

    const std::size_t restLength = std::wcslen(rest);
    std::unique_ptr<wchar_t[]> joined(new (std::nothrow) wchar_t[prefixLength + 1 + restLength + 1]);
    if (!joined) {
        return false;
    }
    std::wmemcpy(joined.get(), base, prefixLength);
    std::size_t used = prefixLength;
    if (separate && used > 0 && !IsSeparator(joined[used - 1])) {
        joined[used++] = L'\\';
    }
    std::wmemcpy(joined.get() + used, rest, restLength + 1);

    DWORD length = ::GetFullPathNameW(joined.get(), static_cast<DWORD>(outChars), out, nullptr);
    if (length == 0 || length >= outChars || IsDeviceNamespace(out) || NamesReservedDevice(out)) {
        out[0] = L'\0';
        return false;
    }
    return true;
}

std::wstring LongPathForm(const std::wstring& path)
{
    if (path.size() < MAX_PATH || IsDeviceNamespace(path.c_str())) {
        return path;
    }
    if (HasDrive(path.c_str())) {
        return L"\\\\?\\" + path;
    }
    if (IsSeparator(path[0]) && IsSeparator(path[1])) {
        return L"\\\\?\\UNC\\" + path.substr(2);
    }
    return path;
}

} // namespace ph
