// Reading shortcut files back in tests through the shell's link object.
#pragma once

#include "base/handles.h"
#include "support/test_support.h"

#include <windows.h>
#include <shlobj.h>

#include <optional>
#include <ostream>
#include <set>
#include <string>

namespace ph::test {

struct Shortcut {
    std::wstring target;
    std::wstring arguments;
    std::wstring iconPath;
    int iconIndex;
    std::wstring description;
    std::wstring workingDirectory;

    bool operator==(const Shortcut&) const = default;
};

inline std::ostream& operator<<(std::ostream& os, const Shortcut& s)
{
    return os << "{target " << Narrow(s.target) << ", arguments " << Narrow(s.arguments) << ", icon "
              << Narrow(s.iconPath) << "," << s.iconIndex << ", description " << Narrow(s.description)
              << ", working dir " << Narrow(s.workingDirectory) << "}";
}

inline std::optional<Shortcut> ReadShortcut(const std::wstring& path)
{
    ComApartment com;
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(link.put())))
        || FAILED(link->QueryInterface(IID_PPV_ARGS(file.put()))) || FAILED(file->Load(path.c_str(), STGM_READ))) {
        return std::nullopt;
    }
    Shortcut s{};
    wchar_t text[1024] = {};
    link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
    s.target = text;
    text[0] = L'\0';
    link->GetArguments(text, 1024);
    s.arguments = text;
    text[0] = L'\0';
    link->GetIconLocation(text, MAX_PATH, &s.iconIndex);
    s.iconPath = text;
    text[0] = L'\0';
    link->GetDescription(text, 1024);
    s.description = text;
    text[0] = L'\0';
    link->GetWorkingDirectory(text, MAX_PATH);
    s.workingDirectory = text;
    return s;
}

// The names of the shortcut files in a folder.
inline std::set<std::wstring> LinksIn(const std::wstring& folder)
{
    std::set<std::wstring> names;
    WIN32_FIND_DATAW data;
    UniqueFindHandle find(::FindFirstFileW((folder + L"\\*.lnk").c_str(), &data));
    if (!find) {
        return names;
    }
    do {
        names.insert(data.cFileName);
    } while (::FindNextFileW(find.get(), &data) != FALSE);
    return names;
}

} // namespace ph::test
