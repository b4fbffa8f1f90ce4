// Staging the payload beside the installation, putting it in place, and finishing or undoing what
// an interrupted run left.
#include "engine/staging.h"

#include "base/product.h"
#include "base/verified_files.h"
#include "platform/trace.h"

#include <zlib.h>

#include <cwchar>
#include <iterator>
#include <memory>
#include <new>

namespace ph {

namespace {

constexpr wchar_t kJournalHeader[] = L"photavian-setup-journal 1";
constexpr wchar_t kCommittedLine[] = L"C"; // everything staged and checked: the swap may begin
constexpr wchar_t kSwappedLine[] = L"S";   // everything in place: only aside copies are left
constexpr wchar_t kLeftoverMark = L'L';    // an aside copy that waits for a restart
constexpr std::size_t kCheckBlockBytes = 65536;
constexpr auto kJournalName = JoinTexts(kProductName, L"_Setup.journal");

bool Exists(const std::wstring& path)
{
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Removes a folder this run staged, with everything in it, or a file. Links are never followed:
// one found inside is left where it is (and the folder with it).
void RemoveStaged(const std::wstring& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileW(path.c_str());
        return;
    }
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return;
    }
    WIN32_FIND_DATAW found{};
    UniqueFindHandle search(
        ::FindFirstFileExW((path + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
    if (search) {
        do {
            if (std::wcscmp(found.cFileName, L".") == 0 || std::wcscmp(found.cFileName, L"..") == 0
                || (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
                continue;
            }
            RemoveStaged(path + L"\\" + found.cFileName);
        } while (::FindNextFileW(search.get(), &found) != FALSE);
    }
    ::RemoveDirectoryW(path.c_str());
}

// Whether the file at path holds size bytes with the CRC-32 crc.
bool FileChecksOut(const std::wstring& path, std::uint64_t size, std::uint32_t crc)
{
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        return false;
    }
    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[kCheckBlockBytes]);
    if (!block) {
        return false;
    }
    uLong sum = ::crc32(0L, Z_NULL, 0);
    std::uint64_t total = 0;
    for (;;) {
        DWORD got = 0;
        if (::ReadFile(file.get(), block.get(), static_cast<DWORD>(kCheckBlockBytes), &got, nullptr) == FALSE) {
            return false;
        }
        if (got == 0) {
            break;
        }
        sum = ::crc32(sum, block.get(), got);
        total += got;
    }
    return total == size && static_cast<std::uint32_t>(sum) == crc;
}

// Deletes an aside copy; one that cannot go now (a loaded program) goes at the next restart.
// False when it is still there.
bool DeleteAside(const std::wstring& path)
{
    ::SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (::DeleteFileW(path.c_str()) != FALSE || !Exists(path)) {
        return true;
    }
    const DWORD error = ::GetLastError();
    if (::MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) == FALSE) {
        TraceError(::GetLastError(), L"staging: %ls cannot be deleted (error %lu) nor left for the next restart",
                   path.c_str(), static_cast<unsigned long>(error));
    } else {
        TraceError(error, L"staging: %ls is in use, deleted at the next restart", path.c_str());
    }
    return false;
}

bool Contains(const std::vector<std::wstring>& names, const std::wstring& name)
{
    for (const std::wstring& known : names) {
        if (known == name) {
            return true;
        }
    }
    return false;
}

std::wstring HexText(std::uint64_t number)
{
    wchar_t text[24] = {};
    std::swprintf(text, std::size(text), L"%llx", static_cast<unsigned long long>(number));
    return text;
}

std::uint64_t ReadHex(const wchar_t*& at)
{
    wchar_t* end = nullptr;
    const unsigned long long value = std::wcstoull(at, &end, 16);
    at = end;
    return value;
}

} // namespace

StagedInstallation::StagedInstallation(const wchar_t* destination)
    : m_destination(destination), m_journalPath(m_destination + kJournalName.text)
{
}

StagedInstallation::~StagedInstallation()
{
    if (!m_done && m_journal) {
        Discard();
    }
}

DWORD StagedInstallation::Begin()
{
    // Where the destination really is: every file of the installation must lie below it, and no
    // link inside the installation may lead elsewhere.
    UniqueFile folder(::CreateFileW(m_destination.c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder) {
        return ::GetLastError();
    }
    if (!FinalPathBelowVolume(folder.get(), m_realDestination)) {
        return ::GetLastError() != ERROR_SUCCESS ? ::GetLastError() : ERROR_INVALID_DATA;
    }
    const DWORD error = Recover();
    if (error != ERROR_SUCCESS) {
        return error;
    }
    return StartJournal();
}

// ---- the journal ------------------------------------------------------------------------------

DWORD StagedInstallation::StartJournal()
{
    DWORD error = ERROR_SUCCESS;
    m_journal = OpenAsNamed(m_journalPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN,
                            error);
    if (!m_journal) {
        TraceError(error, L"staging: no journal %ls", m_journalPath.c_str());
        return error;
    }
    error = AppendJournal(std::wstring(L"\xFEFF") + kJournalHeader);
    for (const std::wstring& leftover : m_leftovers) {
        if (error == ERROR_SUCCESS) {
            error = AppendJournal(std::wstring(1, kLeftoverMark) + L"\t" + leftover);
        }
    }
    return error;
}

DWORD StagedInstallation::AppendJournal(const std::wstring& line)
{
    const std::wstring text = line + L"\r\n";
    const DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    DWORD written = 0;
    if (::WriteFile(m_journal.get(), text.data(), bytes, &written, nullptr) == FALSE) {
        return ::GetLastError();
    }
    return written == bytes ? ERROR_SUCCESS : ERROR_WRITE_FAULT;
}

void StagedInstallation::CloseJournal()
{
    m_journal.reset();
    ::SetFileAttributesW(m_journalPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(m_journalPath.c_str());
    m_entries.clear();
    m_done = true;
    if (m_leftovers.empty()) {
        return;
    }
    // The aside copies still waiting are remembered for the next run.
    if (StartJournal() == ERROR_SUCCESS) {
        Trace(L"staging: %zu aside copies wait for the next restart, listed in %ls", m_leftovers.size(),
              m_journalPath.c_str());
    }
    m_journal.reset();
}

DWORD StagedInstallation::ReadJournal(bool& committed, bool& swapped)
{
    DWORD error = ERROR_SUCCESS;
    UniqueFile journal = OpenAsNamed(m_journalPath.c_str(), GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0, error);
    if (!journal) {
        return error;
    }
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(journal.get(), &size) == FALSE || size.QuadPart > 0x7FFFFFFF) {
        return ERROR_INVALID_DATA;
    }
    // A character cut in half by the interruption is not read.
    std::wstring text(static_cast<std::size_t>(size.QuadPart) / sizeof(wchar_t), L'\0');
    const DWORD bytes = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    DWORD got = 0;
    if (::ReadFile(journal.get(), text.data(), bytes, &got, nullptr) == FALSE || got != bytes) {
        return ::GetLastError() != ERROR_SUCCESS ? ::GetLastError() : ERROR_READ_FAULT;
    }
    // One record a line; a line cut short by the interruption is the last and is ignored. A journal
    // cut before its first line ends records nothing: nothing was staged before it.
    std::size_t at = !text.empty() && text[0] == L'\xFEFF' ? 1 : 0;
    if (text.find(L"\r\n", at) == std::wstring::npos) {
        return ERROR_SUCCESS;
    }
    bool headerSeen = false;
    for (;;) {
        const std::size_t end = text.find(L"\r\n", at);
        if (end == std::wstring::npos) {
            break;
        }
        const std::wstring line = text.substr(at, end - at);
        at = end + 2;
        if (!headerSeen) {
            if (line != kJournalHeader) {
                return ERROR_INVALID_DATA;
            }
            headerSeen = true;
            continue;
        }
        if (line == kCommittedLine) {
            committed = true;
            continue;
        }
        if (line == kSwappedLine) {
            swapped = true;
            continue;
        }
        if (line.size() < 3 || line[1] != L'\t') {
            return ERROR_INVALID_DATA;
        }
        const wchar_t* field = line.c_str() + 2;
        switch (line[0]) {
        case L'D':
            m_entries.push_back({Kind::NewFolder, field});
            m_newRoots.push_back(field);
            break;
        case L'F':
        case L'I': {
            Entry entry{static_cast<Kind>(line[0]), L""};
            entry.size = ReadHex(field);
            entry.crc = static_cast<std::uint32_t>(ReadHex(++field));
            if (*field != L'\t') {
                return ERROR_INVALID_DATA;
            }
            entry.name = field + 1;
            m_entries.push_back(entry);
            break;
        }
        case kLeftoverMark:
            m_leftovers.push_back(field);
            break;
        default:
            return ERROR_INVALID_DATA;
        }
    }
    return headerSeen ? ERROR_SUCCESS : ERROR_INVALID_DATA;
}

DWORD StagedInstallation::Recover()
{
    if (!Exists(m_journalPath)) {
        return ERROR_SUCCESS;
    }
    bool committed = false;
    bool swapped = false;
    DWORD error = ReadJournal(committed, swapped);
    if (error != ERROR_SUCCESS) {
        TraceError(error, L"staging: the journal %ls of an earlier run cannot be read; nothing is written",
                   m_journalPath.c_str());
        return error;
    }
    if (!m_entries.empty()) {
        // An earlier run was interrupted: before everything was staged its staged files go; after
        // that its swap is finished when every new file checks out, and undone otherwise.
        const wchar_t* how = L"undone";
        if (swapped) {
            how = L"finished";
        } else if (committed && NewFilesCheckOut()) {
            std::wstring failed;
            error = RollForward(failed);
            if (error == ERROR_SUCCESS) {
                how = L"finished";
            } else {
                TraceError(error, L"staging: %ls of the interrupted run cannot be put in place", failed.c_str());
                RollBack(true);
            }
        } else {
            RollBack(committed);
        }
        DeleteAsideCopies();
        Trace(L"staging: the installation an earlier run left unfinished (%zu entries) is %ls", m_entries.size(), how);
    }
    // Aside copies of earlier runs that are gone now are forgotten.
    std::vector<std::wstring> waiting;
    for (const std::wstring& leftover : m_leftovers) {
        if (!DeleteAside(m_destination + leftover)) {
            waiting.push_back(leftover);
        }
    }
    m_leftovers = waiting;
    m_entries.clear();
    m_newRoots.clear();
    m_lastFolder.clear();
    ::SetFileAttributesW(m_journalPath.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (::DeleteFileW(m_journalPath.c_str()) == FALSE) {
        return ::GetLastError();
    }
    return ERROR_SUCCESS;
}

// ---- staging ----------------------------------------------------------------------------------

bool StagedInstallation::IsBelowDestination(HANDLE handle, const std::wstring& name) const
{
    FILE_ATTRIBUTE_TAG_INFO attributes{};
    if (::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &attributes, sizeof(attributes)) == FALSE
        || (attributes.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return false;
    }
    std::wstring real;
    if (!FinalPathBelowVolume(handle, real)) {
        return false;
    }
    const std::wstring expected = m_realDestination + L"\\" + name;
    return ::CompareStringOrdinal(real.c_str(), -1, expected.c_str(), -1, TRUE) == CSTR_EQUAL;
}

DWORD StagedInstallation::CheckFolder(const std::wstring& folder) const
{
    UniqueFile opened(::CreateFileW((m_destination + folder).c_str(), FILE_READ_ATTRIBUTES,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!opened) {
        return ::GetLastError();
    }
    return IsBelowDestination(opened.get(), folder) ? ERROR_SUCCESS : kErrorRedirected;
}

std::wstring StagedInstallation::StagedPlace(const std::wstring& root, const std::wstring& name) const
{
    return m_destination + root + kStagedSuffix + name.substr(root.size());
}

std::wstring StagedInstallation::RootOf(const std::wstring& name) const
{
    for (std::size_t end = name.find(L'\\'); end != std::wstring::npos; end = name.find(L'\\', end + 1)) {
        const std::wstring level = name.substr(0, end);
        if (Contains(m_newRoots, level)) {
            return level;
        }
    }
    return {};
}

DWORD StagedInstallation::PlaceLevel(const std::wstring& level, std::wstring& root)
{
    if (!root.empty()) {
        // Inside a new folder: made as the entries ask for it.
        if (!Contains(m_madeInside, level)) {
            if (::CreateDirectoryW(StagedPlace(root, level).c_str(), nullptr) == FALSE) {
                return ::GetLastError();
            }
            m_madeInside.push_back(level);
        }
        return ERROR_SUCCESS;
    }
    if (Contains(m_newRoots, level)) {
        root = level;
        return ERROR_SUCCESS;
    }
    if (Contains(m_existingFolders, level)) {
        return ERROR_SUCCESS;
    }
    const DWORD attributes = ::GetFileAttributesW((m_destination + level).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        if (error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
            return error;
        }
        // A new folder: recorded before it is made, so that an interruption cannot leave it behind
        // unknown.
        const DWORD written = AppendJournal(std::wstring(1, static_cast<wchar_t>(Kind::NewFolder)) + L"\t" + level);
        if (written != ERROR_SUCCESS) {
            return written;
        }
        m_entries.push_back({Kind::NewFolder, level});
        if (::CreateDirectoryW((m_destination + level + kStagedSuffix).c_str(), nullptr) == FALSE) {
            return ::GetLastError();
        }
        m_newRoots.push_back(level);
        root = level;
        return ERROR_SUCCESS;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return ERROR_ALREADY_EXISTS; // a file stands where the folder goes
    }
    const DWORD error = CheckFolder(level);
    if (error == ERROR_SUCCESS) {
        m_existingFolders.push_back(level);
    }
    return error;
}

DWORD StagedInstallation::PlaceFolder(const std::wstring& folder, std::wstring& place, bool& inside)
{
    if (!m_lastFolder.empty() && folder == m_lastFolder) {
        place = m_lastPlace;
        inside = m_lastInside;
        return ERROR_SUCCESS;
    }
    // Each level of the folder, from the top, is a real folder of the installation, or the first
    // new one (staged whole beside its final name), or lies inside such a new one.
    std::wstring root;
    for (std::size_t end = folder.find(L'\\');; end = folder.find(L'\\', end + 1)) {
        const DWORD error = PlaceLevel(folder.substr(0, end), root);
        if (error != ERROR_SUCCESS) {
            return error;
        }
        if (end == std::wstring::npos) {
            break;
        }
    }
    inside = !root.empty();
    place = inside ? StagedPlace(root, folder) : m_destination + folder;
    m_lastFolder = folder;
    m_lastPlace = place;
    m_lastInside = inside;
    return ERROR_SUCCESS;
}

DWORD StagedInstallation::StageFolder(const std::wstring& name)
{
    std::wstring place;
    bool inside = false;
    return name.empty() ? ERROR_SUCCESS : PlaceFolder(name, place, inside);
}

DWORD StagedInstallation::CheckReplaceable(const std::wstring& name)
{
    const std::wstring finalPath = m_destination + name;
    const DWORD attributes = ::GetFileAttributesW(finalPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ERROR_SUCCESS : error;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return ERROR_ACCESS_DENIED; // a folder stands where the file goes
    }
    // The file it replaces must be this installation's own and free to be renamed: a file held
    // without delete sharing shows here, before anything is written.
    {
        UniqueFile existing(::CreateFileW(finalPath.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                          OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
        if (!existing) {
            return ::GetLastError();
        }
        if (!IsBelowDestination(existing.get(), name)) {
            return kErrorRedirected;
        }
    }
    // An aside copy of an earlier upgrade still in use (it waits for a restart) keeps its place
    // under another name.
    const std::wstring aside = finalPath + kAsideSuffix;
    if (Exists(aside) && !DeleteAside(aside)) {
        const std::wstring moved = name + kAsideSuffix + L"." + HexText(::GetTickCount64());
        if (::MoveFileExW(aside.c_str(), (m_destination + moved).c_str(), 0) == FALSE) {
            return ::GetLastError();
        }
        ::MoveFileExW((m_destination + moved).c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        m_leftovers.push_back(moved);
        DWORD written = AppendJournal(std::wstring(1, kLeftoverMark) + L"\t" + moved);
        if (written != ERROR_SUCCESS) {
            return written;
        }
    }
    return ERROR_SUCCESS;
}

DWORD StagedInstallation::StageFile(const std::wstring& name, std::uint64_t size, std::uint32_t crc, UniqueFile& file)
{
    file.reset();
    const std::size_t slash = name.rfind(L'\\');
    std::wstring folder = m_destination;
    bool inside = false;
    if (slash != std::wstring::npos) {
        const DWORD error = PlaceFolder(name.substr(0, slash), folder, inside);
        if (error != ERROR_SUCCESS) {
            return error;
        }
        folder += L'\\';
    }
    const Kind kind = inside ? Kind::Inside : Kind::Beside;
    if (kind == Kind::Beside) {
        const DWORD error = CheckReplaceable(name);
        if (error != ERROR_SUCCESS) {
            return error;
        }
    }
    const std::wstring leaf = slash == std::wstring::npos ? name : name.substr(slash + 1);
    const std::wstring staged = folder + leaf + (kind == Kind::Beside ? kStagedSuffix : L"");

    // Recorded before it is made, with what a later run checks it by.
    DWORD error = AppendJournal(std::wstring(1, static_cast<wchar_t>(kind)) + L"\t" + HexText(size) + L"\t"
                                + HexText(crc) + L"\t" + name);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    m_entries.push_back({kind, name, size, crc});
    // A new file: it gets the security of the folder it is made in, and an existing name (or a
    // link planted under it) is never written through.
    // It is opened to read its times too: the entry's time is set through this handle.
    file.reset(::CreateFileW(staged.c_str(), GENERIC_WRITE | FILE_READ_ATTRIBUTES, FILE_SHARE_READ, nullptr, CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return ::GetLastError();
    }
    ++m_counts.staged;
    return ERROR_SUCCESS;
}

// ---- the swap ---------------------------------------------------------------------------------

bool StagedInstallation::NewFilesCheckOut() const
{
    for (const Entry& entry : m_entries) {
        std::wstring path;
        if (entry.kind == Kind::Beside) {
            path = m_destination + entry.name + kStagedSuffix;
            if (!Exists(path)) {
                path = m_destination + entry.name;
            }
        } else if (entry.kind == Kind::Inside) {
            const std::wstring root = RootOf(entry.name);
            path = StagedPlace(root, entry.name);
            if (root.empty() || !Exists(path)) {
                path = m_destination + entry.name;
            }
        } else {
            continue;
        }
        if (!FileChecksOut(path, entry.size, entry.crc)) {
            Trace(L"staging: %ls is not what the interrupted run staged", path.c_str());
            return false;
        }
    }
    return true;
}

DWORD StagedInstallation::RollForward(std::wstring& failedName)
{
    for (const Entry& entry : m_entries) {
        const std::wstring finalPath = m_destination + entry.name;
        const std::wstring staged = finalPath + kStagedSuffix;
        if (entry.kind == Kind::Inside || !Exists(staged)) {
            continue; // inside a new folder, or in place already
        }
        failedName = entry.name;
        if (entry.kind == Kind::Beside && Exists(finalPath)) {
            // The file it replaces goes aside through the handle that was checked: a name that a
            // link took over in the meantime is refused, never renamed through.
            UniqueFile existing(::CreateFileW(finalPath.c_str(), DELETE | FILE_READ_ATTRIBUTES,
                                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
            if (!existing) {
                return ::GetLastError();
            }
            if (!IsBelowDestination(existing.get(), entry.name)) {
                return kErrorRedirected;
            }
            const DWORD error = RenameThroughHandle(existing.get(), (finalPath + kAsideSuffix).c_str(), false);
            if (error != ERROR_SUCCESS) {
                return error;
            }
            ++m_counts.replaced;
        }
        if (::MoveFileExW(staged.c_str(), finalPath.c_str(), 0) == FALSE) {
            return ::GetLastError();
        }
    }
    failedName.clear();
    return ERROR_SUCCESS;
}

void StagedInstallation::RollBack(bool committed)
{
    for (auto entry = m_entries.rbegin(); entry != m_entries.rend(); ++entry) {
        const std::wstring finalPath = m_destination + entry->name;
        const std::wstring staged = finalPath + kStagedSuffix;
        if (entry->kind == Kind::NewFolder) {
            if (Exists(staged)) {
                RemoveStaged(staged);
            } else if (committed) {
                RemoveStaged(finalPath); // it did not exist before this run put it in place
            }
            continue;
        }
        if (entry->kind == Kind::Inside) {
            continue; // goes with its folder
        }
        const std::wstring aside = finalPath + kAsideSuffix;
        const bool wasStaged = Exists(staged);
        if (wasStaged) {
            RemoveStaged(staged);
        }
        if (Exists(aside)) {
            // The old file goes back to its name; the new one there, if any, goes.
            if (!wasStaged && Exists(finalPath)) {
                RemoveStaged(finalPath);
            }
            ::MoveFileExW(aside.c_str(), finalPath.c_str(), 0);
        } else if (!wasStaged && committed && Exists(finalPath)) {
            RemoveStaged(finalPath); // a new file where there was none
        }
    }
}

void StagedInstallation::DeleteAsideCopies()
{
    for (const Entry& entry : m_entries) {
        if (entry.kind != Kind::Beside) {
            continue;
        }
        const std::wstring aside = entry.name + kAsideSuffix;
        if (Exists(m_destination + aside) && !DeleteAside(m_destination + aside)) {
            m_leftovers.push_back(aside);
            ++m_counts.leftForRestart;
        }
    }
}

DWORD StagedInstallation::Commit(std::wstring& failedName)
{
    // From here on the next run finishes what this one started: the moment is on the disk first.
    DWORD error = AppendJournal(kCommittedLine);
    if (error == ERROR_SUCCESS && ::FlushFileBuffers(m_journal.get()) == FALSE) {
        error = ::GetLastError();
    }
    if (error != ERROR_SUCCESS) {
        failedName.clear();
        Discard();
        return error;
    }
    error = RollForward(failedName);
    if (error != ERROR_SUCCESS) {
        RollBack(true);
        CloseJournal();
        return error;
    }
    (void)AppendJournal(kSwappedLine);
    DeleteAsideCopies();
    CloseJournal();
    return ERROR_SUCCESS;
}

void StagedInstallation::Discard()
{
    RollBack(false);
    CloseJournal();
}

} // namespace ph
