// Shell registration by the real setup program: registry entries, associations and shortcuts,
// read back from this prefix's registry and through the shell's link object.
#include "e2e/e2e_support.h"
#include "support/shortcut_file.h"

#include "base/handles.h"
#include "shell/file_types.h"

#include <shlobj.h>

#include <cwctype>
#include <map>
#include <optional>
#include <set>

namespace ph::test {
namespace {

constexpr wchar_t kClasses[] = L"SOFTWARE\\Classes\\";
constexpr wchar_t kFileExts[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";
constexpr wchar_t kWindowsNtCurrentVersion[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
constexpr const wchar_t* kAppxKeys[] = {
    L"SOFTWARE\\Classes\\AppXvhc4p7vz4b485xfp46hhk3fq3grkdgjg",
    L"SOFTWARE\\Classes\\AppXk0g4vb8gvt7b93tg50ybcy892pge6jmt",
    L"SOFTWARE\\Classes\\AppX43hnxtbyyps62jhe9sqpdzxn1790zetc",
    L"SOFTWARE\\Classes\\AppX9rkaq77s0jzh1tyccadx9ghba15r6t3h",
    L"SOFTWARE\\Classes\\AppX6eg8h5sxqq90pv53845wmnbewywdqq5h",
};
const std::set<std::wstring> kAlwaysClaimed = {L"jpg", L"png", L"tif"};

// ---- reading the registry --------------------------------------------------------------------

// Every value under key and its subkeys: "subkey\name" -> type and bytes in hex.
void DumpTree(HKEY hive, const std::wstring& key, std::map<std::wstring, std::wstring>& out)
{
    UniqueRegKey k;
    if (::RegOpenKeyExW(hive, key.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS) {
        return;
    }
    out[key + L"\\"] = L"key";
    for (DWORD i = 0;; ++i) {
        wchar_t name[512];
        DWORD nameLen = 512;
        BYTE data[2048];
        DWORD dataLen = sizeof(data);
        DWORD type = 0;
        if (::RegEnumValueW(k.get(), i, name, &nameLen, nullptr, &type, data, &dataLen) != ERROR_SUCCESS) {
            break;
        }
        std::wstring shown = std::to_wstring(type) + L":";
        for (DWORD b = 0; b < dataLen; ++b) {
            wchar_t hex[4];
            std::swprintf(hex, 4, L"%02X", data[b]);
            shown += hex;
        }
        out[key + L"\\" + std::wstring(name, nameLen)] = shown;
    }
    std::vector<std::wstring> subkeys;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD len = 256;
        if (::RegEnumKeyExW(k.get(), i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        subkeys.emplace_back(name, len);
    }
    for (const std::wstring& sub : subkeys) {
        DumpTree(hive, key + L"\\" + sub, out);
    }
}

bool SetUserString(const wchar_t* subKey, const wchar_t* name, const wchar_t* text)
{
    UniqueRegKey key;
    return ::RegCreateKeyW(HKEY_CURRENT_USER, subKey, key.put()) == ERROR_SUCCESS
        && ::RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                            static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t)))
        == ERROR_SUCCESS;
}

DWORD ValueCount(HKEY hive, const std::wstring& key)
{
    UniqueRegKey k;
    DWORD count = 0;
    if (::RegOpenKeyExW(hive, key.c_str(), 0, KEY_READ, k.put()) == ERROR_SUCCESS) {
        ::RegQueryInfoKeyW(k.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr, nullptr,
                           nullptr, nullptr);
    }
    return count;
}

struct CatalogueExtension {
    std::wstring extension;
    std::wstring progId;
    std::size_t row;
    IconKind icon;
};

std::vector<CatalogueExtension> CatalogueExtensions()
{
    std::vector<CatalogueExtension> all;
    for (std::size_t row = 0; row < FileTypeCatalogue().size(); ++row) {
        const FileTypeRow& type = FileTypeCatalogue()[row];
        for (std::size_t i = 0; i < type.extensionCount; ++i) {
            all.push_back({type.extensions[i].extension, std::wstring(L"Photavian.") + type.extensions[i].progIdClass,
                           row, type.icon});
        }
    }
    return all;
}

// The extension key of each catalogue extension as it stands: absent, or its default value.
std::map<std::wstring, std::optional<std::wstring>> ExtensionKeys()
{
    std::map<std::wstring, std::optional<std::wstring>> keys;
    for (const CatalogueExtension& e : CatalogueExtensions()) {
        std::wstring key = kClasses + (L"." + e.extension);
        keys[e.extension] = KeyExists(HKEY_LOCAL_MACHINE, key)
            ? std::optional<std::wstring>(ReadSz(HKEY_LOCAL_MACHINE, key, nullptr).value_or(L"<no default>"))
            : std::nullopt;
    }
    return keys;
}

// ---- shortcuts -------------------------------------------------------------------------------

const wchar_t* const kDesktopLinks[] = {L"Photavian 64.lnk", L"Photavian 64 Thumbnails.lnk"};

// ---- the prefix's state ----------------------------------------------------------------------

// Removes whatever an earlier run in this prefix registered: product keys, classes, extension
// keys pointing at the product, user choices, store-application marks, shortcuts, files.
void ForgetInstallation()
{
    DeleteMachineTree(L"SOFTWARE\\Classes\\Photavian");
    for (const CatalogueExtension& e : CatalogueExtensions()) {
        DeleteMachineTree((kClasses + e.progId).c_str());
        std::wstring key = kClasses + (L"." + e.extension);
        std::optional<std::wstring> target = ReadSz(HKEY_LOCAL_MACHINE, key, nullptr);
        if (target && target->rfind(L"Photavian.", 0) == 0) {
            ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, key.c_str(), nullptr);
            if (ValueCount(HKEY_LOCAL_MACHINE, key) == 0) {
                ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, key.c_str()); // fails harmlessly with subkeys
            }
        }
        ::RegDeleteKeyW(HKEY_CURRENT_USER, (kFileExts + (L"." + e.extension) + L"\\UserChoice").c_str());
    }
    for (const wchar_t* key : kAppxKeys) {
        ::RegDeleteTreeW(HKEY_CURRENT_USER, key);
    }
    for (const wchar_t* key : {L"SOFTWARE\\Classes\\Applications\\ph_tav64.exe", kUninstallKey, L"SOFTWARE\\Photavian",
                               kDirectoryVerbKey, kDriveVerbKey, kRegisteredApplicationsKey}) {
        DeleteMachineTree(key);
    }
    for (int csidl : {CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY}) {
        for (const wchar_t* name : kDesktopLinks) {
            ::DeleteFileW((ShellFolder(csidl) + L"\\" + name).c_str());
        }
    }
    RemoveTree(ShellFolder(CSIDL_PROGRAMS) + L"\\Photavian");
    RemoveTree(ShellFolder(CSIDL_COMMON_PROGRAMS) + L"\\Photavian");
    RemoveTree(L"C:\\Program Files\\Photavian");
}

// The Windows version that programs started from now on see, through the values Wine reads at
// process start; the earlier values come back at the end of scope.
class ReportedWindowsVersion {
public:
    ReportedWindowsVersion(const wchar_t* version, const wchar_t* build)
    {
        for (const wchar_t* name : kNames) {
            m_saved.push_back(ReadSz(HKEY_LOCAL_MACHINE, kWindowsNtCurrentVersion, name));
        }
        SetMachineString(kWindowsNtCurrentVersion, L"CurrentVersion", version);
        SetMachineString(kWindowsNtCurrentVersion, L"CurrentBuild", build);
        SetMachineString(kWindowsNtCurrentVersion, L"CurrentBuildNumber", build);
    }
    ~ReportedWindowsVersion()
    {
        for (std::size_t i = 0; i < std::size(kNames); ++i) {
            if (m_saved[i]) {
                SetMachineString(kWindowsNtCurrentVersion, kNames[i], *m_saved[i]);
            } else {
                ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kWindowsNtCurrentVersion, kNames[i]);
            }
        }
    }
    ReportedWindowsVersion(const ReportedWindowsVersion&) = delete;
    ReportedWindowsVersion& operator=(const ReportedWindowsVersion&) = delete;

private:
    static constexpr const wchar_t* kNames[] = {L"CurrentVersion", L"CurrentBuild", L"CurrentBuildNumber"};
    std::vector<std::optional<std::wstring>> m_saved;
};

class Registration : public ::testing::Test {
protected:
    void SetUp() override
    {
        ForgetInstallation();
        m_extensionKeysBefore = ExtensionKeys();
    }
    void TearDown() override { ForgetInstallation(); }

    // Runs the setup program silently into the target folder's "App" with extra switches.
    int Install(const std::wstring& switches)
    {
        return RunSetup(L"/silent /folder=" + m_target.Path() + L"\\App " + switches, m_start.Path());
    }
    std::wstring Folder() const { return m_target.Path() + L"\\App\\"; }

    // Which extensions point at the product and have a user choice naming it; every other
    // extension key must be as it was before the run.
    void ExpectSelectedExtensions(const std::set<std::size_t>& selectedRows)
    {
        std::map<std::wstring, std::optional<std::wstring>> after = ExtensionKeys();
        for (const CatalogueExtension& e : CatalogueExtensions()) {
            SCOPED_TRACE(Narrow(e.extension));
            bool selected = selectedRows.count(e.row) != 0;
            if (selected || kAlwaysClaimed.count(e.extension) != 0) {
                EXPECT_EQ(after[e.extension], e.progId);
            } else {
                EXPECT_EQ(after[e.extension], m_extensionKeysBefore[e.extension]);
            }
            std::wstring choice = kFileExts + (L"." + e.extension) + L"\\UserChoice";
            if (selected) {
                EXPECT_EQ(ReadSz(HKEY_CURRENT_USER, choice, L"Progid"), e.progId);
                EXPECT_EQ(ValueCount(HKEY_CURRENT_USER, choice), 1u);
            } else {
                EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, choice));
            }
        }
    }

    int AppxKeyCount() const
    {
        int count = 0;
        for (const wchar_t* key : kAppxKeys) {
            count += KeyExists(HKEY_CURRENT_USER, key) ? 1 : 0;
        }
        return count;
    }

    ScratchFolder m_start{L"registration_start"};
    ScratchFolder m_target{L"registration_target"};
    std::map<std::wstring, std::optional<std::wstring>> m_extensionKeysBefore;
};

TEST_F(Registration, BareSilentRegistersEveryClassClaimsOnlyJpgPngTifAndWritesTheUninstallEntry)
{
    // An icon of the product class from an earlier version goes.
    ASSERT_TRUE(SetMachineString(L"SOFTWARE\\Classes\\Photavian\\DefaultIcon", nullptr, L"old.ico,0"));

    ASSERT_EQ(RunSetup(L"/silent", m_start.Path()), 0);

    const std::wstring folder = L"C:\\Program Files\\Photavian\\";
    const std::wstring viewer = folder + L"ph_tav64.exe";
    const std::wstring open = L"\"" + viewer + L"\" \"%1\"";
    std::set<std::wstring> classes;
    for (const CatalogueExtension& e : CatalogueExtensions()) {
        SCOPED_TRACE(Narrow(e.extension));
        classes.insert(e.progId);
        std::wstring upper;
        for (wchar_t c : e.progId.substr(10)) {
            upper += static_cast<wchar_t>(std::towupper(c));
        }
        const std::wstring icon = e.icon == IconKind::OwnIcon ? L"%1"
            : e.icon == IconKind::Viewer8                     ? viewer + L",8"
            : e.icon == IconKind::Viewer9                     ? viewer + L",9"
                                                              : viewer + L",0";
        EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, kClasses + e.progId, nullptr), L"Photavian " + upper + L" File");
        EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, kClasses + e.progId + L"\\shell\\open\\command", nullptr), open);
        EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, kClasses + e.progId + L"\\DefaultIcon", nullptr), icon);
        EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, kFileAssociationsKey, (L"." + e.extension).c_str()), e.progId);
    }
    EXPECT_EQ(classes.size(), 69u);
    EXPECT_EQ(ValueCount(HKEY_LOCAL_MACHINE, kFileAssociationsKey), 87u);
    ExpectSelectedExtensions({});
    EXPECT_EQ(AppxKeyCount(), 0);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kDirectoryVerbKey));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kDriveVerbKey));

    // The registration's plan, the old icon of the product class removed.
    ExpectRegistryHoldsPlan(ExpectedRegistryPlan(folder, false));
    // A fresh Wine prefix keeps no list of registered applications, and none is created.
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kRegisteredApplicationsKey));

    // No shortcut was asked for.
    for (int csidl : {CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY}) {
        EXPECT_TRUE(LinksIn(ShellFolder(csidl)).empty());
    }
    EXPECT_FALSE(FolderExists(ShellFolder(CSIDL_PROGRAMS) + L"\\Photavian"));
    EXPECT_FALSE(FolderExists(ShellFolder(CSIDL_COMMON_PROGRAMS) + L"\\Photavian"));
}

TEST_F(Registration, ApplicationJoinsAnExistingListOfRegisteredApplications)
{
    ASSERT_TRUE(SetMachineString(kRegisteredApplicationsKey, L"Other", L"SOFTWARE\\Other\\Capabilities"));
    ASSERT_EQ(Install(L""), 0);
    EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, kRegisteredApplicationsKey, L"Photavian"),
              L"SOFTWARE\\Photavian\\Capabilities");
    EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, kRegisteredApplicationsKey, L"Other"), L"SOFTWARE\\Other\\Capabilities");
}

TEST_F(Registration, ShortcutsGoToTheCurrentUsersOrTheCommonFoldersAndReplaceTwoOldVersions)
{
    struct Scope {
        int allUsers;
        int desktop;
        int otherDesktop;
        int programs;
        int otherPrograms;
    };
    const Scope scopes[] = {
        {0, CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS},
        {1, CSIDL_COMMON_DESKTOPDIRECTORY, CSIDL_DESKTOPDIRECTORY, CSIDL_COMMON_PROGRAMS, CSIDL_PROGRAMS},
    };
    std::map<std::wstring, std::wstring> registryOfFirstScope;
    for (const Scope& scope : scopes) {
        SCOPED_TRACE(testing::Message() << "/allusers=" << scope.allUsers);
        ForgetInstallation();
        const std::wstring group = ShellFolder(scope.programs) + L"\\Photavian";
        ASSERT_TRUE(::SHCreateDirectoryExW(nullptr, group.c_str(), nullptr) == ERROR_SUCCESS);
        for (const wchar_t* old : {L"Photavian 64 4.67.lnk", L"Photavian 64 4.66.lnk", L"Photavian 64 4.65.lnk"}) {
            ASSERT_TRUE(WriteFileBytes(group + L"\\" + old, "an old shortcut"));
        }

        ASSERT_EQ(Install(L"/desktop=1 /thumbs=1 /group=1 /allusers=" + std::to_wstring(scope.allUsers)), 0);

        const std::wstring viewer = Folder() + L"ph_tav64.exe";
        const std::wstring desktop = ShellFolder(scope.desktop);
        EXPECT_EQ(LinksIn(desktop), (std::set<std::wstring>{L"Photavian 64.lnk", L"Photavian 64 Thumbnails.lnk"}));
        EXPECT_EQ(ReadShortcut(desktop + L"\\Photavian 64.lnk"),
                  (Shortcut{viewer, L"", L"", 0, L"Photavian 64 - Image Viewer", L""}));
        EXPECT_EQ(ReadShortcut(desktop + L"\\Photavian 64 Thumbnails.lnk"),
                  (Shortcut{viewer, L"/thumbs", viewer, 7, L"Photavian - Thumbnails", L""}));
        EXPECT_TRUE(LinksIn(ShellFolder(scope.otherDesktop)).empty());
        EXPECT_FALSE(FolderExists(ShellFolder(scope.otherPrograms) + L"\\Photavian"));

        struct GroupLink {
            const wchar_t* name;
            Shortcut link;
        };
        const GroupLink groupLinks[] = {
            {L"Photavian 64 4.70.lnk", {viewer, L"", L"", 0, L"", L""}},
            {L"Photavian - Thumbnails.lnk", {viewer, L"/thumbs", viewer, 7, L"", L""}},
            {L"Uninstall Photavian.lnk", {Folder() + L"pt_uninstall.exe", L"", L"", 0, L"", L""}},
            {L"About Photavian.lnk", {Folder() + L"p_about.txt", L"", L"", 0, L"", L""}},
            {L"What's New.lnk", {Folder() + L"p_changes.txt", L"", L"", 0, L"", L""}},
            {L"Command line Options.lnk", {Folder() + L"p_options.txt", L"", L"", 0, L"", L""}},
            {L"Available PlugIns.lnk", {Folder() + L"p_plugins.txt", L"", L"", 0, L"", L""}},
            {L"Available Languages.lnk", {Folder() + L"p_languages.txt", L"", L"", 0, L"", L""}},
            {L"Photavian Help.lnk", {Folder() + L"ph_tav32.chm", L"", L"", 0, L"", L""}},
        };
        std::set<std::wstring> expectedNames = {L"Photavian 64 4.65.lnk"};
        for (const GroupLink& g : groupLinks) {
            expectedNames.insert(g.name);
            EXPECT_EQ(ReadShortcut(group + L"\\" + g.name), g.link) << Narrow(g.name);
        }
        EXPECT_EQ(LinksIn(group), expectedNames);

        // The plan with the folder and drive verb, which comes with the thumbnails shortcut.
        ExpectRegistryHoldsPlan(ExpectedRegistryPlan(Folder(), true));

        // The registry does not change with the shortcuts' scope.
        std::map<std::wstring, std::wstring> registry;
        DumpTree(HKEY_LOCAL_MACHINE, kUninstallKey, registry);
        DumpTree(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Photavian", registry);
        DumpTree(HKEY_LOCAL_MACHINE, kDirectoryVerbKey, registry);
        if (scope.allUsers == 0) {
            registryOfFirstScope = registry;
        } else {
            EXPECT_EQ(registry, registryOfFirstScope);
        }
    }
}

TEST_F(Registration, AssocSwitchTakesOverTheImageRowsAllRowsOrNone)
{
    struct Case {
        const wchar_t* value;
        std::size_t selectedRows;
    };
    const Case cases[] = {{L"1", kImageFileTypeRows}, {L"2", kFileTypeRowCount}, {L"3", 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(std::wstring(L"/assoc=") + c.value));
        ForgetInstallation();
        m_extensionKeysBefore = ExtensionKeys();
        if (c.selectedRows > 2) {
            // An earlier choice of bmp, with a value of its own, is replaced by one naming only the ProgID.
            ASSERT_TRUE(SetUserString((kFileExts + std::wstring(L".bmp\\UserChoice")).c_str(), L"Hash", L"x"));
        }

        ASSERT_EQ(Install(std::wstring(L"/assoc=") + c.value), 0);

        std::set<std::size_t> rows;
        for (std::size_t row = 0; row < c.selectedRows; ++row) {
            rows.insert(row);
        }
        ExpectSelectedExtensions(rows);
        // The default prefix reports Windows 7: no store-application marks.
        EXPECT_EQ(AppxKeyCount(), 0);
        EXPECT_EQ(ValueCount(HKEY_LOCAL_MACHINE, kFileAssociationsKey), 87u);
    }
}

TEST_F(Registration, WindowsVersionDecidesStoreApplicationMarksAndTheUninstallShortcut)
{
    struct Case {
        const wchar_t* version;
        const wchar_t* build;
        const wchar_t* assoc;
        int appxKeys;
        bool uninstallShortcut;
    };
    const Case cases[] = {
        {L"10.0", L"19045", L"/assoc=1", 5, true}, // Windows 10
        {L"10.0", L"19045", L"/assoc=3", 0, true}, // Windows 10 without associations
        {L"10.0", L"22631", L"/assoc=1", 0, true}, // Windows 11
        {L"6.3", L"9600", L"/assoc=2", 0, false},  // Windows 8.1
        {L"6.2", L"9200", L"/assoc=1", 0, false},  // Windows 8
    };
    const std::wstring group = ShellFolder(CSIDL_PROGRAMS) + L"\\Photavian";
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(std::wstring(c.version) + L"." + c.build + L" " + c.assoc));
        ForgetInstallation();
        ReportedWindowsVersion version(c.version, c.build);
        ASSERT_EQ(Install(std::wstring(c.assoc) + L" /group=1"), 0);

        EXPECT_EQ(AppxKeyCount(), c.appxKeys);
        for (const wchar_t* key : kAppxKeys) {
            if (c.appxKeys > 0) {
                // The empty text alone: its terminator, 2 bytes.
                EXPECT_EQ(ReadSz(HKEY_CURRENT_USER, key, L"NoOpenWith"), L"") << Narrow(key);
            }
        }
        EXPECT_EQ(FileExists(group + L"\\Uninstall Photavian.lnk"), c.uninstallShortcut);
        EXPECT_EQ(LinksIn(group).size(), c.uninstallShortcut ? 9u : 8u);
    }
}

TEST_F(Registration, RerunOverAnExistingInstallationWritesTheSameEntries)
{
    auto snapshot = [] {
        std::map<std::wstring, std::wstring> state;
        for (const wchar_t* key : {L"SOFTWARE\\Classes\\Photavian", L"SOFTWARE\\Classes\\Applications\\ph_tav64.exe",
                                   kUninstallKey, L"SOFTWARE\\Photavian", kDirectoryVerbKey, kDriveVerbKey}) {
            DumpTree(HKEY_LOCAL_MACHINE, key, state);
        }
        for (const CatalogueExtension& e : CatalogueExtensions()) {
            DumpTree(HKEY_LOCAL_MACHINE, kClasses + e.progId, state);
            DumpTree(HKEY_LOCAL_MACHINE, kClasses + (L"." + e.extension), state);
            DumpTree(HKEY_CURRENT_USER, kFileExts + (L"." + e.extension) + L"\\UserChoice", state);
        }
        for (int csidl : {CSIDL_DESKTOPDIRECTORY, CSIDL_PROGRAMS}) {
            for (const std::wstring& path : ListTree(ShellFolder(csidl))) {
                state[L"file " + path] = std::to_wstring(FileSize(ShellFolder(csidl) + L"\\" + path));
            }
        }
        return state;
    };
    const std::wstring everything = L"/desktop=1 /thumbs=1 /group=1 /assoc=2";
    ASSERT_EQ(Install(everything), 0);
    std::map<std::wstring, std::wstring> first = snapshot();
    ASSERT_EQ(Install(everything), 0);
    std::map<std::wstring, std::wstring> second = snapshot();

    EXPECT_EQ(second, first);
    ExpectRegistryHoldsPlan(ExpectedRegistryPlan(Folder(), true));
    EXPECT_EQ(ValueCount(HKEY_LOCAL_MACHINE, kFileAssociationsKey), 87u);
    EXPECT_EQ(LinksIn(ShellFolder(CSIDL_PROGRAMS) + L"\\Photavian").size(), 9u);
}

TEST_F(Registration, DestinationWithStrayBlanksGivesTheCleanFolderInEveryValueAndShortcut)
{
    struct Case {
        std::wstring folderSwitch;
        std::wstring folder; // where the files go, with trailing backslash
    };
    const Case cases[] = {
        {m_target.Path() + L"\\Pho  \\Sub \\App", m_target.Path() + L"\\Pho\\Sub\\App\\"},
        {L"\"   " + m_target.Path() + L"\\Lead\"", m_target.Path() + L"\\Lead\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.folderSwitch));
        ForgetInstallation();
        ASSERT_EQ(RunSetup(L"/silent /folder=" + c.folderSwitch + L" /desktop=1 /thumbs=1 /group=1 /assoc=1",
                           m_start.Path()),
                  0);
        const std::wstring viewer = c.folder + L"ph_tav64.exe";
        const std::wstring open = L"\"" + viewer + L"\" \"%1\"";
        ASSERT_TRUE(FileExists(viewer));

        ExpectRegistryHoldsPlan(ExpectedRegistryPlan(c.folder, true));
        for (const CatalogueExtension& e : CatalogueExtensions()) {
            EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, kClasses + e.progId + L"\\shell\\open\\command", nullptr), open)
                << Narrow(e.progId);
        }

        const std::wstring group = ShellFolder(CSIDL_PROGRAMS) + L"\\Photavian";
        std::vector<std::wstring> links;
        for (const std::wstring& name : LinksIn(group)) {
            links.push_back(group + L"\\" + name);
        }
        for (const wchar_t* name : kDesktopLinks) {
            links.push_back(ShellFolder(CSIDL_DESKTOPDIRECTORY) + L"\\" + name);
        }
        ASSERT_EQ(links.size(), 11u);
        for (const std::wstring& link : links) {
            std::optional<Shortcut> s = ReadShortcut(link);
            ASSERT_TRUE(s.has_value()) << Narrow(link);
            EXPECT_EQ(s->target.rfind(c.folder, 0), 0u) << Narrow(link) << ": " << Narrow(s->target);
            EXPECT_TRUE(s->iconPath.empty() || s->iconPath == viewer) << Narrow(link) << ": " << Narrow(s->iconPath);
        }
    }
}

} // namespace
} // namespace ph::test
