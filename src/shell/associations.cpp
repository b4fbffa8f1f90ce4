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

constexpr wchar_t kUserFileExtsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.";

// These extensions point at the product even when their row is not selected.
constexpr const wchar_t* kAlwaysClaimed[] = {L"JPG", L"PNG", L"TIF"};

// The store applications that would otherwise offer themselves for the associated types.
constexpr auto kAppxClass1 = JoinTexts(kClassesKey, L"AppXvhc4p7vz4b485xfp46hhk3fq3grkdgjg");
constexpr auto kAppxClass2 = JoinTexts(kClassesKey, L"AppXk0g4vb8gvt7b93tg50ybcy892pge6jmt");
constexpr auto kAppxClass3 = JoinTexts(kClassesKey, L"AppX43hnxtbyyps62jhe9sqpdzxn1790zetc");
constexpr auto kAppxClass4 = JoinTexts(kClassesKey, L"AppX9rkaq77s0jzh1tyccadx9ghba15r6t3h");
constexpr auto kAppxClass5 = JoinTexts(kClassesKey, L"AppX6eg8h5sxqq90pv53845wmnbewywdqq5h");
constexpr const wchar_t* kAppxClasses[] = {kAppxClass1, kAppxClass2, kAppxClass3, kAppxClass4, kAppxClass5};

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
        *c = AsciiUpper(*c);
    }
    return ComposeText(description, kProductProgId, L" ", upper, L" File");
}

// Records ".<extension>" -> ProgID among the application's capabilities, in the open key or, without
// one, in the key opened for it. Skipped when the key cannot be opened.
void AddCapabilityAssociation(const wchar_t* extension, const wchar_t* progIdClass, const ValuesKey* capabilities,
                              const RegistryRoots& roots)
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
    if (OpenCapabilityAssociations(key, roots)) {
        SetNamedString(key, name, progId);
    }
}

} // namespace

int AssociateExtension(const wchar_t* extension, const wchar_t* progIdClass, const wchar_t* command,
                       const wchar_t* iconReference, int selected, const ValuesKey* capabilities,
                       const RegistryRoots& roots)
{
    const HKEY machine = roots.machine;
    wchar_t progId[kPathChars];
    if (!ComposeText(progId, kProductProgId, L".", progIdClass)) {
        return 0;
    }
    bool ok = true;
    wchar_t key[kPathChars];
    if (selected != 0 || IsAlwaysClaimed(extension)) {
        ok = ComposeText(key, kClassesKey, L".", extension) && SetDefaultString(machine, key, progId) && ok;
    }

    wchar_t description[kPathChars];
    wchar_t classKey[kPathChars];
    if (ComposeTypeDescription(description, progIdClass) && ComposeText(classKey, kClassesKey, progId)) {
        ok = SetDefaultString(machine, classKey, description) && ok;
        ok = ComposeText(key, classKey, L"\\shell\\open\\command") && SetDefaultString(machine, key, command) && ok;
        ok = ComposeText(key, classKey, L"\\DefaultIcon") && SetDefaultString(machine, key, iconReference) && ok;
    } else {
        ok = false;
    }

    AddCapabilityAssociation(extension, progIdClass, capabilities, roots);

    if (selected == 0) {
        return ok ? 1 : 0;
    }
    // The user's choice is replaced, not edited: whatever the old key held goes with it.
    if (!ComposeText(key, kUserFileExtsKey, extension, L"\\UserChoice")) {
        return 0;
    }
    DeleteRegistryKey(roots.user, key);
    ValuesKey choice;
    if (!CreateValuesKey(choice, roots.user, key)) {
        return 0;
    }
    ok = SetNamedString(choice, L"Progid", progId) && ok;
    return ok ? 1 : 0;
}

bool OpenCapabilityAssociations(ValuesKey& capabilities, const RegistryRoots& roots)
{
    return OpenValuesKey(capabilities, roots.machine, kFileAssociationsKey, KEY_SET_VALUE);
}

void SuppressAppxOpenWith(const RegistryRoots& roots)
{
    for (const wchar_t* appxClass : kAppxClasses) {
        ValuesKey key;
        if (CreateValuesKey(key, roots.user, appxClass)) {
            SetNamedString(key, L"NoOpenWith", L"");
        }
    }
}

} // namespace ph
