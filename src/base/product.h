// Names of the installed product that several layers build paths, keys and commands from, each
// written once.
#pragma once

#include "base/text.h"

namespace ph {

// The installed viewer, in the installation folder.
inline constexpr wchar_t kViewerFileName[] = L"ph_tav64.exe";

// The class of the viewer's top-level window: one of them means the viewer runs.
inline constexpr wchar_t kViewerWindowClass[] = L"Photavian";

// The folder the product gets under the program-files folder or a folder chosen in the wizard.
inline constexpr wchar_t kProductFolderName[] = L"Photavian";

// The product's ProgID; each file type gets "Photavian.<class>".
inline constexpr wchar_t kProductProgId[] = L"Photavian";

// The product's class, machine-wide, and its open command: written by the registration, the
// command read back to find an earlier installation.
inline constexpr auto kProductClassKey = JoinTexts(L"SOFTWARE\\Classes\\", kProductProgId);
inline constexpr auto kProductOpenCommandKey = JoinTexts(kProductClassKey.text, L"\\shell\\open\\command");

} // namespace ph
