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

// Copies src into dst (capacity in characters, terminator included), cutting it to fit. For texts
// that are only shown or logged: a path that must not name another place uses CopyTextWhole.
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
[[nodiscard]] inline bool CopyTextWhole(wchar_t* dst, std::size_t dstChars, const wchar_t* src)
{
    std::size_t len = std::wcslen(src);
    if (len + 1 > dstChars) {
        return false;
    }
    std::wmemcpy(dst, src, len + 1);
    return true;
}

// Appends src to the text in dst when the result fits whole; otherwise leaves dst unchanged.
[[nodiscard]] inline bool AppendTextWhole(wchar_t* dst, std::size_t dstChars, const wchar_t* src)
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
void CopyTextCut(wchar_t (&dst)[N], const wchar_t* src)
{
    CopyTextCut(dst, N, src);
}
template <std::size_t N>
[[nodiscard]] bool CopyTextWhole(wchar_t (&dst)[N], const wchar_t* src)
{
    return CopyTextWhole(dst, N, src);
}
template <std::size_t N>
[[nodiscard]] bool AppendTextWhole(wchar_t (&dst)[N], const wchar_t* src)
{
    return AppendTextWhole(dst, N, src);
}

// A text made at compile time from other texts (JoinTexts), so that a name written once is the
// source of every text built from it.
template <std::size_t N>
struct JoinedText {
    wchar_t text[N];
    // Usable wherever a text is: the joined text is a name like any other.
    constexpr operator const wchar_t*() const { return text; }
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

// What goes between a folder's text and a name appended to it: nothing when the folder already
// ends in a backslash, else one backslash.
inline const wchar_t* SeparatorAfter(const wchar_t* folder)
{
    return EndsWithBackslash(folder) ? L"" : L"\\";
}

// Gives the folder text in dst its trailing backslash when it has none; false, with dst unchanged,
// when there is no room for it.
[[nodiscard]] inline bool AppendBackslashWhole(wchar_t* dst, std::size_t dstChars)
{
    return AppendTextWhole(dst, dstChars, SeparatorAfter(dst));
}
template <std::size_t N>
[[nodiscard]] bool AppendBackslashWhole(wchar_t (&dst)[N])
{
    return AppendBackslashWhole(dst, N);
}

// The length of text without the blanks (U+0020) at its end.
inline std::size_t LengthWithoutTrailingBlanks(const wchar_t* text, std::size_t length)
{
    while (length > 0 && text[length - 1] == L' ') {
        --length;
    }
    return length;
}

// Removes the blanks (U+0020) at the end of text; returns its new length.
inline std::size_t DropTrailingBlanks(wchar_t* text)
{
    std::size_t length = LengthWithoutTrailingBlanks(text, std::wcslen(text));
    text[length] = L'\0';
    return length;
}

// ASCII letters in the other case; every other character as it is. The names the program compares
// this way (device names, the icon library's name, type classes) are plain ASCII, and the
// system's locale must not change what they match.
constexpr wchar_t AsciiUpper(wchar_t c)
{
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}
constexpr wchar_t AsciiLower(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

// True when a character separates the components of a path.
constexpr bool IsPathSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

// Calls visit(component, length) for each component of path, separated by '\\' or '/' (empty
// components included), in order, until visit returns false. Returns false when a visit did.
template <typename Visit>
bool ForEachPathComponent(const wchar_t* path, Visit visit)
{
    const wchar_t* component = path;
    for (;;) {
        const wchar_t* end = component;
        while (*end != L'\0' && !IsPathSeparator(*end)) {
            ++end;
        }
        if (!visit(component, static_cast<std::size_t>(end - component))) {
            return false;
        }
        if (*end == L'\0') {
            return true;
        }
        component = end + 1;
    }
}

} // namespace ph
