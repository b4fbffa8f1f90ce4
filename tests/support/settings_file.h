// Reading a viewer settings file in tests, from its bytes rather than through the profile
// functions the program uses.
#pragma once

#include "support/test_support.h"

#include <windows.h>

#include <cstring>
#include <ostream>
#include <string>
#include <vector>

namespace ph::test {

// One "key=value" line of a settings file with its section, in file order.
struct SettingsEntry {
    std::wstring section;
    std::wstring key;
    std::wstring value;
    bool operator==(const SettingsEntry&) const = default;
};

inline void PrintTo(const SettingsEntry& e, std::ostream* os)
{
    *os << Narrow(L"[" + e.section + L"] " + e.key + L"=" + e.value);
}

// The text of a settings file: UTF-16LE after a byte-order mark, otherwise 8-bit text in the ANSI
// code page.
inline std::wstring DecodeSettings(const std::string& bytes)
{
    if (bytes.size() >= 2 && bytes.compare(0, 2, "\xFF\xFE") == 0) {
        std::wstring text((bytes.size() - 2) / 2, L'\0');
        std::memcpy(text.data(), bytes.data() + 2, text.size() * 2);
        return text;
    }
    std::wstring text(bytes.size(), L'\0');
    int n = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(),
                                  static_cast<int>(text.size()));
    text.resize(n > 0 ? static_cast<std::size_t>(n) : 0);
    return text;
}

// The keys of a settings file in file order; comment lines (";") are left out.
inline std::vector<SettingsEntry> ReadSettingsEntries(const std::wstring& path)
{
    std::vector<SettingsEntry> entries;
    std::wstring text = DecodeSettings(ReadFileBytes(path));
    std::wstring section;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find(L'\n', start);
        std::wstring line = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        start = end == std::wstring::npos ? text.size() : end + 1;
        if (!line.empty() && line.back() == L'\r') {
            line.pop_back();
        }
        if (line.size() >= 2 && line.front() == L'[' && line.back() == L']') {
            section = line.substr(1, line.size() - 2);
        } else if (std::size_t eq = line.find(L'='); eq != std::wstring::npos && line[0] != L';') {
            entries.push_back({section, line.substr(0, eq), line.substr(eq + 1)});
        }
    }
    return entries;
}

// The language keys every installation writes.
inline const std::vector<SettingsEntry> kLanguageEntries = {{L"Language", L"DLL", L"ENGLISH"},
                                                            {L"Language", L"Lang", L"English"}};

// The toolbar keys for a skin.
inline std::vector<SettingsEntry> ToolbarEntries(const wchar_t* skin, const wchar_t* size)
{
    return {{L"Toolbar", L"Skin", skin}, {L"Toolbar", L"Size", size}};
}

inline std::vector<SettingsEntry> operator+(std::vector<SettingsEntry> a, const std::vector<SettingsEntry>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

} // namespace ph::test
