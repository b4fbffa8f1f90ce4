// One installation run: from the user's choices to an installed product.
#pragma once

#include "base/product.h"
#include "engine/install_options.h"

namespace ph {

// What a run did beyond its result: why it stopped, and where it installed.
struct RunReport {
    InstallFailure failure = InstallFailure::None;
    // The folder the payload went into (ending in a backslash) once the extraction has succeeded;
    // empty otherwise.
    wchar_t installedFolder[kWorkPathChars] = {};
};

// Installs into options.destinationFolder, made absolute against the directory the installer was
// started from and cleaned the way the folder is created; files, settings, shortcuts and
// registration all use that one folder. A failure that stops the run is reported here, once: an
// entry in the install log when options.silent is 1, an error message box otherwise. Returns 1
// when the installation completed, 0 when it stopped at a reported failure; report, when given,
// receives the cause and the installed folder.
int RunInstallation(InstallOptions& options, RunReport* report = nullptr);

// Whether the payload's icon library should be left out because the one installed at
// iconLibraryPath is newer or not ours to replace.
bool ShouldKeepInstalledIconLibrary(const wchar_t* iconLibraryPath);

} // namespace ph
