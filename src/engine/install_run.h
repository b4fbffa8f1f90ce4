// One installation run: from the user's choices to an installed product.
#pragma once

#include "base/product.h"
#include "engine/install_options.h"

namespace ph {

// Installs into options.destinationFolder, made absolute against the directory the installer was
// started from and cleaned the way the folder is created; files, settings, shortcuts and
// registration all use that one folder. A failure that stops the run is reported here, once: an
// entry in the install log when options.silent is 1, an error message box otherwise. Returns 1
// when the installation completed, 0 when it stopped at a reported failure. installedFolder, when
// given, receives the folder the payload went into (ending in a backslash) once the extraction
// has succeeded, and is empty otherwise.
int RunInstallation(InstallOptions& options, wchar_t (*installedFolder)[kWorkPathChars] = nullptr);

// Whether the payload's icon library should be left out because the one installed at
// iconLibraryPath is newer or not ours to replace.
bool ShouldKeepInstalledIconLibrary(const wchar_t* iconLibraryPath);

} // namespace ph
