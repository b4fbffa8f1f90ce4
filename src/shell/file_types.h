// The file types offered for association with the viewer: a fixed, ordered table whose row
// index is the index into the association flags of an installation run.
#pragma once

#include <cstddef>
#include <span>

namespace ph {

inline constexpr std::size_t kFileTypeRowCount = 63;
// Rows 0 to 48 are the image types; the rest are Flash, fonts, video and audio.
inline constexpr std::size_t kImageFileTypeRows = 49;
inline constexpr std::size_t kMaxExtensionsPerRow = 4;

// Which icon the shell shows for a file of the type.
enum class IconKind {
    OwnIcon, // "%1": the file's own icon (cursors and icons)
    Viewer0, // the viewer's icon 0 (images, Flash, fonts)
    Viewer8, // the viewer's icon 8 (audio)
    Viewer9, // the viewer's icon 9 (video)
};

struct FileTypeExtension {
    const wchar_t* extension;   // lower case, without the dot
    const wchar_t* progIdClass; // forms the per-type ProgID "Photavian.<class>"
};

struct FileTypeRow {
    const wchar_t* label;       // the row's extensions in upper case, joined by '/'
    const wchar_t* description; // ending in " *" when the viewer reads the type through a plug-in
    std::size_t extensionCount;
    FileTypeExtension extensions[kMaxExtensionsPerRow]; // in the order they are registered
    IconKind icon;                                      // the same for every extension of the row
};

// The catalogue's rows in row order.
std::span<const FileTypeRow, kFileTypeRowCount> FileTypeCatalogue();

} // namespace ph
