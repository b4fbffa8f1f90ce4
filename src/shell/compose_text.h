// Joining texts into a fixed buffer: whole or not at all, so that a path that does not fit is
// refused instead of being cut into a different path.
#pragma once

#include "base/text.h"

#include <cstddef>

namespace ph {

// Writes the parts one after the other into dst. Returns false, with dst empty, when the result
// would not fit (terminator included).
template <std::size_t N, typename... Parts>
bool ComposeText(wchar_t (&dst)[N], const Parts*... parts)
{
    dst[0] = L'\0';
    if ((AppendTextWhole(dst, parts) && ...)) {
        return true;
    }
    dst[0] = L'\0';
    return false;
}

} // namespace ph
