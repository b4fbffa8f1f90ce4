// Tying one file extension to the viewer, and the per-user marks that keep five store
// applications out of the "Open with" choice.
#pragma once

#include "base/install_target.h"
#include "shell/registry_writes.h"

namespace ph {

// Writes the per-type ProgID of progIdClass (description, open command, icon) and the capability
// entry of extension, both machine-wide, whether or not the type is selected. A selected
// extension, and jpg, png and tif always, point their extension key at the ProgID; a selected
// extension also gets a fresh per-user choice naming it. extension and progIdClass are lower
// case, without the dot. Returns 1 when every write succeeded, else 0 (the remaining writes are
// still made). capabilities, when given, is the capabilities' file-association key already open
// (a walk of the whole catalogue opens it once); otherwise it is opened for this extension.
int AssociateExtension(const wchar_t* extension, const wchar_t* progIdClass, const wchar_t* command,
                       const wchar_t* iconReference, int selected, const ValuesKey* capabilities = nullptr,
                       const RegistryRoots& roots = {});

// Opens the capabilities' file-association key (kFileAssociationsKey) for the capability entries;
// capabilities stays empty when it cannot be opened.
bool OpenCapabilityAssociations(ValuesKey& capabilities, const RegistryRoots& roots = {});

// Marks the five store application classes with an empty "NoOpenWith" for the current user.
void SuppressAppxOpenWith(const RegistryRoots& roots = {});

} // namespace ph
