// All or nothing: the payload's files are written beside their final names first and put in place
// only once every one of them is complete, so that a run that fails or is interrupted leaves the
// installation as it was or complete, never a mixture.
//
// A file whose folder exists is written as "<name>.ph-new" beside its final name; at the swap the
// file it replaces is renamed aside to "<name>.ph-old" and the new one renamed in. A folder that
// does not exist yet is written whole as "<folder>.ph-new" beside its final name and renamed in at
// the swap. The aside copies are deleted at the end (a file in use, such as a loaded program, is
// renamed aside all the same; when it cannot be deleted it is left for the next restart and every
// later run tries again).
//
// A journal in the installation folder ("Photavian_Setup.journal") records each staged name before
// it is made, with its size and CRC-32, then the moment everything is staged, then the end of the
// swap. The next run reads it first: before that moment it removes what was staged; after it, it
// finishes the swap when every new file checks out (and otherwise puts the old files back); and it
// deletes the aside copies that are left.
#pragma once

#include "base/handles.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace ph {

inline constexpr wchar_t kStagedSuffix[] = L".ph-new";
inline constexpr wchar_t kAsideSuffix[] = L".ph-old";

// The longest a name may grow while it is staged or set aside (characters added to a path).
inline constexpr std::size_t kStagingExtraChars = sizeof(kStagedSuffix) / sizeof(wchar_t) - 1;

class StagedInstallation {
public:
    // destination: the installation folder, absolute and ending in a backslash; it exists.
    explicit StagedInstallation(const wchar_t* destination);
    ~StagedInstallation();
    StagedInstallation(const StagedInstallation&) = delete;
    StagedInstallation& operator=(const StagedInstallation&) = delete;

    // Reads what an earlier run left in the folder and finishes or undoes it, then starts this
    // run's journal. ERROR_SUCCESS, or the error that keeps the run from staging anything.
    [[nodiscard]] DWORD Begin();

    // A folder entry (name relative to the destination, '\' separators, no trailing one): the
    // folder exists afterwards, staged when it is new. ERROR_SUCCESS or why not.
    [[nodiscard]] DWORD StageFolder(const std::wstring& name);

    // A file entry: checks that the file it replaces, if any, can be replaced (a folder in its
    // place, a link or a file held without delete sharing cannot) and creates its staged file for
    // writing. size and crc are what the entry declares; file receives the open staged file.
    [[nodiscard]] DWORD StageFile(const std::wstring& name, std::uint64_t size, std::uint32_t crc, UniqueFile& file);

    // Every entry is staged and complete: puts them all in place. On a failure every file already
    // swapped is put back and the staged files removed; failedName then names the file that could
    // not be replaced. ERROR_SUCCESS or the error of the failing rename.
    [[nodiscard]] DWORD Commit(std::wstring& failedName);

    // The run failed before the commit: removes everything staged (the folder is as it was).
    void Discard();

    // How many files were staged, swapped in, and set aside to be deleted at the next restart.
    struct Counts {
        std::size_t staged = 0;
        std::size_t replaced = 0;
        std::size_t leftForRestart = 0;
    };
    const Counts& Tally() const { return m_counts; }

private:
    enum class Kind : wchar_t {
        Beside = L'F',    // a file staged beside its final name
        Inside = L'I',    // a file inside a new folder staged whole
        NewFolder = L'D', // a folder that did not exist: staged whole beside its final name
    };
    struct Entry {
        Kind kind;
        std::wstring name; // relative to the destination, '\' separators
        std::uint64_t size = 0;
        std::uint32_t crc = 0;
    };

    DWORD Recover();
    DWORD ReadJournal(bool& committed, bool& swapped);
    DWORD StartJournal();
    DWORD AppendJournal(const std::wstring& line);
    void CloseJournal();
    DWORD PlaceFolder(const std::wstring& folder, std::wstring& place, bool& inside);
    DWORD PlaceLevel(const std::wstring& level, std::wstring& root);
    DWORD CheckFolder(const std::wstring& folder) const;
    DWORD CheckReplaceable(const std::wstring& name);
    bool IsBelowDestination(HANDLE handle, const std::wstring& name) const;
    std::wstring StagedPlace(const std::wstring& root, const std::wstring& name) const;
    std::wstring RootOf(const std::wstring& name) const;
    bool NewFilesCheckOut() const;
    DWORD RollForward(std::wstring& failedName);
    void RollBack(bool committed);
    void DeleteAsideCopies();

    std::wstring m_destination;     // ends in a backslash
    std::wstring m_realDestination; // where it really is, below its volume's root
    std::wstring m_journalPath;
    UniqueFile m_journal;
    bool m_done = false;
    std::vector<Entry> m_entries;
    // Folders below the destination known to exist as real folders of it; the new ones this run
    // stages whole; and the folders made inside those.
    std::vector<std::wstring> m_existingFolders;
    std::vector<std::wstring> m_newRoots;
    std::vector<std::wstring> m_madeInside;
    // The folder the last file went into, where it is staged, and whether inside a new folder:
    // the entries of one folder come together.
    std::wstring m_lastFolder;
    std::wstring m_lastPlace;
    bool m_lastInside = false;
    // Aside copies of earlier runs and this one that wait for a restart, relative to the destination.
    std::vector<std::wstring> m_leftovers;
    Counts m_counts;
};

} // namespace ph
