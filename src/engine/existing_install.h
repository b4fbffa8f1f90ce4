// Where an earlier installation lives, the default installation folder, and the version of an
// installed file.
#pragma once

#include "base/text.h"

#include <cstddef>

namespace ph {

inline constexpr std::size_t kVersionTextChars = 32;
inline constexpr std::size_t kCompanyNameChars = 260;

// The folder of the viewer registered by an earlier installation, ending in a backslash, read
// from the product's open command. Returns 1 with the folder, 0 with an empty result (result:
// at least 260 characters).
int FindExistingInstallFolder(wchar_t* result);

// The folder part of a registered open command: the text from its second character (the first,
// normally the opening quote, is skipped unexamined) up to the next quote, without the file name,
// ending in a backslash. Returns 0 with an empty result when the command does not name the viewer
// or holds no folder.
int InstallFolderFromOpenCommand(const wchar_t* command, wchar_t* result);

// "Photavian" under the program-files folder, without trailing backslash; "C:\Photavian\" when
// the program-files folder is unknown. Always returns 1 (result: at least 260 characters).
int DefaultProgramFilesFolder(wchar_t* result);

// The choices an installation starts from when nobody chose otherwise: the folder of the
// registered installation, else the program-files product folder; and the settings folder that
// goes with it (none beside an earlier installation, whose settings stay where they are; the
// user's application-data folder for a new one).
struct DefaultInstall {
    bool existing = false; // folder is the registered installation's
    wchar_t folder[kPathChars] = {};
    wchar_t iniFolder[kWorkPathChars] = {};
};
[[nodiscard]] DefaultInstall DefaultInstallChoice();

// Reads a file's version resource: versionText (32 characters) becomes "%d.%d%d" from the
// product version's major and minor and the third part of the file version, companyName (260
// characters, may be null) the company of language 0409, code page 04E4, or empty. Returns 1
// when the fixed version information was read, else 0 with versionText untouched.
int InstalledFileVersion(const wchar_t* filePath, wchar_t* versionText, wchar_t* companyName);

} // namespace ph
