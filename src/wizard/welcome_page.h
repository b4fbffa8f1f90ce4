// The welcome page's rules that need no window: the texts made from the template, the folder
// browser's start folder, the product folder added to a chosen folder, and the folder check.
#pragma once

#include "base/text.h"

#include <windows.h>

#include <cstddef>

namespace ph {

// The bitness named in the welcome texts.
inline constexpr wchar_t kBitnessText[] = L"64";
// The longest welcome text after formatting, terminator included.
inline constexpr std::size_t kPageTextChars = 520;
// The browser's title line: IDS_INSTALL_FOLDER, at most 49 characters.
inline constexpr std::size_t kBrowseTitleChars = 50;
// The platform's path splitter refuses a directory part or file name of this many characters.
inline constexpr std::size_t kSplitPathPartLimit = 256;

// Fills a page text from its template: each "%s" takes the next of args in turn ("%%" is one
// percent sign; a "%s" without an argument left stays empty). Returns false when the result had
// to be cut to fit outChars characters.
bool FormatTemplateText(const wchar_t* format, const wchar_t* const* args, std::size_t argCount, wchar_t* out,
                        std::size_t outChars);

// The folder the browser opens on: the current path, without its trailing backslash unless it
// is a drive root (3 characters or fewer).
void BrowseStartFolder(const wchar_t* currentPath, wchar_t (&startFolder)[kPathChars]);

// Completes a folder chosen in the browser: adds a trailing backslash, then "Photavian\" unless
// the last folder already is "Photavian" (any letter case); a drive root always gets it.
// Returns false and leaves path unchanged when the result would not fit pathChars characters.
bool CompleteChosenFolder(wchar_t* path, std::size_t pathChars);

// The folder check on Next: false for an empty text and for a text whose drive part the
// platform's path splitter leaves empty (no colon as second character, or a directory part or
// name of 256 characters or more). The text is taken as it is: a leading blank makes it unusable,
// trailing blanks do not.
bool IsUsableInstallFolder(const wchar_t* folderText);

// The folder browser's callback: pre-selects the folder data names (BrowseStartFolder) when the
// browser starts; ignores every other notification. Returns 0.
int CALLBACK BrowseCallback(HWND window, UINT message, LPARAM lParam, LPARAM data);

// Lets the user choose a file-system folder, starting at path. Returns 1 with the folder, ending
// in a backslash, in path (kPathChars characters); 0 with path unchanged when the user cancels or
// chooses an item that is no file-system folder.
int BrowseForInstallFolder(HWND owner, wchar_t (&path)[kPathChars]);

} // namespace ph
