// One installation run: from the user's choices to an installed product.
#pragma once

#include "base/product.h"
#include "engine/install_options.h"

namespace ph {

// Installs into options.destinationFolder. A failure that stops the run is reported here, once:
// an entry in the install log when options.silent is 1, an error message box otherwise.
// Returns 1 when the installation completed, 0 when it stopped at a reported failure.
int RunInstallation(InstallOptions& options);

// Whether the payload's icon library should be left out because the one installed at
// iconLibraryPath is newer or not ours to replace.
bool ShouldKeepInstalledIconLibrary(const wchar_t* iconLibraryPath);

} // namespace ph
