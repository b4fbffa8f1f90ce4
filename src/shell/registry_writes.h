// The registry writes the shell registration makes, each with a type-honest result (true when the
// platform reported success) and each recorded in the verbose log with its key, value and result.
#pragma once

#include "base/handles.h"

#include <windows.h>

namespace ph {

// A key opened or created for named values, with the name it was opened by.
struct ValuesKey {
    UniqueRegKey key;
    HKEY hive = nullptr;
    const wchar_t* path = nullptr;

    explicit operator bool() const { return static_cast<bool>(key); }
};

// Creates the key path with every missing parent and sets its unnamed value (REG_SZ).
bool SetDefaultString(HKEY hive, const wchar_t* subKey, const wchar_t* text);

// Removes a key without subkeys; a key that is not there is no failure.
bool DeleteRegistryKey(HKEY hive, const wchar_t* subKey);

// Creates the key path and closes it again.
bool CreateRegistryKey(HKEY hive, const wchar_t* subKey);

// Opens an existing key, or creates the key path, for the named values that follow; values is
// empty when that failed.
bool OpenValuesKey(ValuesKey& values, HKEY hive, const wchar_t* subKey, REGSAM access);
bool CreateValuesKey(ValuesKey& values, HKEY hive, const wchar_t* subKey);

// A named REG_SZ value, its size counting the terminating NUL; a named REG_DWORD value. Into an
// empty ValuesKey nothing is written: the value is recorded as skipped.
bool SetNamedString(const ValuesKey& values, const wchar_t* name, const wchar_t* text);
bool SetNamedDword(const ValuesKey& values, const wchar_t* name, DWORD number);

} // namespace ph
