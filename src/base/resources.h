// The program's own resources: strings of its string table and the bytes of a data resource.
#pragma once

#include <windows.h>

#include <cstddef>

namespace ph {

// A buffer of this many characters holds any string of the table whole (the longest, the usage
// text, has fewer than 1000).
inline constexpr std::size_t kResourceTextChars = 2048;

// Loads string id of the program's module into buffer (bufferChars characters, terminator
// included), cut to fit; empty when the table has no such string.
void LoadResourceText(UINT id, wchar_t* buffer, std::size_t bufferChars);

template <std::size_t N>
void LoadResourceText(UINT id, wchar_t (&buffer)[N])
{
    LoadResourceText(id, buffer, N);
}

// A string of the table held by value, for a text that is passed on at once.
struct ResourceText {
    wchar_t text[kResourceTextChars];
};
[[nodiscard]] ResourceText LoadResourceText(UINT id);

// A resource's bytes where the module's image holds them (valid while the module is loaded).
struct ResourceBytes {
    bool found = false;         // the module has a resource of this type and id
    const void* data = nullptr; // null when it was not found or cannot be loaded
    std::size_t size = 0;
};

// Finds, loads and locks resource id of the given type in module. When it is not found, the
// thread's last error tells why.
[[nodiscard]] ResourceBytes LoadResourceBytes(HMODULE module, UINT id, const wchar_t* type);

} // namespace ph
