// The viewer's settings files after silent installations by the real setup program.
#include "e2e/e2e_support.h"
#include "support/settings_file.h"

#include "base/handles.h"
#include "platform/probes.h"

#include <cstring>
#include <optional>
#include <ostream>

namespace ph::test {
namespace {

using Entry = SettingsEntry;

const std::string kUtf16Mark = "\xFF\xFE";

// The UTF-16LE bytes of a text.
std::string Utf16Bytes(const std::wstring& text)
{
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

// What the conversion puts before the former content.
const std::string kHeaderBytes = kUtf16Mark + Utf16Bytes(L"; UNICODE FILE - edit with care ;-)\r\n\r\n");

bool IsUtf16(const std::string& bytes)
{
    return bytes.compare(0, 2, kUtf16Mark) == 0;
}

std::wstring AppDataFolder()
{
    wchar_t folder[MAX_PATH] = {};
    DWORD n = ::GetEnvironmentVariableW(L"APPDATA", folder, MAX_PATH);
    return n > 0 && n < MAX_PATH ? folder : L"";
}

// The screen DPI of this prefix (HKCU\Control Panel\Desktop, LogPixels), set for the programs
// started in the scope and restored afterwards.
class PrefixDpi {
public:
    explicit PrefixDpi(DWORD dpi)
    {
        ::RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_QUERY_VALUE | KEY_SET_VALUE, m_key.put());
        DWORD old = 0;
        DWORD size = sizeof(old);
        DWORD type = 0;
        if (::RegQueryValueExW(m_key.get(), L"LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&old), &size)
                == ERROR_SUCCESS
            && type == REG_DWORD) {
            m_old = old;
        }
        m_set = ::RegSetValueExW(m_key.get(), L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi),
                                 sizeof(dpi))
            == ERROR_SUCCESS;
    }
    ~PrefixDpi()
    {
        if (m_old) {
            DWORD old = *m_old;
            ::RegSetValueExW(m_key.get(), L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old), sizeof(old));
        } else {
            ::RegDeleteValueW(m_key.get(), L"LogPixels");
        }
    }
    PrefixDpi(const PrefixDpi&) = delete;
    PrefixDpi& operator=(const PrefixDpi&) = delete;
    bool Set() const { return m_set; }

private:
    UniqueRegKey m_key;
    std::optional<DWORD> m_old;
    bool m_set = false;
};

class SettingsInstall : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_FALSE(AppDataFolder().empty());
        ASSERT_TRUE(m_dpi.Set());
        Clean();
    }
    void TearDown() override { Clean(); }
    void Clean()
    {
        UnregisterViewer();
        RemoveTree(kProgramFilesFolder);
        RemoveTree(AppDataSettingsFolder());
    }

    static std::wstring AppDataSettingsFolder() { return AppDataFolder() + L"\\Photavian"; }

    const std::wstring kProgramFilesFolder = L"C:\\Program Files\\Photavian";
    // The setup programs these tests start see a screen of 96 DPI, whatever the prefix's own.
    PrefixDpi m_dpi{96};
    ScratchFolder m_start{L"settings_start"};
    ScratchFolder m_scratch{L"settings"};
};

TEST_F(SettingsInstall, FreshSilentInstallKeepsTheViewersSettingsInTheApplicationDataFolder)
{
    // This prefix's screen: a height that asks for the 24-pixel skin at 96 DPI.
    int height = Seams().fullScreenHeight();
    ASSERT_TRUE(height >= 768 && height <= 1200) << height;

    ASSERT_EQ(RunSetup(L"/silent", m_start.Path()), 0);

    const std::wstring programIni = kProgramFilesFolder + L"\\ph_tav64.ini";
    EXPECT_FALSE(IsUtf16(ReadFileBytes(programIni)));
    EXPECT_EQ(ReadSettingsEntries(programIni),
              (std::vector<Entry>{{L"Others", L"INI_Folder", L"%APPDATA%\\Photavian"}}));

    const std::wstring settings = AppDataSettingsFolder() + L"\\ph_tav64.ini";
    EXPECT_EQ(ReadFileBytes(settings).substr(0, kHeaderBytes.size()), kHeaderBytes);
    EXPECT_EQ(ReadSettingsEntries(settings), kLanguageEntries + ToolbarEntries(L"Halvint_24.png", L"24"));
    EXPECT_FALSE(FileExists(kProgramFilesFolder + L"\\ph_tav64.ini_temp"));
    EXPECT_FALSE(FileExists(AppDataSettingsFolder() + L"\\ph_tav64.ini_temp"));
}

TEST_F(SettingsInstall, ExistingSettingsKeepTheirSkinAndTheUsersKeys)
{
    const std::wstring settings = AppDataSettingsFolder() + L"\\ph_tav64.ini";
    ASSERT_NE(::CreateDirectoryW(AppDataSettingsFolder().c_str(), nullptr), FALSE);
    ASSERT_TRUE(WriteFileBytes(settings,
                               "[Toolbar]\r\nSkin=Custom.png\r\nSize=99\r\nButtons=7\r\n"
                               "[View]\r\nZoom=150\r\nLastFolder=C:\\Caf\xE9\r\n"
                               "[Language]\r\nDLL=GERMAN\r\nLang=Deutsch\r\n"));
    const std::vector<Entry> expected = {
        {L"Toolbar", L"Skin", L"Custom.png"},
        {L"Toolbar", L"Size", L"99"},
        {L"Toolbar", L"Buttons", L"7"},
        {L"View", L"Zoom", L"150"},
        {L"View", L"LastFolder", L"C:\\Caf\u00E9"},
        {L"Language", L"DLL", L"ENGLISH"},
        {L"Language", L"Lang", L"English"},
    };

    ASSERT_EQ(RunSetup(L"/silent", m_start.Path()), 0);
    std::string first = ReadFileBytes(settings);
    EXPECT_EQ(first.substr(0, kHeaderBytes.size()), kHeaderBytes);
    EXPECT_EQ(ReadSettingsEntries(settings), expected);

    // A second installation finds the file in UTF-16 and writes into it as it is.
    ASSERT_EQ(RunSetup(L"/silent", m_start.Path()), 0);
    EXPECT_EQ(ReadFileBytes(settings), first);
}

TEST_F(SettingsInstall, EmptyIniSwitchKeepsTheSettingsInTheDestination)
{
    const std::wstring destination = m_scratch / L"dest";
    const std::wstring programIni = destination + L"\\ph_tav64.ini";
    ASSERT_NE(::CreateDirectoryW(destination.c_str(), nullptr), FALSE);
    ASSERT_TRUE(WriteFileBytes(programIni, "[Others]\r\nINI_Folder=%APPDATA%\\Photavian\r\nKeep=1\r\n"));

    ASSERT_EQ(RunSetup(L"/silent /folder=" + destination + L" /ini=", m_start.Path()), 0);

    EXPECT_EQ(ReadFileBytes(programIni).substr(0, kHeaderBytes.size()), kHeaderBytes);
    const std::vector<Entry> kept = {{L"Others", L"Keep", L"1"}};
    EXPECT_EQ(ReadSettingsEntries(programIni), kept + kLanguageEntries + ToolbarEntries(L"Halvint_24.png", L"24"));
    EXPECT_FALSE(FolderExists(AppDataSettingsFolder()));
}

TEST_F(SettingsInstall, PortableFolderOnAHighDpiScreen)
{
    PrefixDpi dpi(144);
    ASSERT_TRUE(dpi.Set());
    const std::wstring destination = m_scratch / L"Photavian64_App";
    const std::wstring dataFolder = destination + L"\\Data";

    ASSERT_EQ(RunSetup(L"/silent /folder=" + destination + L" /ini=" + dataFolder, m_start.Path()), 0);

    // The portable copy's own file points to its data folder and gets a toolbar of its own.
    const std::wstring programIni = destination + L"\\ph_tav64.ini";
    EXPECT_FALSE(IsUtf16(ReadFileBytes(programIni)));
    const std::vector<Entry> redirection = {{L"Others", L"INI_Folder", dataFolder}};
    EXPECT_EQ(ReadSettingsEntries(programIni), redirection + ToolbarEntries(L"Halvint_24.png", L"24"));
    // The settings file has the skin for a scale of 150.
    const std::wstring settings = dataFolder + L"\\ph_tav64.ini";
    EXPECT_EQ(ReadFileBytes(settings).substr(0, kHeaderBytes.size()), kHeaderBytes);
    EXPECT_EQ(ReadSettingsEntries(settings), kLanguageEntries + ToolbarEntries(L"gnome-colors-wise_32.png", L"32"));
}

TEST_F(SettingsInstall, UncreatableSettingsFolderLosesNothing)
{
    const std::wstring destination = m_scratch / L"dest";
    const std::wstring blocker = m_scratch / L"blocker";
    ASSERT_TRUE(WriteFileBytes(blocker, "a file where the settings folder should be"));

    ASSERT_EQ(RunSetup(L"/silent /folder=" + destination + L" /ini=" + blocker + L"\\settings", m_start.Path()), 0);

    EXPECT_EQ(ReadFileBytes(blocker), "a file where the settings folder should be");
    EXPECT_TRUE(FileExists(destination + L"\\ph_tav64.exe"));
    // No redirection to a folder that does not exist: the settings stay with the viewer.
    const std::wstring programIni = destination + L"\\ph_tav64.ini";
    EXPECT_EQ(ReadFileBytes(programIni).substr(0, kHeaderBytes.size()), kHeaderBytes);
    EXPECT_EQ(ReadSettingsEntries(programIni), kLanguageEntries + ToolbarEntries(L"Halvint_24.png", L"24"));
    EXPECT_FALSE(FileExists(m_start / L"Photavian_Install.log"));
}

TEST_F(SettingsInstall, ARunWithoutIniSwitchKeepsTheRedirectionOfTheInstallation)
{
    // A folder outside the program-files folders, its settings redirected by the first run. A
    // second run without "/ini=" finds the installation (no settings folder by default) and keeps
    // the redirection, so every user's own settings stay found; "/ini=" with nothing asks for the
    // destination's own file.
    const std::wstring destination = m_scratch / L"dest";
    const std::wstring settingsFolder = m_scratch / L"settings";
    const std::wstring programIni = destination + L"\\ph_tav64.ini";
    const std::vector<Entry> redirection = {{L"Others", L"INI_Folder", settingsFolder}};
    ASSERT_EQ(RunSetup(L"/silent /folder=" + destination + L" /ini=" + settingsFolder, m_start.Path()), 0);
    ASSERT_EQ(ReadSettingsEntries(programIni), redirection);

    ASSERT_EQ(RunSetup(L"/silent", m_start.Path()), 0);
    EXPECT_EQ(ReadSettingsEntries(programIni), redirection);
    EXPECT_EQ(ReadSettingsEntries(settingsFolder + L"\\ph_tav64.ini"),
              kLanguageEntries + ToolbarEntries(L"Halvint_24.png", L"24"));

    ASSERT_EQ(RunSetup(L"/silent /ini=", m_start.Path()), 0);
    EXPECT_EQ(ReadSettingsEntries(programIni), kLanguageEntries + ToolbarEntries(L"Halvint_24.png", L"24"));
}

TEST_F(SettingsInstall, LinksPlantedInTheSettingsFolderAreNeverWrittenThrough)
{
    // A settings folder any user may make first (as "C:\ProgramData\Photavian" is), holding the
    // temporary file of the conversion or the settings file itself as a link to a system file.
    const std::wstring destination = m_scratch / L"dest";
    const std::wstring settingsFolder = m_scratch / L"shared";
    const std::wstring victim = m_scratch / L"system.ini";
    const std::string victimBytes = "[boot]\r\nshell=explorer.exe\r\n";
    struct Case {
        const wchar_t* planted;
        bool settingsWritten; // the keys reach the settings folder's file
    };
    const Case cases[] = {{L"ph_tav64.ini_temp", true}, {L"ph_tav64.ini", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(Narrow(c.planted));
        RemoveTree(destination);
        ASSERT_TRUE(WriteFileBytes(victim, victimBytes));
        ASSERT_NE(::CreateDirectoryW(settingsFolder.c_str(), nullptr), FALSE);
        const std::wstring link = settingsFolder + L"\\" + c.planted;
        ASSERT_TRUE(PlantLink(link, victim));

        EXPECT_EQ(RunSetup(L"/silent /folder=" + destination + L" /ini=" + settingsFolder, m_start.Path()), 0);
        EXPECT_EQ(ReadFileBytes(victim), victimBytes) << "the system file is untouched and where it was";
        EXPECT_TRUE(FileExists(destination + L"\\ph_tav64.exe"));
        const std::wstring settings = settingsFolder + L"\\ph_tav64.ini";
        if (c.settingsWritten) {
            EXPECT_EQ(ReadSettingsEntries(settings), kLanguageEntries + ToolbarEntries(L"Halvint_24.png", L"24"));
        }
        ASSERT_TRUE(RemoveLink(link));
        RemoveTree(settingsFolder);
    }
}

} // namespace
} // namespace ph::test
