// Upgrades over a real earlier installation: a run that fails or is killed leaves the installation
// it found, or the new one complete, never a mixture; files in use are replaced all the same.
#include "e2e/e2e_support.h"

#include "base/handles.h"

#include <map>
#include <random>

namespace ph::test {
namespace {

constexpr std::uint32_t kUpgradeTime = 0x5E220000; // 2027-01-02 00:00:00

// One file or folder of a tree as a comparison sees it.
struct TreeItem {
    bool folder = false;
    std::string bytes;
    ULONGLONG written = 0;
    DWORD attributes = 0;
    bool operator==(const TreeItem&) const = default;
};
using TreeState = std::map<std::wstring, TreeItem>;

void Collect(const std::wstring& root, const std::wstring& below, TreeState& state)
{
    WIN32_FIND_DATAW found{};
    UniqueFindHandle search(::FindFirstFileW((root + below + L"*").c_str(), &found));
    if (!search) {
        return;
    }
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        TreeItem item;
        item.folder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        item.attributes = found.dwFileAttributes;
        item.written = (static_cast<ULONGLONG>(found.ftLastWriteTime.dwHighDateTime) << 32)
            | found.ftLastWriteTime.dwLowDateTime;
        if (item.folder) {
            item.written = 0; // a folder's time changes with what is made and removed in it
            Collect(root, below + name + L"\\", state);
        } else {
            item.bytes = ReadFileBytes(root + below + name);
        }
        state[below + name] = item;
    } while (::FindNextFileW(search.get(), &found) != FALSE);
}

// Every file (bytes, write time, attributes) and folder below root.
TreeState Snapshot(const std::wstring& root)
{
    TreeState state;
    Collect(root + L"\\", L"", state);
    return state;
}

std::wstring WindowsName(const std::string& name)
{
    std::wstring wide(name.begin(), name.end());
    for (wchar_t& c : wide) {
        c = c == L'/' ? L'\\' : c;
    }
    if (!wide.empty() && wide.back() == L'\\') {
        wide.pop_back();
    }
    return wide;
}

class Upgrade : public ::testing::Test {
protected:
    void SetUp() override
    {
        ForgetProductRegistration();
        m_old = ReadProgramPayload();
        ASSERT_FALSE(m_old.empty());
        // The new version: every file changed, its own time, and one file more.
        for (const StoredEntry& entry : m_old) {
            if (entry.folder) {
                m_new.Folder(entry.name);
            } else {
                m_new.File(entry.name, entry.data + "\r\nnew version", kUpgradeTime);
                m_newFiles[WindowsName(entry.name)] = entry.data + "\r\nnew version";
            }
        }
        m_new.File("new-in-this-version.txt", "only in the new version", kUpgradeTime);
        m_newFiles[L"new-in-this-version.txt"] = "only in the new version";
    }
    void TearDown() override { ForgetProductRegistration(); }

    std::wstring Destination() const { return m_work / L"App"; }

    // The earlier installation, by the real setup program, its settings in its folder.
    void InstallOldVersion()
    {
        RemoveTree(Destination());
        ASSERT_EQ(RunSetup(L"/silent /desktop=1 /ini= /folder=" + Destination(), m_start.Path()), kExitInstalled);
    }

    // A setup program that carries archive.
    std::wstring SetupWith(const ArchiveBuilder& archive, const wchar_t* name = L"setup-new.exe")
    {
        const std::wstring exe = m_work / name;
        EXPECT_TRUE(CopySetupWithPayload(exe, archive.Bytes()));
        return exe;
    }

    // What the new version's installation holds at every payload name: the new bytes, except the
    // icon library, which the earlier installation's keeps (same version, not ours to replace).
    void ExpectNewVersionComplete()
    {
        for (const auto& [name, bytes] : m_newFiles) {
            const bool keptLibrary = name == L"Plugins\\Icons.dll";
            EXPECT_EQ(ReadFileBytes(Destination() + L"\\" + name) == bytes, !keptLibrary) << Narrow(name);
        }
        ExpectNoLeftovers();
    }

    void ExpectNoLeftovers()
    {
        for (const auto& [name, item] : Snapshot(Destination())) {
            EXPECT_EQ(name.find(L".ph-"), std::wstring::npos) << Narrow(name);
            EXPECT_EQ(name.find(L"_Setup.journal"), std::wstring::npos) << Narrow(name);
        }
    }

    // Every file at a name of either version holds one version's bytes whole.
    void ExpectNoMixedFile()
    {
        std::map<std::wstring, std::string> oldFiles;
        for (const StoredEntry& entry : m_old) {
            oldFiles[WindowsName(entry.name)] = entry.data;
        }
        for (const auto& [name, item] : Snapshot(Destination())) {
            if (item.folder || name.find(L".ph-") != std::wstring::npos
                || name.find(L"_Setup.journal") != std::wstring::npos || name == L"ph_tav64.ini") {
                continue;
            }
            const auto old = oldFiles.find(name);
            const auto fresh = m_newFiles.find(name);
            const bool whole = (old != oldFiles.end() && old->second == item.bytes)
                || (fresh != m_newFiles.end() && fresh->second == item.bytes);
            EXPECT_TRUE(whole) << Narrow(name) << " holds " << item.bytes.size() << " bytes of neither version";
        }
    }

    std::vector<StoredEntry> m_old;
    ArchiveBuilder m_new;
    std::map<std::wstring, std::string> m_newFiles;
    ScratchFolder m_start{L"upgrade_start"};
    ScratchFolder m_work{L"upgrade_work"};
};

TEST_F(Upgrade, AFailedUpgradeLeavesTheInstallationAsItWas)
{
    // The last entry of the archive, held open by another process without sharing; or damaged.
    const std::wstring held = L"Toolbars\\Tessor_16.txt";
    ArchiveBuilder damaged = m_new;
    damaged.FileWithWrongCrc("zz-late.txt", "damaged");
    struct Case {
        const char* what;
        bool holdFile;
        const ArchiveBuilder& archive;
        int exitCode;
        const char* logged;
    };
    const Case cases[] = {
        {"a file held without sharing", true, m_new, kExitFileInUse,
         "file Toolbars/Tessor_16.txt: in use by another process, cannot be replaced: error 32: "},
        {"a damaged late entry", false, damaged, kExitInstallFailure, "file zz-late.txt: damaged, "},
    };
    wchar_t temp[MAX_PATH] = {};
    ::GetTempPathW(MAX_PATH, temp);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        InstallOldVersion();
        RemoveTree(m_start / L"Photavian_Install.log");
        const std::wstring exe = SetupWith(c.archive);
        const TreeState before = Snapshot(Destination());
        const TreeState tempBefore = Snapshot(temp);
        const std::optional<std::wstring> location = ReadSz(HKEY_LOCAL_MACHINE, kUninstallKey, L"InstallLocation");
        {
            UniqueFile holder;
            if (c.holdFile) {
                holder.reset(::CreateFileW((Destination() + L"\\" + held).c_str(), GENERIC_READ, 0, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
                ASSERT_TRUE(holder);
            }
            EXPECT_EQ(RunSetup(L"/silent /desktop=1 /ini= /folder=" + Destination() + L" /log=" + (m_work / L"run.log"),
                               m_start.Path(), exe),
                      c.exitCode);
        }
        EXPECT_EQ(Snapshot(Destination()), before) << "the installation is byte for byte what it was";
        EXPECT_EQ(Snapshot(temp), tempBefore) << "nothing of the run in the temporary folder";
        EXPECT_EQ(ReadSz(HKEY_LOCAL_MACHINE, kUninstallKey, L"InstallLocation"), location);
        EXPECT_EQ(LogMessages(m_start.Path()).size(), 1u);
        EXPECT_TRUE(HasLine(VerboseLogLines(m_work / L"run.log"), c.logged)) << c.logged;
        RemoveTree(m_work / L"run.log");
    }
}

TEST_F(Upgrade, AnUpgradeThatRunsOutOfRoomLeavesTheInstallationAsItWas)
{
    // The free-space check passes (bytes are left), but the drive takes only a few more files.
    const std::wstring drive = SmallDriveRoot();
    if (drive.empty()) {
        GTEST_SKIP() << "no small drive: run through tests/e2e/run-e2e.sh";
    }
    const std::wstring destination = drive + L"upgrade";
    RemoveTree(destination);
    RemoveTree(drive + L"files");
    ASSERT_EQ(RunSetup(L"/silent /ini= /folder=" + destination, m_start.Path()), kExitInstalled);
    const std::wstring exe = SetupWith(m_new);
    UseUpFilesOf(drive + L"files", 10);
    const TreeState before = Snapshot(destination);

    EXPECT_EQ(RunSetup(L"/silent /ini= /folder=" + destination, m_start.Path(), exe), kExitDiskFull);
    EXPECT_EQ(Snapshot(destination), before);
    EXPECT_EQ(LogMessages(m_start.Path()),
              std::vector<std::string>{Narrow(destination) + "\\: " + kCannotInstallAllFiles});
    RemoveTree(destination);
    RemoveTree(drive + L"files");
}

TEST_F(Upgrade, FilesInUseAreReplacedAndTheirOldCopiesGoLater)
{
    InstallOldVersion();
    // Another process has the viewer and a plug-in mapped as images, as a running program and a
    // loaded library are; it shows no viewer window.
    const std::wstring viewer = Destination() + L"\\ph_tav64.exe";
    const std::wstring plugin = Destination() + L"\\Plugins\\Formats.dll";
    {
        UniqueModule loaded(::LoadLibraryExW(plugin.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES));
        ASSERT_TRUE(loaded);
        UniqueFile image(::CreateFileW(viewer.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(image);
        UniqueKernelHandle section(
            ::CreateFileMappingW(image.get(), nullptr, PAGE_READONLY | SEC_IMAGE, 0, 0, nullptr));
        ASSERT_TRUE(section);
        void* view = ::MapViewOfFile(section.get(), FILE_MAP_READ, 0, 0, 0);
        ASSERT_NE(view, nullptr);
        image.reset();

        EXPECT_EQ(RunSetup(L"/silent /desktop=1 /ini= /folder=" + Destination(), m_start.Path(), SetupWith(m_new)),
                  kExitInstalled);
        EXPECT_EQ(ReadFileBytes(viewer), m_newFiles[L"ph_tav64.exe"]);
        EXPECT_EQ(ReadFileBytes(plugin), m_newFiles[L"Plugins\\Formats.dll"]);
        // The old copies are aside, waiting for the next restart, and the folder remembers them.
        EXPECT_TRUE(FileExists(viewer + L".ph-old"));
        EXPECT_TRUE(FileExists(plugin + L".ph-old"));
        EXPECT_TRUE(FileExists(Destination() + L"\\Photavian_Setup.journal"));
        ::UnmapViewOfFile(view);
    }
    // The next run, with nothing in use any more, removes them.
    EXPECT_EQ(RunSetup(L"/silent /desktop=1 /ini= /folder=" + Destination(), m_start.Path(), SetupWith(m_new)),
              kExitInstalled);
    ExpectNewVersionComplete();
    EXPECT_FALSE(FileExists(m_start / L"Photavian_Install.log"));
}

TEST_F(Upgrade, AKilledRunIsFinishedOrUndoneByTheNext)
{
    // A bigger new version, so that the run takes long enough to be cut at different points.
    std::mt19937 random(7);
    for (int i = 0; i < 300; ++i) {
        std::string data(8192, '\0');
        for (char& byte : data) {
            byte = static_cast<char>('a' + random() % 26);
        }
        const std::string name = "Extra/part" + std::to_string(i) + ".bin";
        m_new.File(name, data, kUpgradeTime);
        m_newFiles[WindowsName(name)] = data;
    }
    const std::wstring exe = SetupWith(m_new);
    const std::wstring journal = Destination() + L"\\Photavian_Setup.journal";
    const std::string committed(reinterpret_cast<const char*>(L"\r\nC\r\n"), 10);
    // The moments the run is killed at: as soon as its journal is begun, halfway through staging,
    // once everything is staged (the swap begins), and once the new folder is in place.
    struct Moment {
        const char* what;
        bool (*reached)(const std::wstring& destination, const std::string& journalBytes, const std::string& committed);
    };
    const Moment moments[] = {
        {"journal begun",
         [](const std::wstring&, const std::string& bytes, const std::string&) { return !bytes.empty(); }},
        {"staging",
         [](const std::wstring&, const std::string& bytes, const std::string&) { return bytes.size() > 20000; }},
        {"swap begun",
         [](const std::wstring&, const std::string& bytes, const std::string& c) {
             return bytes.find(c) != std::string::npos;
         }},
        {"new folder in place",
         [](const std::wstring& destination, const std::string&, const std::string&) {
             return FolderExists(destination + L"\\Extra");
         }},
    };
    for (const Moment& moment : moments) {
        SCOPED_TRACE(moment.what);
        InstallOldVersion();
        StartedSetup setup = StartSetup(L"/silent /desktop=1 /ini= /folder=" + Destination(), m_start.Path(), exe);
        ASSERT_TRUE(setup.process);
        bool reached = false;
        for (int look = 0; look < 30000 && !reached; ++look) {
            reached = moment.reached(Destination(), ReadFileBytes(journal), committed);
            if (!reached && ::WaitForSingleObject(setup.process.get(), 1) == WAIT_OBJECT_0) {
                break; // the run ended first
            }
        }
        ::TerminateProcess(setup.process.get(), 99);
        ::WaitForSingleObject(setup.process.get(), 10000);
        EXPECT_TRUE(reached) << "the run ended before the moment";
        ExpectNoMixedFile();

        EXPECT_EQ(RunSetup(L"/silent /desktop=1 /ini= /folder=" + Destination(), m_start.Path(), exe), kExitInstalled);
        ExpectNewVersionComplete();
    }
}

} // namespace
} // namespace ph::test
