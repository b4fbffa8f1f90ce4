// The association writer: per-type ProgIDs, capability entries, extension keys, user choices.
#include "shell/associations.h"

#include "base/product.h"
#include "base/text.h"
#include "shell/compose_text.h"
#include "shell/registry_writes.h"

#include <windows.h>

#include <cwchar>

namespace ph {

namespace {

constexpr wchar_t kClassesKey[] = L"SOFTWARE\\Classes\\";
constexpr wchar_t kUserFileExtsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.";

// These extensions point at the product even when their row is not selected.
constexpr const wchar_t* kAlwaysClaimed[] = {L"JPG", L"PNG", L"TIF"};

// The store applications that would otherwise offer themselves for the associated types.
constexpr const wchar_t* kAppxClasses[] = {
    L"SOFTWARE\\Classes\\AppXvhc4p7vz4b485xfp46hhk3fq3grkdgjg",
    L"SOFTWARE\\Classes\\AppXk0g4vb8gvt7b93tg50ybcy892pge6jmt",
    L"SOFTWARE\\Classes\\AppX43hnxtbyyps62jhe9sqpdzxn1790zetc",
    L"SOFTWARE\\Classes\\AppX9rkaq77s0jzh1tyccadx9ghba15r6t3h",
    L"SOFTWARE\\Classes\\AppX6eg8h5sxqq90pv53845wmnbewywdqq5h",
};

bool IsAlwaysClaimed(const wchar_t* extension)
{
    for (const wchar_t* claimed : kAlwaysClaimed) {
        if (::_wcsicmp(extension, claimed) == 0) {
            return true;
        }
    }
    return false;
}

// "Photavian <CLASS> File": the class in upper case, ASCII letters only.
bool ComposeTypeDescription(wchar_t (&description)[kPathChars], const wchar_t* progIdClass)
{
    wchar_t upper[kPathChars] = {};
    if (!CopyTextWhole(upper, progIdClass)) {
        return false;
    }
    for (wchar_t* c = upper; *c != L'\0'; ++c) {
        if (*c >= L'a' && *c <= L'z') {
            *c = static_cast<wchar_t>(*c - L'a' + L'A');
        }
    }
    return ComposeText(description, kProductProgId, L" ", upper, L" File");
}

} // namespace

int AssociateExtension(const wchar_t* extension, const wchar_t* progIdClass, const wchar_t* command,
                       const wchar_t* iconReference, int selected, const ValuesKey* capabilities)
{
    wchar_t progId[kPathChars];
    if (!ComposeText(progId, kProductProgId, L".", progIdClass)) {
        return 0;
    }
    bool ok = true;
    wchar_t key[kPathChars];
    if (selected != 0 || IsAlwaysClaimed(extension)) {
        ok = ComposeText(key, kClassesKey, L".", extension) && SetDefaultString(HKEY_LOCAL_MACHINE, key, progId) && ok;
    }

    wchar_t description[kPathChars];
    wchar_t classKey[kPathChars];
    if (ComposeTypeDescription(description, progIdClass) && ComposeText(classKey, kClassesKey, progId)) {
        ok = SetDefaultString(HKEY_LOCAL_MACHINE, classKey, description) && ok;
        ok = ComposeText(key, classKey, L"\\shell\\open\\command") && SetDefaultString(HKEY_LOCAL_MACHINE, key, command)
            && ok;
        ok = ComposeText(key, classKey, L"\\DefaultIcon") && SetDefaultString(HKEY_LOCAL_MACHINE, key, iconReference)
            && ok;
    } else {
        ok = false;
    }

    AddCapabilityAssociation(extension, progIdClass, capabilities);

    if (selected == 0) {
        return ok ? 1 : 0;
    }
    // The user's choice is replaced, not edited: whatever the old key held goes with it.
    if (!ComposeText(key, kUserFileExtsKey, extension, L"\\UserChoice")) {
        return 0;
    }
    DeleteRegistryKey(HKEY_CURRENT_USER, key);
    ValuesKey choice;
    if (!CreateValuesKey(choice, HKEY_CURRENT_USER, key)) {
        return 0;
    }
    ok = SetNamedString(choice, L"Progid", progId) && ok;
    return ok ? 1 : 0;
}

bool OpenCapabilityAssociations(ValuesKey& capabilities)
{
    return OpenValuesKey(capabilities, HKEY_LOCAL_MACHINE, kFileAssociationsKey, KEY_SET_VALUE);
}

void AddCapabilityAssociation(const wchar_t* extension, const wchar_t* progIdClass, const ValuesKey* capabilities)
{
    wchar_t name[kPathChars];
    wchar_t progId[kPathChars];
    if (!ComposeText(name, L".", extension) || !ComposeText(progId, kProductProgId, L".", progIdClass)) {
        return;
    }
    if (capabilities != nullptr) {
        SetNamedString(*capabilities, name, progId);
        return;
    }
    ValuesKey key;
    if (OpenCapabilityAssociations(key)) {
        SetNamedString(key, name, progId);
    }
}

void SuppressAppxOpenWith()
{
    for (const wchar_t* appxClass : kAppxClasses) {
        ValuesKey key;
        if (CreateValuesKey(key, HKEY_CURRENT_USER, appxClass)) {
            SetNamedString(key, L"NoOpenWith", L"");
        }
    }
}

} // namespace ph
