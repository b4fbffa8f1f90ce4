// The registration's key and value plan, stated once for every test program: the keys it writes
// and, for an installation folder, every step in the order the registration makes it. The
// in-process test holds the plan the program builds against this table; the end-to-end tests hold
// what a real run left in the registry against it.
#pragma once

#include "base/handles.h"
#include "shell/registration.h"
#include "support/test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace ph::test {

// Keys of the plan (HKEY_LOCAL_MACHINE unless noted).
inline constexpr wchar_t kDirectoryVerbKey[] = L"SOFTWARE\\Classes\\Directory\\shell\\Browse with &Photavian";
inline constexpr wchar_t kDirectoryVerbCommandKey[] =
    L"SOFTWARE\\Classes\\Directory\\shell\\Browse with &Photavian\\command";
inline constexpr wchar_t kDriveVerbKey[] = L"SOFTWARE\\Classes\\Drive\\shell\\Browse with &Photavian";
inline constexpr wchar_t kDriveVerbCommandKey[] = L"SOFTWARE\\Classes\\Drive\\shell\\Browse with &Photavian\\command";
inline constexpr wchar_t kProductClassKey[] = L"SOFTWARE\\Classes\\Photavian";
inline constexpr wchar_t kOpenCommandKey[] = L"SOFTWARE\\Classes\\Photavian\\shell\\open\\command";
inline constexpr wchar_t kProductIconKey[] = L"SOFTWARE\\Classes\\Photavian\\DefaultIcon";
inline constexpr wchar_t kApplicationsKey[] = L"Applications\\ph_tav64.exe"; // under HKEY_CLASSES_ROOT
inline constexpr wchar_t kApplicationsCommandKey[] = L"Applications\\ph_tav64.exe\\shell\\open\\command";
inline constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Photavian64";
inline constexpr wchar_t kApplicationKey[] = L"SOFTWARE\\Photavian";
inline constexpr wchar_t kApplicationCommandKey[] = L"SOFTWARE\\Photavian\\shell\\open\\command";
inline constexpr wchar_t kCapabilitiesKey[] = L"SOFTWARE\\Photavian\\Capabilities";
inline constexpr wchar_t kFileAssociationsKey[] = L"SOFTWARE\\Photavian\\Capabilities\\FileAssociations";
inline constexpr wchar_t kRegisteredApplicationsKey[] = L"SOFTWARE\\RegisteredApplications";

// One step: the key steps carry hive and key, the named values that follow them a name.
struct PlanRow {
    RegistryStep step;
    HKEY hive;                        // key steps; null for named values
    const wchar_t* key;               // key steps; null for named values
    const wchar_t* name;              // named values; null for key steps
    std::optional<std::wstring> text; // SetDefault and NamedString
    DWORD number;                     // NamedDword
};

// The plan for the installation folder (with its trailing backslash): the folder and drive verb
// with the thumbnails shortcut only, then the product class, the application entry, the uninstall
// entry, the application's capabilities and its place among the registered applications.
inline std::vector<PlanRow> ExpectedRegistryPlan(const std::wstring& folder, bool thumbnails)
{
    using S = RegistryStep;
    const HKEY lm = HKEY_LOCAL_MACHINE;
    const HKEY cr = HKEY_CLASSES_ROOT;
    const std::wstring viewer = folder + L"ph_tav64.exe";
    const std::wstring open = L"\"" + viewer + L"\" \"%1\"";
    const std::wstring thumbs = open + L" /thumbs";
    std::vector<PlanRow> plan;
    if (thumbnails) {
        plan = {
            {S::SetDefault, lm, kDirectoryVerbKey, nullptr, L"Browse with &Photavian", 0},
            {S::SetDefault, lm, kDirectoryVerbCommandKey, nullptr, thumbs, 0},
            {S::SetDefault, lm, kDriveVerbKey, nullptr, L"Browse with &Photavian", 0},
            {S::SetDefault, lm, kDriveVerbCommandKey, nullptr, thumbs, 0},
        };
    }
    const std::vector<PlanRow> always = {
        {S::SetDefault, lm, kProductClassKey, nullptr, L"Photavian", 0},
        {S::SetDefault, lm, kOpenCommandKey, nullptr, open, 0},
        {S::DeleteKey, lm, kProductIconKey, nullptr, std::nullopt, 0},
        {S::SetDefault, cr, kApplicationsCommandKey, nullptr, open, 0},
        {S::OpenForValues, cr, kApplicationsKey, nullptr, std::nullopt, 0},
        {S::NamedString, nullptr, nullptr, L"FriendlyAppName", L"Photavian 64-bit", 0},
        {S::SetDefault, lm, kUninstallKey, nullptr, L"", 0},
        {S::OpenForValues, lm, kUninstallKey, nullptr, std::nullopt, 0},
        {S::NamedString, nullptr, nullptr, L"DisplayName", L"Photavian 4.70 (64-bit)", 0},
        {S::NamedString, nullptr, nullptr, L"UninstallString", L"\"" + folder + L"pt_uninstall.exe\"", 0},
        {S::NamedString, nullptr, nullptr, L"Publisher", L"Quenmarrow", 0},
        {S::NamedString, nullptr, nullptr, L"InstallLocation", folder, 0},
        {S::NamedString, nullptr, nullptr, L"DisplayVersion", L"4.70", 0},
        {S::NamedString, nullptr, nullptr, L"DisplayIcon", viewer + L",0", 0},
        {S::NamedDword, nullptr, nullptr, L"VersionMajor", std::nullopt, 4},
        {S::NamedDword, nullptr, nullptr, L"VersionMinor", std::nullopt, 70},
        {S::NamedDword, nullptr, nullptr, L"EstimatedSize", std::nullopt, 8192},
        {S::CreateKey, lm, kApplicationKey, nullptr, std::nullopt, 0},
        {S::SetDefault, lm, kApplicationCommandKey, nullptr, L"\"" + viewer + L"\"", 0},
        {S::CreateForValues, lm, kCapabilitiesKey, nullptr, std::nullopt, 0},
        {S::NamedString, nullptr, nullptr, L"ApplicationDescription",
         L"Picture viewer, editor and converter - one of the most popular viewers worldwide", 0},
        {S::CreateKey, lm, kFileAssociationsKey, nullptr, std::nullopt, 0},
        {S::OpenForValues, lm, kRegisteredApplicationsKey, nullptr, std::nullopt, 0},
        {S::NamedString, nullptr, nullptr, L"Photavian", L"SOFTWARE\\Photavian\\Capabilities", 0},
    };
    plan.insert(plan.end(), always.begin(), always.end());
    return plan;
}

// The names of a key's values ("" for the unnamed one); empty when the key is missing.
inline std::set<std::wstring> ValueNames(HKEY hive, const std::wstring& key)
{
    std::set<std::wstring> names;
    UniqueRegKey k;
    if (::RegOpenKeyExW(hive, key.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS) {
        return names;
    }
    for (DWORD i = 0;; ++i) {
        wchar_t name[512];
        DWORD length = 512;
        if (::RegEnumValueW(k.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        names.emplace(name, length);
    }
    return names;
}

// Holds this process's registry (a prefix's, or hives redirected) against a plan: each key step's
// effect, each named value in the key of the step above it, and no value beyond the plan's in a
// key that received named values. A key opened for values that is missing was missing before the
// run too (opening creates nothing): its values are not expected then.
inline void ExpectRegistryHoldsPlan(const std::vector<PlanRow>& plan)
{
    using S = RegistryStep;
    HKEY valuesHive = nullptr;
    std::wstring valuesKey;
    bool valuesKeyExists = false;
    // Per key that received named values: the names the plan gives it, its unnamed value included
    // when the plan sets it.
    std::map<std::pair<HKEY, std::wstring>, std::set<std::wstring>> planned;
    for (std::size_t i = 0; i < plan.size(); ++i) {
        const PlanRow& row = plan[i];
        testing::Message where;
        where << "plan row " << i << " " << Narrow(row.key != nullptr ? row.key : valuesKey);
        if (row.name != nullptr) {
            where << " " << Narrow(row.name);
        }
        SCOPED_TRACE(where);
        switch (row.step) {
        case S::SetDefault:
            EXPECT_EQ(ReadSz(row.hive, row.key, nullptr), row.text);
            break;
        case S::DeleteKey:
            EXPECT_FALSE(KeyExists(row.hive, row.key));
            break;
        case S::CreateKey:
            EXPECT_TRUE(KeyExists(row.hive, row.key));
            break;
        case S::CreateForValues:
        case S::OpenForValues:
            valuesHive = row.hive;
            valuesKey = row.key;
            valuesKeyExists = KeyExists(row.hive, row.key);
            EXPECT_TRUE(valuesKeyExists || row.step == S::OpenForValues);
            break;
        case S::NamedString:
        case S::NamedDword:
            if (!valuesKeyExists) {
                break;
            }
            planned[{valuesHive, valuesKey}].insert(row.name);
            if (row.step == S::NamedString) {
                EXPECT_EQ(ReadSz(valuesHive, valuesKey, row.name), row.text);
            } else {
                EXPECT_EQ(ReadDword(valuesHive, valuesKey, row.name), row.number);
            }
            break;
        }
    }
    for (auto& [key, names] : planned) {
        for (const PlanRow& row : plan) {
            if (row.step == S::SetDefault && row.hive == key.first && key.second == row.key) {
                names.insert(L"");
            }
        }
        EXPECT_EQ(ValueNames(key.first, key.second), names) << Narrow(key.second);
    }
}

} // namespace ph::test
