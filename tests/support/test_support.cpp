// Helpers for the test programs.
#include "support/test_support.h"

#include "base/handles.h"
#include "base/product.h"
#include "base/resources.h"
#include "res/resource.h"

#include <unzip.h>
#include <zip.h>
#include <zlib.h>
#include <iowin32.h>

#include <algorithm>
#include <cstdio>

namespace ph::test {

namespace {

constexpr wchar_t kScratchRoot[] = L"C:\\ph_tests";
constexpr wchar_t kRule[] = L"------------------------------------------------";

void ListInto(const std::wstring& root, const std::wstring& relative, std::vector<std::wstring>& out)
{
    WIN32_FIND_DATAW data;
    std::wstring pattern = root + (relative.empty() ? L"" : L"\\" + relative) + L"\\*";
    UniqueFindHandle find(::FindFirstFileW(pattern.c_str(), &data));
    if (!find) {
        return;
    }
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        std::wstring path = relative.empty() ? name : relative + L"\\" + name;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            out.push_back(path + L"\\");
            ListInto(root, path, out);
        } else {
            out.push_back(path);
        }
    } while (::FindNextFileW(find.get(), &data) != FALSE);
}

} // namespace

std::wstring ResourceString(UINT id)
{
    return LoadResourceText(id).text;
}

std::wstring SetupExePath()
{
    return PH_TEST_SETUP_EXE;
}
std::wstring IconFixturePath(const wchar_t* fileName)
{
    return std::wstring(PH_TEST_ICON_FIXTURES) + L"\\" + fileName;
}
std::wstring PayloadIconLibraryPath()
{
    return PH_TEST_PAYLOAD_ICONS;
}

ScratchFolder::ScratchFolder(const wchar_t* name) : m_path(std::wstring(kScratchRoot) + L"\\" + name)
{
    ::CreateDirectoryW(kScratchRoot, nullptr);
    RemoveTree(m_path);
    ::CreateDirectoryW(m_path.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder()
{
    RemoveTree(m_path);
}

void RemoveTree(const std::wstring& path)
{
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(path.c_str());
        return;
    }
    {
        // The search ends before the folder is removed: an open search holds the folder.
        WIN32_FIND_DATAW data;
        UniqueFindHandle find(::FindFirstFileW((path + L"\\*").c_str(), &data));
        if (find) {
            do {
                std::wstring name = data.cFileName;
                if (name != L"." && name != L"..") {
                    RemoveTree(path + L"\\" + name);
                }
            } while (::FindNextFileW(find.get(), &data) != FALSE);
        }
    }
    ::RemoveDirectoryW(path.c_str());
}

bool FileExists(const std::wstring& path)
{
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FolderExists(const std::wstring& path)
{
    DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes)
{
    UniqueStdioFile file(::_wfopen(path.c_str(), L"wb"));
    if (!file) {
        return false;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    return CloseStdioFileChecked(file) && written;
}

std::string ReadFileBytes(const std::wstring& path)
{
    std::string bytes;
    UniqueStdioFile file(::_wfopen(path.c_str(), L"rb"));
    if (!file) {
        return bytes;
    }
    char block[65536];
    std::size_t got;
    while ((got = std::fread(block, 1, sizeof(block), file.get())) > 0) {
        bytes.append(block, got);
    }
    return bytes;
}

long long FileSize(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) == FALSE) {
        return -1;
    }
    return (static_cast<long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

std::uint32_t LastWriteDosTime(const std::wstring& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (::GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data) == FALSE) {
        return 0;
    }
    FILETIME local;
    WORD dosDate = 0;
    WORD dosTime = 0;
    if (::FileTimeToLocalFileTime(&data.ftLastWriteTime, &local) == FALSE
        || ::FileTimeToDosDateTime(&local, &dosDate, &dosTime) == FALSE) {
        return 0;
    }
    return (static_cast<std::uint32_t>(dosDate) << 16) | dosTime;
}

std::vector<std::wstring> ListTree(const std::wstring& root)
{
    std::vector<std::wstring> out;
    ListInto(root, L"", out);
    std::sort(out.begin(), out.end());
    return out;
}

ArchiveBuilder& ArchiveBuilder::Folder(const std::string& name)
{
    m_entries.push_back({name, std::string(), 0x5B7A6000, true, false});
    return *this;
}

ArchiveBuilder& ArchiveBuilder::File(const std::string& name, const std::string& data, std::uint32_t dosDateTime)
{
    m_entries.push_back({name, data, dosDateTime, false, false});
    return *this;
}

ArchiveBuilder& ArchiveBuilder::FileWithWrongCrc(const std::string& name, const std::string& data)
{
    m_entries.push_back({name, data, 0x5B7A6000, false, true});
    return *this;
}

ArchiveBuilder& ArchiveBuilder::FileDeclaringSize(const std::string& name, const std::string& data,
                                                  std::uint64_t declaredSize, bool stored)
{
    m_entries.push_back({name, data, 0x5B7A6000, false, false, declaredSize, stored});
    return *this;
}

ArchiveBuilder& ArchiveBuilder::Utf8File(const std::string& name, const std::string& data)
{
    m_entries.push_back({name, data, 0x5B7A6000, false, false, std::nullopt, false, true});
    return *this;
}

ArchiveBuilder& ArchiveBuilder::Append(const ArchiveBuilder& other)
{
    m_entries.insert(m_entries.end(), other.m_entries.begin(), other.m_entries.end());
    return *this;
}

namespace {

// The data as a raw deflate stream, the form a deflated entry holds.
std::string RawDeflate(const std::string& data)
{
    z_stream stream{};
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
        return std::string();
    }
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    int status = deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return status == Z_STREAM_END ? out : std::string();
}

} // namespace

bool ArchiveBuilder::Write(const std::wstring& path) const
{
    zlib_filefunc64_def functions{};
    fill_win32_filefunc64W(&functions);
    zipFile zip = zipOpen2_64(path.c_str(), APPEND_STATUS_CREATE, nullptr, &functions);
    if (zip == nullptr) {
        return false;
    }
    constexpr uLong kUtf8NameFlag = 0x800;
    constexpr std::uint64_t kZip64Size = 0xFFFFFFFFu;
    bool ok = true;
    for (const Entry& e : m_entries) {
        zip_fileinfo info{};
        info.dosDate = e.dosDateTime;
        // A wrong CRC or a declared size can only be recorded in raw mode: the entry's bytes are
        // written as they are and its CRC and size given at the end.
        const bool declared = e.declaredSize.has_value();
        const bool raw = e.wrongCrc || declared;
        const bool stored = e.folder || e.wrongCrc || (declared && e.stored);
        const int method = stored ? 0 : Z_DEFLATED;
        const int level = stored ? 0 : Z_DEFAULT_COMPRESSION;
        const int zip64 = declared && *e.declaredSize >= kZip64Size ? 1 : 0;
        ok = ok
            && zipOpenNewFileInZip4_64(zip, e.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method, level,
                                       raw ? 1 : 0, -MAX_WBITS, DEF_MEM_LEVEL, Z_DEFAULT_STRATEGY, nullptr, 0, 0,
                                       e.utf8Name ? kUtf8NameFlag : 0, zip64)
                == ZIP_OK;
        const std::string bytes = raw && !stored ? RawDeflate(e.data) : e.data;
        if (ok && !bytes.empty()) {
            ok = zipWriteInFileInZip(zip, bytes.data(), static_cast<unsigned>(bytes.size())) == ZIP_OK;
        }
        if (ok && raw) {
            uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(e.data.data()), static_cast<uInt>(e.data.size()));
            ok = zipCloseFileInZipRaw64(zip, declared ? *e.declaredSize : e.data.size(),
                                        e.wrongCrc ? crc ^ 0xFFFFFFFFu : crc)
                == ZIP_OK;
        } else if (ok) {
            ok = zipCloseFileInZip(zip) == ZIP_OK;
        }
    }
    return zipClose(zip, nullptr) == ZIP_OK && ok;
}

std::string ArchiveBuilder::Bytes() const
{
    wchar_t folder[MAX_PATH];
    wchar_t path[MAX_PATH];
    ::GetTempPathW(MAX_PATH, folder);
    ::GetTempFileNameW(folder, L"arc", 0, path);
    std::string bytes = Write(path) ? ReadFileBytes(path) : std::string();
    ::DeleteFileW(path);
    return bytes;
}

std::vector<StoredEntry> ReadProgramPayload(const std::wstring& program)
{
    std::vector<StoredEntry> entries;
    UniqueModule image(::LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
    const ResourceBytes payload = image ? LoadResourceBytes(image.get(), IDR_PAYLOAD_ZIP, RT_PAYLOAD_ZIP_NAME)
                                        : ResourceBytes{};
    if (payload.data == nullptr) {
        return entries;
    }
    ScratchFolder folder(L"payload_copy");
    const std::wstring path = folder / L"payload.zip";
    WriteFileBytes(path, std::string(static_cast<const char*>(payload.data), payload.size));

    zlib_filefunc64_def functions{};
    fill_win32_filefunc64W(&functions);
    unzFile zip = unzOpen2_64(path.c_str(), &functions);
    if (zip == nullptr) {
        return entries;
    }
    for (int status = unzGoToFirstFile(zip); status == UNZ_OK; status = unzGoToNextFile(zip)) {
        unz_file_info64 info{};
        char name[520] = {};
        unzGetCurrentFileInfo64(zip, &info, name, sizeof(name) - 1, nullptr, 0, nullptr, 0);
        StoredEntry entry{name, std::string(static_cast<std::size_t>(info.uncompressed_size), '\0'),
                          static_cast<std::uint32_t>(info.dosDate), false};
        entry.folder = !entry.name.empty() && entry.name.back() == '/';
        if (!entry.data.empty() && unzOpenCurrentFile(zip) == UNZ_OK) {
            unzReadCurrentFile(zip, entry.data.data(), static_cast<unsigned>(entry.data.size()));
            unzCloseCurrentFile(zip);
        }
        entries.push_back(std::move(entry));
    }
    unzClose(zip);
    return entries;
}

int RunProcess(const std::wstring& commandLine, const std::wstring& currentDirectory, DWORD timeoutMs)
{
    std::vector<wchar_t> line(commandLine.begin(), commandLine.end());
    line.push_back(L'\0');
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (::CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                         currentDirectory.empty() ? nullptr : currentDirectory.c_str(), &startup, &info)
        == FALSE) {
        std::fprintf(stderr, "RunProcess: CreateProcessW failed with error %lu\n", ::GetLastError());
        return -1;
    }
    UniqueKernelHandle process(info.hProcess);
    UniqueKernelHandle thread(info.hThread);
    if (::WaitForSingleObject(process.get(), timeoutMs) != WAIT_OBJECT_0) {
        ::TerminateProcess(process.get(), 99);
        return -1;
    }
    DWORD code = 0;
    ::GetExitCodeProcess(process.get(), &code);
    return static_cast<int>(code);
}

namespace {

// The host's path of a path of this prefix, through Wine's own conversion; empty when there is
// none (outside Wine).
std::string UnixPath(const std::wstring& path)
{
    using ToUnixFn = char*(CDECL*)(const wchar_t*);
    auto toUnix = reinterpret_cast<ToUnixFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
    char* unix = toUnix != nullptr ? toUnix(path.c_str()) : nullptr;
    if (unix == nullptr) {
        return {};
    }
    std::string text = unix;
    ::HeapFree(::GetProcessHeap(), 0, unix);
    return text;
}

// text as one word of the host's shell: in single quotes, a single quote inside as '\''.
std::string ShellWord(const std::string& text)
{
    std::string word = "'";
    for (char c : text) {
        word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return word + "'";
}

// Runs script in the host's shell and waits until it has run. Wine gives a Unix program started
// through its start no process to wait for, so start returns before the script may have run (and
// a link to a missing file cannot be seen from here): the script leaves a mark at markPath (a
// Windows path) once it is done, and the mark is waited for.
bool RunHostShell(const std::string& script, const std::wstring& markPath)
{
    std::string unixMark = UnixPath(markPath);
    if (unixMark.empty()) {
        return false;
    }
    std::string line = "start.exe /wait /unix /bin/sh -c \"" + script + " && : > " + ShellWord(unixMark) + "\"";
    wchar_t system[MAX_PATH] = {};
    ::GetSystemDirectoryW(system, MAX_PATH);
    // What start answers says little (it hands the program to the host and may fail to on a busy
    // prefix): the mark is what tells, and the script is started again when it does not come.
    for (int attempt = 0; attempt < 3; ++attempt) {
        RunProcess(std::wstring(system) + L"\\" + std::wstring(line.begin(), line.end()), L"");
        const ULONGLONG deadline = ::GetTickCount64() + 10000; // a loaded machine starts programs slowly
        while (!FileExists(markPath) && ::GetTickCount64() < deadline) {
            ::Sleep(1);
        }
        if (FileExists(markPath)) {
            return ::DeleteFileW(markPath.c_str()) != FALSE;
        }
    }
    return false;
}

} // namespace

bool PlantLink(const std::wstring& link, const std::wstring& target)
{
    // Wine's own link call makes nothing; the host's ln does.
    const std::string unixLink = UnixPath(link);
    const std::string unixTarget = UnixPath(target);
    return !unixLink.empty() && !unixTarget.empty()
        && RunHostShell("ln -sfn " + ShellWord(unixTarget) + " " + ShellWord(unixLink), link + L".planted");
}

bool RemoveLink(const std::wstring& link)
{
    const std::string unixLink = UnixPath(link);
    return !unixLink.empty() && RunHostShell("rm -f " + ShellWord(unixLink), link + L".removed");
}

bool CopySetupWithPayload(const std::wstring& path, const std::string& archiveBytes)
{
    return CopyProgramWithPayload(SetupExePath(), path, archiveBytes);
}

bool CopyProgramWithPayload(const std::wstring& program, const std::wstring& path, const std::string& archiveBytes)
{
    if (::CopyFileW(program.c_str(), path.c_str(), FALSE) == FALSE) {
        return false;
    }
    // Replace the payload under the language it was compiled with, so that no second copy remains.
    WORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
    {
        UniqueModule image(::LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
        if (!image) {
            return false;
        }
        ::EnumResourceLanguagesW(
            image.get(), RT_PAYLOAD_ZIP_NAME, MAKEINTRESOURCEW(IDR_PAYLOAD_ZIP),
            [](HMODULE, LPCWSTR, LPCWSTR, WORD found, LONG_PTR param) -> BOOL {
                *reinterpret_cast<WORD*>(param) = found;
                return FALSE;
            },
            reinterpret_cast<LONG_PTR>(&language));
    }
    HANDLE update = ::BeginUpdateResourceW(path.c_str(), FALSE);
    if (update == nullptr) {
        return false;
    }
    BOOL updated = ::UpdateResourceW(update, RT_PAYLOAD_ZIP_NAME, MAKEINTRESOURCEW(IDR_PAYLOAD_ZIP), language,
                                     const_cast<char*>(archiveBytes.data()), static_cast<DWORD>(archiveBytes.size()));
    return ::EndUpdateResourceW(update, updated == FALSE) != FALSE && updated != FALSE;
}

bool SetMachineString(const wchar_t* subKey, const wchar_t* valueName, const std::wstring& value)
{
    UniqueRegKey key;
    if (::RegCreateKeyExW(HKEY_LOCAL_MACHINE, subKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.put(), nullptr)
        != ERROR_SUCCESS) {
        return false;
    }
    return ::RegSetValueExW(key.get(), valueName, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)))
        == ERROR_SUCCESS;
}

void DeleteMachineTree(const wchar_t* subKey)
{
    ::RegDeleteTreeW(HKEY_LOCAL_MACHINE, subKey);
    ::RegDeleteKeyW(HKEY_LOCAL_MACHINE, subKey);
}

void RegisterViewerAt(const std::wstring& folder)
{
    SetMachineString(kProductOpenCommandKey.text, nullptr, L"\"" + folder + kViewerFileName + L"\" \"%1\"");
}

void UnregisterViewer()
{
    DeleteMachineTree(kProductClassKey.text);
}

namespace {
constexpr wchar_t kRedirectedHivesRoot[] = L"Software\\PhotavianTestHives";
} // namespace

RedirectedHives::RedirectedHives()
{
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kRedirectedHivesRoot);
    const wchar_t* names[] = {L"\\machine", L"\\user", L"\\classes"};
    for (std::size_t i = 0; i < 3; ++i) {
        std::wstring path = std::wstring(kRedirectedHivesRoot) + names[i];
        ::RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_keys[i], nullptr);
    }
    m_ok = m_keys[0] != nullptr && m_keys[1] != nullptr && m_keys[2] != nullptr
        && ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, m_keys[0]) == ERROR_SUCCESS
        && ::RegOverridePredefKey(HKEY_CURRENT_USER, m_keys[1]) == ERROR_SUCCESS
        && ::RegOverridePredefKey(HKEY_CLASSES_ROOT, m_keys[2]) == ERROR_SUCCESS;
}

RedirectedHives::~RedirectedHives()
{
    ::RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
    ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
    ::RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
    for (HKEY& key : m_keys) {
        if (key != nullptr) {
            ::RegCloseKey(key);
            key = nullptr;
        }
    }
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kRedirectedHivesRoot);
}

bool KeyExists(HKEY hive, const std::wstring& key)
{
    UniqueRegKey k;
    return ::RegOpenKeyExW(hive, key.c_str(), 0, KEY_READ, k.put()) == ERROR_SUCCESS;
}

std::optional<std::wstring> ReadSz(HKEY hive, const std::wstring& key, const wchar_t* name)
{
    wchar_t text[1024] = {};
    DWORD type = 0;
    DWORD bytes = sizeof(text);
    if (::RegGetValueW(hive, key.c_str(), name, RRF_RT_ANY | RRF_NOEXPAND, &type, text, &bytes) != ERROR_SUCCESS
        || type != REG_SZ) {
        return std::nullopt;
    }
    std::wstring value(text);
    if (bytes != (value.size() + 1) * sizeof(wchar_t)) {
        return L"<stored size " + std::to_wstring(bytes) + L">";
    }
    return value;
}

std::optional<DWORD> ReadDword(HKEY hive, const std::wstring& key, const wchar_t* name)
{
    DWORD number = 0;
    DWORD type = 0;
    DWORD bytes = sizeof(number);
    if (::RegGetValueW(hive, key.c_str(), name, RRF_RT_ANY, &type, &number, &bytes) != ERROR_SUCCESS
        || type != REG_DWORD || bytes != sizeof(number)) {
        return std::nullopt;
    }
    return number;
}

FakeViewerWindow::FakeViewerWindow()
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = kViewerWindowClass;
    ::RegisterClassW(&wc); // fails harmlessly when registered already
    m_hwnd = ::CreateWindowExW(0, kViewerWindowClass, L"any title", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                               nullptr, wc.hInstance, nullptr);
}

FakeViewerWindow::~FakeViewerWindow()
{
    if (m_hwnd != nullptr) {
        ::DestroyWindow(m_hwnd);
    }
}

std::vector<std::string> ReadLogEntries(const std::wstring& logPath)
{
    std::vector<std::string> entries;
    std::string text = ReadFileBytes(logPath);
    const std::string rule = "\r\n" + Narrow(kRule) + "\r\n";
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(rule, start)) != std::string::npos; start = at + rule.size()) {
        entries.push_back(text.substr(start, at - start));
    }
    if (start < text.size()) {
        entries.push_back(text.substr(start)); // an unterminated tail shows up as its own entry
    }
    return entries;
}

std::string Narrow(const std::wstring& text)
{
    std::string out;
    for (wchar_t c : text) {
        out += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return out;
}

} // namespace ph::test
