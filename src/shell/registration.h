// Making the installed viewer known to the shell: shortcuts, the folder and drive verb, the
// product ProgID, the uninstall entry, the registered-application capabilities and the walk of
// the file type catalogue through the association writer.
#pragma once

#include "base/install_target.h"
#include "base/text.h"

#include <windows.h>

#include <cstddef>
#include <span>

namespace ph {

// Commands and icon references: a quoted viewer path with arguments.
inline constexpr std::size_t kCommandChars = 312;

// The texts the registration derives from the installation folder.
struct RegistrationTexts {
    wchar_t installFolder[kPathChars];        // ends in a backslash
    wchar_t viewerPath[kPathChars];           // installFolder + "ph_tav64.exe"
    wchar_t openCommand[kCommandChars];       // "<viewer>" "%1"
    wchar_t thumbnailsCommand[kCommandChars]; // "<viewer>" "%1" /thumbs
    wchar_t viewerCommand[kCommandChars];     // "<viewer>"
    wchar_t uninstallCommand[kCommandChars];  // "<folder>pt_uninstall.exe"
    wchar_t viewerIcon[kCommandChars];        // <viewer>,0
    wchar_t audioIcon[kCommandChars];         // <viewer>,8
    wchar_t videoIcon[kCommandChars];         // <viewer>,9
    wchar_t displayName[kPathChars];          // Photavian 4.70 (64-bit)
    wchar_t displayVersion[kPathChars];       // 4.70
};

// Builds the texts from the installation's paths. False when a text would not fit its buffer;
// nothing is then to be written.
[[nodiscard]] bool BuildRegistrationTexts(const InstallTarget& target, RegistrationTexts& texts);
// The same from an installation folder that is already clean (a trailing backslash is added when
// missing). False when the viewer's path would not fit a path buffer.
[[nodiscard]] bool BuildRegistrationTexts(const wchar_t* installFolder, RegistrationTexts& texts);

// One step of the registry plan.
enum class RegistryStep {
    SetDefault,      // creates the key path and sets its unnamed REG_SZ value to text
    DeleteKey,       // removes the key (it has no subkeys); a missing key is no error
    CreateKey,       // creates the key and closes it again
    OpenForValues,   // opens an existing key with access; the named values that follow go in
    CreateForValues, // creates the key; the named values that follow go into it
    NamedString,     // a REG_SZ value named name, only when the key above opened
    NamedDword,      // a REG_DWORD value named name, only when the key above opened
};

struct RegistryWrite {
    RegistryStep step;
    HKEY hive;           // HKEY_LOCAL_MACHINE or HKEY_CLASSES_ROOT
    const wchar_t* key;  // the key of the key steps; null for named values
    REGSAM access;       // OpenForValues only
    const wchar_t* name; // named values only
    const wchar_t* text; // SetDefault and NamedString
    DWORD number;        // NamedDword
};

// The most writes the plan holds: the folder and drive verb and the product's rows. The plan's
// builder checks at compile time that its rows fill exactly this.
inline constexpr std::size_t kMaxRegistryWrites = 28;

struct RegistryPlan {
    RegistryWrite writes[kMaxRegistryWrites];
    std::size_t count = 0;
};

// The registration's keys and values in the order they are written, under roots; the folder and
// drive verb only with the thumbnails shortcut. The plan points into texts, which must outlive it.
void BuildRegistryPlan(const RegistrationTexts& texts, int thumbnailsShortcut, RegistryPlan& plan,
                       const RegistryRoots& roots = {});

// Applies the plan, best effort: a failing write is skipped and the rest still made; named
// values are written only into a key that opened. Each key is closed after its values.
void ApplyRegistryPlan(const RegistryPlan& plan);

// Registers the installation of target: shortcuts as chosen in the target's shell folders, the
// registry plan under its roots, every catalogue extension through the association writer with its
// row's flag (missing entries count as unselected), and, when associate is non-zero, the
// store-application marks on Windows 10 and the shell's notification of changed associations.
void RegisterInstallation(const InstallTarget& target, int associate, int startMenuGroup, int desktopShortcut,
                          int thumbnailsShortcut, std::span<const int> associationFlags);

// RegisterInstallation for the installation in destinationFolder (cleaned as the installation run
// cleans it), with the common shortcut folders when allUsers is non-zero. Returns 1; 0 when the
// destination leaves no room for the viewer's path and nothing was done.
int RegisterApplication(int associate, const wchar_t* destinationFolder, int startMenuGroup, int desktopShortcut,
                        int thumbnailsShortcut, int allUsers, std::span<const int> associationFlags);

} // namespace ph
