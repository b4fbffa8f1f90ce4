// The setup program's exit codes, in the platform's installer conventions, so that deployment
// tools' default tables read them: success, retry later, or give up with a reason.
#pragma once

#include "engine/install_options.h"
#include "platform/setup_lock.h"

namespace ph {

inline constexpr int kExitInstalled = 0;              // installed
inline constexpr int kExitAccessDenied = 5;           // destination folder cannot be created, or is another's
inline constexpr int kExitFileInUse = 32;             // a file to be replaced is in use
inline constexpr int kExitDiskFull = 112;             // not enough space, or a write hit a full disk
inline constexpr int kExitViewerRunning = 170;        // refused: the viewer is running
inline constexpr int kExitInstallFailure = 1603;      // any other failure of the run
inline constexpr int kExitUserExit = 1602;            // the wizard was left without installing
inline constexpr int kExitAnotherSetupRunning = 1618; // another setup is running: retry later
inline constexpr int kExitInvalidDestination = 1639;  // invalid destination

// The exit code of a run that stopped for cause.
constexpr int ExitCodeFor(InstallFailure cause)
{
    switch (cause) {
    case InstallFailure::None:
        return kExitInstalled;
    case InstallFailure::InvalidDestination:
        return kExitInvalidDestination;
    case InstallFailure::DestinationNotCreatable:
    case InstallFailure::DestinationNotTrusted:
        return kExitAccessDenied;
    case InstallFailure::NotEnoughSpace:
    case InstallFailure::DiskFull:
        return kExitDiskFull;
    case InstallFailure::FileInUse:
        return kExitFileInUse;
    case InstallFailure::Other:
        break;
    }
    return kExitInstallFailure;
}

// The exit code of a run that may not go on for the one-setup lock: another setup holds it, or
// none could be made, which is no reason to wait for another setup and retry.
constexpr int ExitCodeForLock(SetupLockState state)
{
    switch (state) {
    case SetupLockState::Owned:
        return kExitInstalled;
    case SetupLockState::Held:
        return kExitAnotherSetupRunning;
    case SetupLockState::Unavailable:
        break;
    }
    return kExitInstallFailure;
}

} // namespace ph
