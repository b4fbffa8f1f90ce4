// Why a run stopped, for the caller's exit code, and which of several causes names it.
#pragma once

#include <windows.h>

namespace ph {

enum class InstallFailure {
    None,
    Other,                   // anything else: a damaged payload, an entry that could not be written
    FileInUse,               // a file to be replaced is held open by another process
    DiskFull,                // a write or a folder failed because the disk is full
    NotEnoughSpace,          // the payload does not fit the free space, found before any file is written
    InvalidDestination,      // IDS_INVALID_DEST
    DestinationNotCreatable, // IDS_CREATE_DEST_FAILED
    DestinationNotTrusted,   // IDS_DEST_NOT_TRUSTED: another account owns it
};

// How telling a cause is when several entries of one run fail: a full disk explains more than a
// file in use, which explains more than a damaged entry. The causes found before the extraction
// stop the run at once and never meet another.
constexpr int CauseRank(InstallFailure cause)
{
    switch (cause) {
    case InstallFailure::None:
        return 0;
    case InstallFailure::Other:
        return 1;
    case InstallFailure::FileInUse:
        return 2;
    case InstallFailure::DiskFull:
        return 3;
    case InstallFailure::NotEnoughSpace:
    case InstallFailure::InvalidDestination:
    case InstallFailure::DestinationNotCreatable:
    case InstallFailure::DestinationNotTrusted:
        break;
    }
    return 4;
}

// The more telling of two causes; the first when they rank alike.
constexpr InstallFailure MoreTellingCause(InstallFailure kept, InstallFailure found)
{
    return CauseRank(found) > CauseRank(kept) ? found : kept;
}

// The cause a failed file or folder operation names through its system error.
constexpr InstallFailure CauseOfError(DWORD error)
{
    switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return InstallFailure::DiskFull;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
        return InstallFailure::FileInUse;
    default:
        return InstallFailure::Other;
    }
}

} // namespace ph
