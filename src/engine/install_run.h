// One installation run: from the user's choices to an installed product.
#pragma once

#include "base/install_target.h"
#include "engine/install_options.h"

namespace ph {

// What a run did beyond its result: why it stopped, and where it installed.
struct RunReport {
    InstallFailure failure = InstallFailure::None;
    // The payload is in place (the extraction succeeded): target names the installation.
    bool installed = false;
    // Where the run installed, resolved once from the options and the start directory; its folder
    // is empty when the run stopped before the folder was made.
    InstallTarget target;
};

// Installs into options.destinationFolder, made absolute against the directory the installer was
// started from and cleaned the way the folder is created; files, settings, shortcuts and
// registration all use that one folder. A failure that stops the run is reported here, once: an
// entry in the install log when options.silent is 1, an error message box otherwise. Returns 1
// when the installation completed, 0 when it stopped at a reported failure; report, when given,
// receives the cause and the target.
int RunInstallation(InstallOptions& options, RunReport* report = nullptr);

// Whether the payload's icon library should be left out because the one installed at
// iconLibraryPath is newer or not ours to replace.
bool ShouldKeepInstalledIconLibrary(const wchar_t* iconLibraryPath);

} // namespace ph
