// The viewer's settings file "ph_tav64.ini": where it lives, the keys the installation writes,
// the toolbar skin that suits the screen, and the final rewrite as UTF-16 text.
#pragma once

#include "base/handles.h"
#include "base/install_target.h"
#include "base/product.h"
#include "base/text.h"

#include <windows.h>

#include <cstddef>

namespace ph {

// Limits of ExpandEnvReferences: a variable name of at most 260 characters, a value of at most
// 259, a result of at most 519.
inline constexpr std::size_t kEnvNameMaxChars = 260;
inline constexpr std::size_t kEnvValueMaxChars = kPathChars - 1;
inline constexpr std::size_t kExpandedMaxChars = kWorkPathChars - 1;

// The conversion reads the 8-bit file in pieces of at most this many bytes (a piece also ends
// after a line feed).
inline constexpr std::size_t kConversionPieceBytes = 2047;

struct ToolbarSkin {
    const wchar_t* skin; // file name in the viewer's "Toolbars" folder
    const wchar_t* size; // its button size in pixels, as the viewer stores it
};

// The display scale in percent: dpi * 100 / 96, halves rounded up; 100 for a dpi of 0 (no
// display device context).
int DisplayScaleFromDpi(int dpi);

// The skin for a screen of this scale (percent) and full-screen client height (pixels).
ToolbarSkin ChooseToolbarSkin(int scale, int screenHeight);

// Replaces every %NAME% reference in text with the variable's value; an undefined or empty name
// ("%%") gives nothing, and an unterminated "%NAME" at the end is looked up all the same.
// Returns 1 with the expanded text, or 0 with an empty result when a name has more than 260
// characters, a value more than 259, or the result would exceed 519: such a text is refused as a
// whole rather than cut into a different one.
int ExpandEnvReferences(const wchar_t* text, wchar_t (&result)[kWorkPathChars]);

// Writes the viewer's settings for an installation into destinationFolder (the caller's text;
// only its ends are trimmed, and blanks before inner backslashes go the way the installation's
// folder creation removed them). iniFolder, the settings folder (may hold %NAME% references), may
// be filled with "%APPDATA%\Photavian" by the silent default. A settings folder that cannot be
// used (refused expansion, empty, no room for the file name, not creatable) is treated as no
// settings folder: the settings stay in the destination folder, which then holds no
// "INI_Folder" redirection.
// settingsPath receives the file that got the viewer's keys. Returns 1, or 0 with an empty
// settingsPath and nothing written when the destination leaves no room for the file name or
// cannot be created.
int WriteViewerSettings(const wchar_t* destinationFolder, wchar_t (&iniFolder)[kWorkPathChars], int silent,
                        wchar_t (&settingsPath)[kPathChars]);

// The same for the installation of target, whose folder exists: target.settingsPath receives the
// file that got the viewer's keys (empty when none did). With keepRedirection (no settings folder
// was asked for), a redirection the destination's file already holds stays and is followed. A
// settings folder that cannot be used never removes an existing redirection: the run then writes
// no keys. A settings file that is a link or has a second name is not written.
void WriteViewerSettings(InstallTarget& target, wchar_t (&iniFolder)[kWorkPathChars], int silent, bool keepRedirection);

// Rewrites the 8-bit settings file at settingsPath, already opened for reading ("rb") as source,
// as UTF-16LE with a byte-order mark and a marker header, converting from the ANSI code page
// (codePage in the overload). Closes source. Returns 1 when there was nothing to do (already
// UTF-16, empty, or no temporary file could be created) or the file was replaced; 0 when the
// temporary file could not be written completely or not be renamed over the original, which
// then stays as it was (the temporary file is removed). Every failure is in the verbose log with
// the system error of the call that failed.
int ConvertSettingsToUtf16(const wchar_t* settingsPath, UniqueStdioFile source);

// The settings file opened for reading as the conversion's source, when it is the very file its
// path names (no link, one name); empty otherwise.
[[nodiscard]] UniqueStdioFile OpenSettingsForReading(const wchar_t* settingsPath);
int ConvertSettingsToUtf16(const wchar_t* settingsPath, UniqueStdioFile source, UINT codePage);

} // namespace ph
