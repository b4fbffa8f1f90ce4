// Reserved device names and absolute folders.
#include "base/path_rules.h"

#include "base/text.h"

#include <windows.h>

#include <cwchar>
#include <initializer_list>
#include <memory>
#include <new>

namespace ph {

namespace {

bool IsDriveLetter(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

bool HasDrive(const wchar_t* path)
{
    return IsDriveLetter(path[0]) && path[1] == L':';
}

// The device namespaces: their paths are not folders and skip the platform's path rules.
bool IsDeviceNamespace(const wchar_t* path)
{
    return IsPathSeparator(path[0]) && IsPathSeparator(path[1]) && (path[2] == L'.' || path[2] == L'?')
        && IsPathSeparator(path[3]);
}

// The drive ("C:") or share ("\\server\share") that a root-relative path of base starts from.
std::size_t RootLength(const wchar_t* base)
{
    if (HasDrive(base)) {
        return 2;
    }
    if (!IsPathSeparator(base[0]) || !IsPathSeparator(base[1])) {
        return 0;
    }
    // "\\server\share": two separators, the server, one separator, the share.
    std::size_t i = 2;
    for (int part = 0; part < 2; ++part) {
        while (base[i] != L'\0' && !IsPathSeparator(base[i])) {
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
    nameLength = LengthWithoutTrailingBlanks(component, nameLength);
    // The name's first count characters are device's (upper case), in any letter case.
    auto begins = [component, nameLength](const wchar_t* device, std::size_t count) {
        if (nameLength < count) {
            return false;
        }
        for (std::size_t i = 0; i < count; ++i) {
            if (AsciiUpper(component[i]) != device[i]) {
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

namespace {

// True when any component of path (separated by '\' or '/') names a reserved device.
bool NamesReservedDevice(const wchar_t* path)
{
    return !ForEachPathComponent(path, [](const wchar_t* component, std::size_t length) {
        return !IsReservedDeviceName(component, length);
    });
}

} // namespace

bool MakeAbsolutePath(const wchar_t* folder, const wchar_t* base, wchar_t* out, std::size_t outChars)
{
    out[0] = L'\0';
    if (folder[0] == L'\0' || outChars == 0) {
        return false;
    }
    const bool rooted = IsPathSeparator(folder[0]);
    const bool drive = HasDrive(folder);
    const bool driveRelative = drive && !IsPathSeparator(folder[2]);
    const bool baseOnSameDrive = HasDrive(base) && drive && AsciiUpper(base[0]) == AsciiUpper(folder[0]);

    // What goes before the folder's text so that the platform resolves it against base, and
    // whether a backslash separates the two.
    std::size_t prefixLength = 0;
    const wchar_t* rest = folder;
    bool separate = false;
    if (!rooted && !drive) {
        prefixLength = std::wcslen(base); // relative: inside base
        separate = true;
    } else if (rooted && !IsPathSeparator(folder[1])) {
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
    if (separate && used > 0 && !IsPathSeparator(joined[used - 1])) {
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
    if (IsPathSeparator(path[0]) && IsPathSeparator(path[1])) {
        return L"\\\\?\\UNC\\" + path.substr(2);
    }
    return path;
}

} // namespace ph
