// Helpers for the test programs: scratch folders, files, archives, processes and registry.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ph::test {

// Paths of the build's artifacts as this test program sees them.
std::wstring SetupExePath();                           // the real photavian-setup.exe
std::wstring IconFixturePath(const wchar_t* fileName); // a DLL of the icon-library fixtures
std::wstring PayloadIconLibraryPath();                 // the Icons.dll that went into the default payload

// A fresh, empty folder under C:\ph_tests, removed with everything in it at the end of scope.
// Path() ends without backslash.
class ScratchFolder {
public:
    explicit ScratchFolder(const wchar_t* name);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::wstring& Path() const { return m_path; }
    std::wstring operator/(const std::wstring& relative) const { return m_path + L"\\" + relative; }

private:
    std::wstring m_path;
};

// String id of this program's string table (the setup program's own, compiled in).
std::wstring ResourceString(UINT id);

// Deletes a folder tree; ignores what is missing.
void RemoveTree(const std::wstring& path);

bool FileExists(const std::wstring& path);
bool FolderExists(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::wstring& path); // empty when unreadable
long long FileSize(const std::wstring& path);        // -1 when missing
// Last-write time as local DOS date (high 16 bits) and time (low 16 bits); 0 when unreadable.
std::uint32_t LastWriteDosTime(const std::wstring& path);
// Relative paths of all files and folders under root (folders end in '\'), sorted.
std::vector<std::wstring> ListTree(const std::wstring& root);

// Makes a ZIP archive with minizip's zip layer. Entries keep the order of the calls.
class ArchiveBuilder {
public:
    // A folder entry, stored; name ends in '/'.
    ArchiveBuilder& Folder(const std::string& name);
    // A deflated file entry with the given DOS date and time.
    ArchiveBuilder& File(const std::string& name, const std::string& data, std::uint32_t dosDateTime = 0x5B7A6000);
    // A file entry whose recorded CRC-32 does not match its data.
    ArchiveBuilder& FileWithWrongCrc(const std::string& name, const std::string& data);
    // A file entry that records declaredSize as its uncompressed size instead of the data's length,
    // with the data's own CRC-32; stored or deflated. A size of 4 GB or more is recorded in the
    // ZIP64 form.
    ArchiveBuilder& FileDeclaringSize(const std::string& name, const std::string& data, std::uint64_t declaredSize,
                                      bool stored);
    // A deflated file entry whose name is marked as UTF-8 (general-purpose flag bit 11).
    ArchiveBuilder& Utf8File(const std::string& name, const std::string& data);
    // The entries of other, after the ones already here.
    ArchiveBuilder& Append(const ArchiveBuilder& other);
    // Writes the archive; false when minizip fails.
    bool Write(const std::wstring& path) const;
    // The archive's bytes (written through a temporary file).
    std::string Bytes() const;

private:
    struct Entry {
        std::string name;
        std::string data;
        std::uint32_t dosDateTime;
        bool folder;
        bool wrongCrc;
        std::optional<std::uint64_t> declaredSize = std::nullopt;
        bool stored = false;
        bool utf8Name = false;
    };
    std::vector<Entry> m_entries;
};

// One entry of an archive as it is stored: name with '/' separators (a folder's ends in '/'), the
// uncompressed bytes, the packed DOS date and time.
struct StoredEntry {
    std::string name;
    std::string data;
    std::uint32_t dosDateTime = 0;
    bool folder = false;
};

// The entries of the archive a program carries as its payload (the setup program's by default), in
// archive order; empty when it has none.
std::vector<StoredEntry> ReadProgramPayload(const std::wstring& program = SetupExePath());

// Runs a program with exactly this command line (no re-quoting) in the given current
// directory, waits for it and returns its exit code; -1 when it could not be started.
int RunProcess(const std::wstring& commandLine, const std::wstring& currentDirectory, DWORD timeoutMs = 60000);

// Makes link a symbolic link to target (both Windows paths of this prefix; target may be missing).
// Under Wine such a link stands for the junctions and links any Windows user can make: paths
// resolve through it. False when it could not be made.
bool PlantLink(const std::wstring& link, const std::wstring& target);
// Removes a link PlantLink made: the link itself, never what it leads to (deleting it by name
// under Wine deletes its target).
bool RemoveLink(const std::wstring& link);

// Copies the setup program to path and replaces its payload resource (IDR_PAYLOAD_ZIP) with the
// given archive bytes. False when the copy or the resource update fails.
bool CopySetupWithPayload(const std::wstring& path, const std::string& archiveBytes);
// The same for any program that carries a payload resource.
bool CopyProgramWithPayload(const std::wstring& program, const std::wstring& path, const std::string& archiveBytes);

// Registry of HKEY_LOCAL_MACHINE in this test's prefix.
bool SetMachineString(const wchar_t* subKey, const wchar_t* valueName, const std::wstring& value);
void DeleteMachineTree(const wchar_t* subKey);
// Registers an installation the way the registration writes it: the open command of the
// product's class with the viewer in folder (ending in a backslash).
void RegisterViewerAt(const std::wstring& folder);
void UnregisterViewer();

// HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER and HKEY_CLASSES_ROOT point at fresh scratch keys of
// the real current-user hive while the object lives (for this process only); the scratch keys are
// removed afterwards.
class RedirectedHives {
public:
    RedirectedHives();
    ~RedirectedHives();
    RedirectedHives(const RedirectedHives&) = delete;
    RedirectedHives& operator=(const RedirectedHives&) = delete;

    bool ok() const { return m_ok; }
    // The scratch keys that stand in for HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER and
    // HKEY_CLASSES_ROOT, for reading back what was written there.
    HKEY Machine() const { return m_keys[0]; }
    HKEY User() const { return m_keys[1]; }
    HKEY Classes() const { return m_keys[2]; }

private:
    HKEY m_keys[3] = {};
    bool m_ok = false;
};

bool KeyExists(HKEY hive, const std::wstring& key);

// A REG_SZ value whose stored size counts exactly the text and its terminator; nothing when the
// value is missing or has another type, and "<stored size N>" when its size is another.
std::optional<std::wstring> ReadSz(HKEY hive, const std::wstring& key, const wchar_t* name);
// A REG_DWORD value of 4 bytes; nothing when the value is missing or another.
std::optional<DWORD> ReadDword(HKEY hive, const std::wstring& key, const wchar_t* name);

// A top-level window of the viewer's window class in this process, so that the setup program
// sees a running viewer; destroyed at the end of scope.
class FakeViewerWindow {
public:
    FakeViewerWindow();
    ~FakeViewerWindow();
    FakeViewerWindow(const FakeViewerWindow&) = delete;
    FakeViewerWindow& operator=(const FakeViewerWindow&) = delete;
    bool Exists() const { return m_hwnd != nullptr; }

private:
    HWND m_hwnd = nullptr;
};

// The log entries of a log file: each date/time line with its message lines, rule excluded.
std::vector<std::string> ReadLogEntries(const std::wstring& logPath);

// Narrow text of a UTF-16 string for messages (code units above 0x7F become '?').
std::string Narrow(const std::wstring& text);

} // namespace ph::test
