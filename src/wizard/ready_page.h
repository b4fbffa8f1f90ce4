// The ready page: the destination line, the settings-folder choice, and the step that turns the
// controls of the welcome, associations and ready pages into the record of an installation run.
#pragma once

#include "engine/install_options.h"

#include <windows.h>

#include <cstddef>

namespace ph {

// "Destination directory" (IDS_DEST_DIRECTORY) is read with at most this many characters,
// terminator included.
inline constexpr std::size_t kDestinationLabelChars = 50;
// The destination line: the label, ": ", then a folder of at most 259 characters.
inline constexpr std::size_t kDestinationLineChars = kDestinationLabelChars + 2 + kPathChars;

// The destination line shown on the ready page: "<label>: <folder>".
void FormatDestinationLine(const wchar_t* label, const wchar_t* folder, wchar_t (&line)[kDestinationLineChars]);

// The association choices of the list: all 64 flags 0 and false, unless the list window is
// enabled; then flag i is 1 for every row i below 64 whose tick is not the unticked image, and
// the result is true when at least one flag was set.
bool ReadAssociationChoices(HWND list, int (&flags)[kAssociationFlagCount]);

// Fills options from the wizard's controls as they stand: the folder (at most 519 characters,
// trimmed) and the shortcut and all-users choices of the welcome page, the association choices
// of the list, the settings folder of the ready page ("%APPDATA%\Photavian" when the application
// data choice is selected, else empty), wizard mode and the caption.
void ReadWizardChoices(HWND welcomePage, HWND associationList, HWND readyPage, const wchar_t* caption,
                       InstallOptions& options);

} // namespace ph
