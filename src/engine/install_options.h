// The choices of one installation run, filled by silent start-up or by the wizard.
#pragma once

#include "base/text.h"
#include "engine/install_failure.h"

#include <cstddef>

namespace ph {

// One flag per row of the file type catalogue; rows 0 to 48 are the image types.
inline constexpr std::size_t kAssociationFlagCount = 64;
inline constexpr std::size_t kImageRowCount = 49;

struct InstallOptions {
    wchar_t destinationFolder[kWorkPathChars] = {}; // must not be empty
    int startMenuGroup = 0;
    int desktopShortcut = 0;
    int thumbnailsShortcut = 0;
    int allUsers = 0;
    wchar_t iniFolder[kWorkPathChars] = {}; // empty: settings stay in the destination
    int associationFlags[kAssociationFlagCount] = {};
    int associate = 0;
    int silent = 0;                   // 1: report to the log, not in message boxes
    wchar_t caption[kPathChars] = {}; // title of the run's message boxes
    // 1: nobody asked for a settings folder (a silent run without "/ini="): a redirection the
    // destination's settings file already holds stays, so that every user's settings stay found.
    int keepSettingsRedirection = 0;
};

} // namespace ph
