// The program's own resources: string loading and resource bytes.
#include "base/resources.h"

namespace ph {

void LoadResourceText(UINT id, wchar_t* buffer, std::size_t bufferChars)
{
    if (bufferChars == 0) {
        return;
    }
    buffer[0] = L'\0';
    // A missing string loads nothing; a long one is cut to the buffer, terminator included.
    if (::LoadStringW(::GetModuleHandleW(nullptr), id, buffer, static_cast<int>(bufferChars)) <= 0) {
        buffer[0] = L'\0';
    }
}

ResourceText LoadResourceText(UINT id)
{
    ResourceText text;
    LoadResourceText(id, text.text);
    return text;
}

ResourceBytes LoadResourceBytes(HMODULE module, UINT id, const wchar_t* type)
{
    ResourceBytes bytes;
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(id), type);
    if (resource == nullptr) {
        return bytes;
    }
    bytes.found = true;
    HGLOBAL loaded = ::LoadResource(module, resource);
    bytes.data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    bytes.size = bytes.data != nullptr ? ::SizeofResource(module, resource) : 0;
    return bytes;
}

} // namespace ph
