// The viewer's settings files after silent installations by the real setup program.
#include "e2e/e2e_support.h"

#include "app/probes.h"
#include "base/handles.h"

#include <cstring>
#include <optional>
#include <ostream>

namespace ph::test {
namespace {

// One "key=value" line of a settings file with its section, in file order.
struct Entry {
    std::wstring section;
    std::wstring key;
    std::wstring value;
    bool operator==(const Entry&) const = default;
};

void PrintTo(const Entry& e, std::ostream* os)
{
    *os << Narrow(L"[" + e.section + L"] " + e.key + L"=" + e.value);
}

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

// The keys of a settings file, decoded from its bytes: UTF-16LE after a byte-order mark,
// otherwise 8-bit text in the ANSI code page.
std::vector<Entry> ReadEntries(const std::wstring& path)
{
    std::string bytes = ReadFileBytes(path);
    std::wstring text;
    if (IsUtf16(bytes)) {
        text.resize((bytes.size() - 2) / 2);
        std::memcpy(text.data(), bytes.data() + 2, text.size() * 2);
    } else {
        text.resize(bytes.size());
        int n = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                                      static_cast<int>(text.size()));
        text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    }
    std::vector<Entry> entries;
    std::wstring section;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L'\n', start);
        std::wstring line = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        start = end == std::wstring::npos ? text.size() : end + 1;
        if (!line.empty() && line.back() == L'\r') {
            line.pop_back();
        }
        if (line.size() >= 2 && line.front() == L'[' && line.back() == L']') {
            section = line.substr(1, line.size() - 2);
        } else if (std::size_t eq = line.find(L'='); eq != std::wstring::npos && line[0] != L';') {
            entries.push_back({section, line.substr(0, eq), line.substr(eq + 1)});
        }
    }
    return entries;
}

const std::vector<Entry> kLanguage = {{L"Language", L"DLL", L"ENGLISH"}, {L"Language", L"Lang", L"English"}};

std::vector<Entry> operator+(std::vector<Entry> a, const std::vector<Entry>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<Entry> Toolbar(const wchar_t* skin, const wchar_t* size)
{
    return {{L"Toolbar", L"Skin", skin}, {L"Toolbar", L"Size", size}};
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
        ::RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, KEY_QUERY_VALUE | KEY_SET_VALUE,
                        m_key.put());
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
            ::RegSetValueExW(m_key.get(), L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old),
                             sizeof(old));
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
    ScratchFolder m_start{L"settings_start"};
    ScratchFolder m_scratch{L"settings"};
};

TEST_F(SettingsInstall, FreshSilentInstallKeepsTheViewersSettingsInTheApplicationDataFolder)
{
    // This prefix's screen: 96 DPI and a height that asks for the 24-pixel skin.
    ASSERT_EQ(Seams().displayDpiX(), 96);
    int height = Seams().fullScreenHeight();
    ASSERT_TRUE(height >= 768 && height <= 1200) << height;

    ASSERT_EQ(RunSetup(L"/silent", m_start.Path()), 0);

    const std::wstring programIni = kProgramFilesFolder + L"\\ph_tav64.ini";
    EXPECT_FALSE(IsUtf16(ReadFileBytes(programIni)));
    EXPECT_EQ(ReadEntries(programIni), (std::vector<Entry>{{L"Others", L"INI_Folder", L"%APPDATA%\\Photavian"}}));

    const std::wstring settings = AppDataSettingsFolder() + L"\\ph_tav64.ini";
    EXPECT_EQ(ReadFileBytes(settings).substr(0, kHeaderBytes.size()), kHeaderBytes);
    EXPECT_EQ(ReadEntries(settings), kLanguage + Toolbar(L"Halvint_24.png", L"24"));
    EXPECT_FALSE(FileExists(kProgramFilesFolder + L"\\ph_tav64.ini_temp"));
    EXPECT_FALSE(FileExists(AppDataSettingsFolder() + L"\\ph_tav64.ini_temp"));
}

TEST_F(SettingsInstall, ExistingSettingsKeepTheirSkinAndTheUsersKeys)
{
    const std::wstring settings = AppDataSettingsFolder() + L"\\ph_tav64.ini";
    ASSERT_NE(::CreateDirectoryW(AppDataSettingsFolder().c_str(), nullptr), FALSE);
    ASSERT_TRUE(WriteFileBytes(settings, "[Toolbar]\r\nSkin=Custom.png\r\nSize=99\r\nButtons=7\r\n"
                                         "[View]\r\nZoom=150\r\nLastFolder=C:\\Caf\xE9\r\n"
                                         "[Language]\r\nDLL=GERMAN\r\nLang=Deutsch\r\n"));
    const std::vector<Entry> expected = {
        {L"Toolbar", L"Skin", L"Custom.png"},      {L"Toolbar", L"Size", L"99"},
        {L"Toolbar", L"Buttons", L"7"},            {L"View", L"Zoom", L"150"},
        {L"View", L"LastFolder", L"C:\\Caf\u00E9"}, {L"Language", L"DLL", L"ENGLISH"},
        {L"Language", L"Lang", L"English"},
    };

    ASSERT_EQ(RunSetup(L"/silent", m_start.Path()), 0);
    std::string first = ReadFileBytes(settings);
    EXPECT_EQ(first.substr(0, kHeaderBytes.size()), kHeaderBytes);
    EXPECT_EQ(ReadEntries(settings), expected);

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
    EXPECT_EQ(ReadEntries(programIni), kept + kLanguage + Toolbar(L"Halvint_24.png", L"24"));
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
    EXPECT_EQ(ReadEntries(programIni), redirection + Toolbar(L"Halvint_24.png", L"24"));
    // The settings file has the skin for a scale of 150.
    const std::wstring settings = dataFolder + L"\\ph_tav64.ini";
    EXPECT_EQ(ReadFileBytes(settings).substr(0, kHeaderBytes.size()), kHeaderBytes);
    EXPECT_EQ(ReadEntries(settings), kLanguage + Toolbar(L"gnome-colors-wise_32.png", L"32"));
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
    EXPECT_EQ(ReadEntries(programIni), kLanguage + Toolbar(L"Halvint_24.png", L"24"));
    EXPECT_FALSE(FileExists(m_start / L"Photavian_Install.log"));
}

} // namespace
} // namespace ph::test
