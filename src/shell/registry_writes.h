// The three kinds of registry write the shell registration makes, each with a type-honest
// result: true when the platform reported success.
#pragma once

#include <windows.h>

#include <cwchar>

namespace ph {

// Creates the key path with every missing parent and sets its unnamed value (REG_SZ).
inline bool SetDefaultString(HKEY hive, const wchar_t* subKey, const wchar_t* text)
{
    DWORD bytes = static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t));
    return ::RegSetValueW(hive, subKey, REG_SZ, text, bytes) == ERROR_SUCCESS;
}

// A named REG_SZ value; its size counts the terminating NUL.
inline bool SetNamedString(HKEY key, const wchar_t* name, const wchar_t* text)
{
    DWORD bytes = static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t));
    return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes) == ERROR_SUCCESS;
}

inline bool SetNamedDword(HKEY key, const wchar_t* name, DWORD number)
{
    return ::RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof(number))
        == ERROR_SUCCESS;
}

} // namespace ph
