// Fixed-size UTF-16 text buffers: the limits the program works with and small helpers that cut
// or refuse rather than overflow.
#pragma once

#include <cstddef>
#include <cwchar>

namespace ph {

// A path buffer: the platform's path limit, so at most 259 characters of text.
inline constexpr std::size_t kPathChars = 260;
// Working copies of the install run and silent mode (command line, destination, settings folder).
inline constexpr std::size_t kWorkPathChars = 520;
// A folder path that is built on gets its trailing backslash only while it has at most this many
// characters, so the backslash and terminator still fit a path buffer.
inline constexpr std::size_t kMaxCharsBeforeBackslash = 258;

// Copies src into dst (capacity in characters, terminator included), cutting it to fit.
inline void CopyTextCut(wchar_t* dst, std::size_t dstChars, const wchar_t* src)
{
    if (dstChars == 0) {
        return;
    }
    std::size_t n = 0;
    for (; n + 1 < dstChars && src[n] != L'\0'; ++n) {
        dst[n] = src[n];
    }
    dst[n] = L'\0';
}

// Copies src into dst when it fits whole; returns false and leaves dst unchanged otherwise.
inline bool CopyTextWhole(wchar_t* dst, std::size_t dstChars, const wchar_t* src)
{
    std::size_t len = std::wcslen(src);
    if (len + 1 > dstChars) {
        return false;
    }
    std::wmemcpy(dst, src, len + 1);
    return true;
}

// Appends src to the text in dst when the result fits whole; otherwise leaves dst unchanged.
inline bool AppendTextWhole(wchar_t* dst, std::size_t dstChars, const wchar_t* src)
{
    std::size_t have = std::wcslen(dst);
    std::size_t add = std::wcslen(src);
    if (have + add + 1 > dstChars) {
        return false;
    }
    std::wmemcpy(dst + have, src, add + 1);
    return true;
}

template <std::size_t N>
void CopyTextCut(wchar_t (&dst)[N], const wchar_t* src) { CopyTextCut(dst, N, src); }
template <std::size_t N>
bool CopyTextWhole(wchar_t (&dst)[N], const wchar_t* src) { return CopyTextWhole(dst, N, src); }
template <std::size_t N>
bool AppendTextWhole(wchar_t (&dst)[N], const wchar_t* src) { return AppendTextWhole(dst, N, src); }

// A text made at compile time from other texts (JoinTexts), so that a name written once is the
// source of every text built from it.
template <std::size_t N>
struct JoinedText {
    wchar_t text[N];
};

// The parts one after the other, as one text.
template <std::size_t... N>
constexpr JoinedText<(N + ...) - sizeof...(N) + 1> JoinTexts(const wchar_t (&... parts)[N])
{
    JoinedText<(N + ...) - sizeof...(N) + 1> joined{};
    std::size_t at = 0;
    auto append = [&joined, &at](const wchar_t* part, std::size_t partChars) {
        for (std::size_t i = 0; i + 1 < partChars; ++i) {
            joined.text[at++] = part[i];
        }
    };
    (append(parts, N), ...);
    return joined;
}

inline bool EndsWithBackslash(const wchar_t* text)
{
    std::size_t len = std::wcslen(text);
    return len > 0 && text[len - 1] == L'\\';
}

} // namespace ph
