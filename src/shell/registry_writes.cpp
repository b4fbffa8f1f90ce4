// Registry writes with their results recorded in the verbose log.
#include "shell/registry_writes.h"

#include "platform/trace.h"

#include <cwchar>
#include <iterator>

namespace ph {

namespace {

bool Traced(LSTATUS status, const wchar_t* what, HKEY hive, const wchar_t* key, const wchar_t* name,
            const wchar_t* shown)
{
    const wchar_t* separator = name[0] != L'\0' ? L"\\" : L"";
    if (status == ERROR_SUCCESS) {
        Trace(L"registry: %ls %ls\\%ls%ls%ls%ls: ok", what, HiveName(hive), key, separator, name, shown);
        if (name[0] != L'\0' || shown[0] != L'\0') {
            CountTraced(TraceCounter::Values);
        }
        return true;
    }
    TraceError(static_cast<DWORD>(status), L"registry: %ls %ls\\%ls%ls%ls%ls failed", what, HiveName(hive), key,
               separator, name, shown);
    return false;
}

// " = "text"" for the log, or nothing while no log is open.
struct Shown {
    wchar_t text[1024];
    explicit Shown(const wchar_t* value)
    {
        text[0] = L'\0';
        if (Tracing()) {
            std::swprintf(text, std::size(text), L" = \"%ls\"", value);
        }
    }
};

} // namespace

bool SetDefaultString(HKEY hive, const wchar_t* subKey, const wchar_t* text)
{
    DWORD bytes = static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t));
    return Traced(::RegSetValueW(hive, subKey, REG_SZ, text, bytes), L"set", hive, subKey, L"(default)",
                  Shown(text).text);
}

bool DeleteRegistryKey(HKEY hive, const wchar_t* subKey)
{
    LSTATUS status = ::RegDeleteKeyW(hive, subKey);
    return Traced(status == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : status, L"delete", hive, subKey, L"", L"");
}

bool CreateRegistryKey(HKEY hive, const wchar_t* subKey)
{
    UniqueRegKey created;
    return Traced(::RegCreateKeyW(hive, subKey, created.put()), L"create", hive, subKey, L"", L"");
}

bool OpenValuesKey(ValuesKey& values, HKEY hive, const wchar_t* subKey, REGSAM access)
{
    values.hive = hive;
    values.path = subKey;
    LSTATUS status = ::RegOpenKeyExW(hive, subKey, 0, access, values.key.put());
    if (status == ERROR_SUCCESS) {
        return true; // an open writes nothing: only its failure is worth a line
    }
    values.key.reset();
    return Traced(status, L"open", hive, subKey, L"", L"");
}

bool CreateValuesKey(ValuesKey& values, HKEY hive, const wchar_t* subKey)
{
    values.hive = hive;
    values.path = subKey;
    LSTATUS status = ::RegCreateKeyW(hive, subKey, values.key.put());
    if (status != ERROR_SUCCESS) {
        values.key.reset();
    }
    return Traced(status, L"create", hive, subKey, L"", L"");
}

bool SetNamedString(const ValuesKey& values, const wchar_t* name, const wchar_t* text)
{
    if (!values) {
        Trace(L"registry: %ls\\%ls\\%ls skipped, its key did not open", HiveName(values.hive), values.path, name);
        return false;
    }
    DWORD bytes = static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t));
    return Traced(::RegSetValueExW(values.key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes),
                  L"set", values.hive, values.path, name, Shown(text).text);
}

bool SetNamedDword(const ValuesKey& values, const wchar_t* name, DWORD number)
{
    if (!values) {
        Trace(L"registry: %ls\\%ls\\%ls skipped, its key did not open", HiveName(values.hive), values.path, name);
        return false;
    }
    wchar_t shown[32] = {};
    std::swprintf(shown, std::size(shown), L" = %lu", static_cast<unsigned long>(number));
    return Traced(::RegSetValueExW(values.key.get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                   sizeof(number)),
                  L"set", values.hive, values.path, name, shown);
}

} // namespace ph
