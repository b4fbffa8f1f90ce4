// The generated parts of the peer installer's script: the shortcuts and the registry values that
// our registration makes for the benchmark's switches, read back from a real registration in a
// scratch prefix, so that the peer does exactly the same work.
#include "bench.h"

#include "support/shortcut_file.h"
#include "support/test_support.h"

#include "app/silent_switches.h"
#include "base/handles.h"
#include "engine/existing_install.h"
#include "engine/install_options.h"
#include "shell/registration.h"
#include "shell/shortcuts.h"

#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace ph::bench {

namespace {

using namespace ph::test;

// A text as the inside of an NSIS string literal: "$" and quotes escaped, control characters
// spelled out.
std::wstring Escaped(const std::wstring& text)
{
    struct Escape {
        wchar_t c;
        const wchar_t* text;
    };
    static constexpr Escape kEscapes[] = {
        {L'$', L"$$"}, {L'"', L"$\\\""}, {L'\r', L"$\\r"}, {L'\n', L"$\\n"}, {L'\t', L"$\\t"},
    };
    std::wstring out;
    for (wchar_t c : text) {
        const Escape* escape = std::find_if(std::begin(kEscapes), std::end(kEscapes),
                                            [c](const Escape& e) { return e.c == c; });
        if (escape != std::end(kEscapes)) {
            out += escape->text;
        } else {
            out += c;
        }
    }
    return out;
}

std::wstring Quoted(const std::wstring& text)
{
    return L"\"" + Escaped(text) + L"\"";
}

// A path as an NSIS string literal, a leading folder (compared without letter case) given as an
// NSIS variable.
std::wstring QuotedWithVariable(const std::wstring& path, const std::wstring& folder, const wchar_t* variable)
{
    if (!folder.empty() && path.size() >= folder.size()
        && ::_wcsnicmp(path.c_str(), folder.c_str(), folder.size()) == 0) {
        return L"\"" + std::wstring(variable) + Escaped(path.substr(folder.size())) + L"\"";
    }
    return Quoted(path);
}

class ScriptFile {
public:
    explicit ScriptFile(const std::wstring& path) : m_path(path) {}
    void Line(const std::wstring& text) { m_text += text + L"\r\n"; }
    // UTF-8 with a byte-order mark, which makensis reads as such.
    bool Save() const
    {
        int bytes = ::WideCharToMultiByte(CP_UTF8, 0, m_text.data(), static_cast<int>(m_text.size()), nullptr, 0,
                                          nullptr, nullptr);
        std::string utf8 = "\xEF\xBB\xBF";
        std::size_t start = utf8.size();
        utf8.resize(start + static_cast<std::size_t>(bytes > 0 ? bytes : 0));
        if (bytes > 0) {
            ::WideCharToMultiByte(CP_UTF8, 0, m_text.data(), static_cast<int>(m_text.size()), utf8.data() + start,
                                  bytes, nullptr, nullptr);
        }
        return WriteFileBytes(m_path, utf8);
    }

private:
    std::wstring m_path;
    std::wstring m_text;
};

std::wstring ShellFolder(int csidl)
{
    wchar_t folder[MAX_PATH] = {};
    return SUCCEEDED(::SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, folder)) ? folder : L"";
}

// Every shortcut the registration saved in folder + group, as the peer creates it.
void EmitShortcuts(ScriptFile& script, const std::wstring& folder, const wchar_t* variable, const wchar_t* group,
                   const std::wstring& installFolder)
{
    std::wstring linkFolder = folder + group;
    if (*group != L'\0') {
        script.Line(L"CreateDirectory " + QuotedWithVariable(linkFolder, folder, variable));
    }
    for (const std::wstring& name : LinksIn(linkFolder)) {
        std::wstring path = linkFolder + L"\\" + name;
        std::optional<Shortcut> link = ReadShortcut(path);
        if (!link) {
            continue;
        }
        script.Line(L"CreateShortcut /NoWorkingDir " + QuotedWithVariable(path, folder, variable) + L" "
                    + QuotedWithVariable(link->target, installFolder, L"$INSTDIR\\") + L" " + Quoted(link->arguments)
                    + L" " + QuotedWithVariable(link->iconPath, installFolder, L"$INSTDIR\\") + L" "
                    + std::to_wstring(link->iconIndex) + L" SW_SHOWNORMAL \"\" " + Quoted(link->description));
    }
}

// Every value under key, subkeys after values; a per-user choice is replaced as a whole, as the
// association writer replaces it.
void EmitRegistryTree(ScriptFile& script, HKEY key, const wchar_t* hive, const std::wstring& path)
{
    DWORD subKeys = 0;
    DWORD values = 0;
    DWORD longestName = 0;
    DWORD longestData = 0;
    if (::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, &values, &longestName,
                           &longestData, nullptr, nullptr)
        != ERROR_SUCCESS) {
        return;
    }
    std::wstring shownKey = Quoted(path);
    std::wstring leaf = path.substr(path.find_last_of(L'\\') + 1);
    if (::_wcsicmp(leaf.c_str(), L"UserChoice") == 0) {
        script.Line(std::wstring(L"DeleteRegKey ") + hive + L" " + shownKey);
    }
    if (values == 0 && subKeys == 0) {
        script.Line(L"; empty key " + path + L" is not reproduced");
    }
    std::vector<wchar_t> name(longestName + 1);
    std::vector<BYTE> data(longestData + sizeof(wchar_t));
    for (DWORD i = 0; i < values; ++i) {
        DWORD nameChars = static_cast<DWORD>(name.size());
        DWORD dataBytes = static_cast<DWORD>(data.size());
        DWORD type = 0;
        std::fill(data.begin(), data.end(), BYTE{0});
        if (::RegEnumValueW(key, i, name.data(), &nameChars, nullptr, &type, data.data(), &dataBytes)
            != ERROR_SUCCESS) {
            continue;
        }
        std::wstring shownName = Quoted(std::wstring(name.data(), nameChars));
        std::wstring prefix = std::wstring(hive) + L" " + shownKey + L" " + shownName + L" ";
        if (type == REG_SZ || type == REG_EXPAND_SZ) {
            std::wstring text(reinterpret_cast<const wchar_t*>(data.data()));
            script.Line((type == REG_SZ ? L"WriteRegStr " : L"WriteRegExpandStr ") + prefix + Quoted(text));
        } else if (type == REG_DWORD) {
            DWORD number = 0;
            std::memcpy(&number, data.data(), sizeof(number));
            script.Line(L"WriteRegDWORD " + prefix + std::to_wstring(number));
        } else {
            std::wstring hex;
            wchar_t digits[3];
            for (DWORD b = 0; b < dataBytes; ++b) {
                std::swprintf(digits, 3, L"%02x", data[b]);
                hex += digits;
            }
            script.Line(L"WriteRegBin " + prefix + hex);
        }
    }
    std::vector<wchar_t> subKey(256);
    for (DWORD i = 0; i < subKeys; ++i) {
        DWORD chars = static_cast<DWORD>(subKey.size());
        if (::RegEnumKeyExW(key, i, subKey.data(), &chars, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            continue;
        }
        std::wstring child(subKey.data(), chars);
        UniqueRegKey opened;
        if (::RegOpenKeyExW(key, child.c_str(), 0, KEY_READ, opened.put()) == ERROR_SUCCESS) {
            EmitRegistryTree(script, opened.get(), hive, path.empty() ? child : path + L"\\" + child);
        }
    }
}

} // namespace

int WritePeerScript(const std::wstring& folder)
{
    // The benchmark's switches, applied to the defaults of an installation as the setup program
    // decides them (this prefix has no earlier one).
    auto options = std::make_unique<InstallOptions>();
    options->silent = 1;
    const DefaultInstall defaults = DefaultInstallChoice();
    CopyTextCut(options->destinationFolder, defaults.folder);
    CopyTextCut(options->iniFolder, defaults.iniFolder);
    ApplySilentSwitches(::GetCommandLineW(), *options);
    RegistrationTexts texts;
    if (!BuildRegistrationTexts(options->destinationFolder, texts)) {
        return 1;
    }
    std::wstring installFolder = texts.installFolder;

    // Shortcuts: a real registration in this scratch prefix, its links read back.
    RegisterApplication(0, options->destinationFolder, options->startMenuGroup, options->desktopShortcut,
                        options->thumbnailsShortcut, options->allUsers, {});
    ScriptFile shortcuts(folder + L"\\shortcuts.nsh");
    shortcuts.Line(L"; Generated by install_bench.exe peer-script: the shortcuts of our registration.");
    shortcuts.Line(options->allUsers != 0 ? L"SetShellVarContext all" : L"SetShellVarContext current");
    bool all = options->allUsers != 0;
    EmitShortcuts(shortcuts, ShellFolder(all ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS), L"$SMPROGRAMS", L"\\Photavian",
                  installFolder);
    EmitShortcuts(shortcuts, ShellFolder(all ? CSIDL_COMMON_DESKTOPDIRECTORY : CSIDL_DESKTOPDIRECTORY), L"$DESKTOP",
                  L"", installFolder);

    // Registry: the registration once more into scratch keys standing in for the hives, every
    // value it left read back; the keys it removes come from its plan.
    ScriptFile registry(folder + L"\\registry.nsh");
    registry.Line(L"; Generated by install_bench.exe peer-script: the registry values of our registration.");
    RegistryPlan plan;
    BuildRegistryPlan(texts, options->thumbnailsShortcut, plan);
    for (std::size_t i = 0; i < plan.count; ++i) {
        const RegistryWrite& w = plan.writes[i];
        if (w.step == RegistryStep::DeleteKey) {
            registry.Line(std::wstring(L"DeleteRegKey /ifempty ") + (w.hive == HKEY_CLASSES_ROOT ? L"HKCR " : L"HKLM ")
                          + Quoted(w.key));
        }
    }
    {
        RedirectedHives hives;
        if (!hives.ok()) {
            return 1;
        }
        RegisterApplication(options->associate, options->destinationFolder, 0, 0, options->thumbnailsShortcut,
                            options->allUsers, options->associationFlags);
        EmitRegistryTree(registry, hives.Machine(), L"HKLM", L"");
        EmitRegistryTree(registry, hives.User(), L"HKCU", L"");
        EmitRegistryTree(registry, hives.Classes(), L"HKCR", L"");
    }
    return shortcuts.Save() && registry.Save() ? 0 : 1;
}

} // namespace ph::bench
