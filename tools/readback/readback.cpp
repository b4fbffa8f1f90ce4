// ph-readback: prints, in a stable readable form, what an installation left in the system it runs
// on: a registry key tree, the product's file classes, the shortcuts under a folder and a
// settings file. Output is UTF-8 on standard output.
//
//   ph-readback reg [--if-present] [--pack] KEY   the key, its values and all subkeys, sorted;
//                                                with --pack, keys of many values (one per file
//                                                type) show several values to a line
//   ph-readback registry                          every key tree the registration writes, as reg
//                                                shows it, and the store-application marks present
//   ph-readback classes [PROGID]                  PROGID.* classes (default: the product's), the
//                                                extension keys and user choices that point at
//                                                them, one line each
//   ph-readback lnk FOLDER...                     every .lnk under the folders, read back
//   ph-readback ini FILE...                       a settings file, UTF-16LE with BOM or 8-bit
//
// KEY starts with HKLM, HKCU or HKCR. FOLDER may be shell:desktop, shell:common-desktop,
// shell:programs or shell:common-programs followed by a relative path; FOLDER and FILE may hold
// %NAME% environment references.
//
// The keys of "registry" and the ProgID of "classes" come from the program's own code (its
// registry plan, its store-application marks, its names), so that no script restates them.
#include "base/handles.h"
#include "base/product.h"
#include "shell/associations.h"
#include "shell/registration.h"

#include <windows.h>
#include <shlobj.h>

#include <fcntl.h>
#include <io.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

using ph::ComApartment;
using ph::ComPtr;
using ph::UniqueFindHandle;
using ph::UniqueRegKey;

std::wstring g_out;

void Line(const std::wstring& text)
{
    g_out += text;
    g_out += L'\n';
}

void Flush()
{
    int bytes = ::WideCharToMultiByte(CP_UTF8, 0, g_out.data(), static_cast<int>(g_out.size()), nullptr, 0, nullptr,
                                      nullptr);
    std::string utf8(static_cast<std::size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) {
        ::WideCharToMultiByte(CP_UTF8, 0, g_out.data(), static_cast<int>(g_out.size()), utf8.data(), bytes, nullptr,
                              nullptr);
    }
    std::fwrite(utf8.data(), 1, utf8.size(), stdout);
    std::fflush(stdout);
    g_out.clear();
}

bool LessNoCase(const std::wstring& a, const std::wstring& b)
{
    return ::_wcsicmp(a.c_str(), b.c_str()) < 0;
}

bool StartsWithNoCase(const std::wstring& text, const std::wstring& prefix)
{
    return text.size() >= prefix.size() && ::_wcsnicmp(text.c_str(), prefix.c_str(), prefix.size()) == 0;
}

std::wstring Expand(const std::wstring& text)
{
    wchar_t expanded[4096] = {};
    DWORD len = ::ExpandEnvironmentStringsW(text.c_str(), expanded, 4096);
    return len > 0 && len <= 4096 ? std::wstring(expanded) : text;
}

// Control characters shown as escapes, so that every value stays on its line.
std::wstring Quoted(const std::wstring& text)
{
    std::wstring out = L"\"";
    for (wchar_t c : text) {
        if (c == L'"' || c == L'\\') {
            out += L'\\';
            out += c;
        } else if (c == L'\n') {
            out += L"\\n";
        } else if (c == L'\r') {
            out += L"\\r";
        } else if (c == L'\t') {
            out += L"\\t";
        } else if (c < 0x20) {
            wchar_t hex[8];
            std::swprintf(hex, 8, L"\\x%02X", static_cast<unsigned>(c));
            out += hex;
        } else {
            out += c;
        }
    }
    return out + L"\"";
}

// ---- registry ------------------------------------------------------------------------------

struct Root {
    const wchar_t* name;
    const wchar_t* longName;
    HKEY hive;
};
const Root kRoots[] = {
    {L"HKLM", L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
    {L"HKCU", L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
    {L"HKCR", L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
};

// Splits "HKLM\SOFTWARE\X" into the hive, its short name and the subkey.
bool ParseKey(const std::wstring& text, HKEY& hive, std::wstring& rootName, std::wstring& subKey)
{
    std::size_t slash = text.find(L'\\');
    std::wstring root = text.substr(0, slash);
    for (const Root& r : kRoots) {
        if (::_wcsicmp(root.c_str(), r.name) == 0 || ::_wcsicmp(root.c_str(), r.longName) == 0) {
            hive = r.hive;
            rootName = r.name;
            subKey = slash == std::wstring::npos ? L"" : text.substr(slash + 1);
            return true;
        }
    }
    return false;
}

struct Value {
    std::wstring name;
    DWORD type = 0;
    std::vector<BYTE> data;
};

std::vector<std::wstring> SubkeyNames(HKEY key)
{
    std::vector<std::wstring> names;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD len = 256;
        if (::RegEnumKeyExW(key, i, name, &len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, len);
    }
    std::sort(names.begin(), names.end(), LessNoCase);
    return names;
}

std::vector<Value> Values(HKEY key)
{
    DWORD maxName = 0;
    DWORD maxData = 0;
    ::RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxName, &maxData, nullptr,
                       nullptr);
    std::vector<Value> values;
    for (DWORD i = 0;; ++i) {
        std::vector<wchar_t> name(maxName + 2);
        DWORD nameLen = maxName + 1;
        Value v;
        v.data.resize(maxData + 2);
        DWORD dataLen = maxData;
        if (::RegEnumValueW(key, i, name.data(), &nameLen, nullptr, &v.type, v.data.data(), &dataLen)
            != ERROR_SUCCESS) {
            break;
        }
        v.name.assign(name.data(), nameLen);
        v.data.resize(dataLen);
        values.push_back(std::move(v));
    }
    std::sort(values.begin(), values.end(), [](const Value& a, const Value& b) { return LessNoCase(a.name, b.name); });
    return values;
}

std::wstring TextOf(const std::vector<BYTE>& data)
{
    std::wstring text(reinterpret_cast<const wchar_t*>(data.data()), data.size() / sizeof(wchar_t));
    return text;
}

// "REG_SZ "text"" with the stored terminator shown only when it is missing or doubled.
std::wstring DescribeValue(const Value& v)
{
    switch (v.type) {
    case REG_SZ:
    case REG_EXPAND_SZ: {
        std::wstring text = TextOf(v.data);
        std::wstring note;
        if (text.empty() || text.back() != L'\0') {
            note = L" (no terminator)";
        } else {
            text.pop_back();
        }
        if (text.find(L'\0') != std::wstring::npos) {
            note += L" (embedded NUL)";
        }
        return std::wstring(v.type == REG_SZ ? L"REG_SZ " : L"REG_EXPAND_SZ ") + Quoted(text) + note;
    }
    case REG_MULTI_SZ: {
        std::wstring out = L"REG_MULTI_SZ";
        std::wstring text = TextOf(v.data);
        std::size_t start = 0;
        while (start < text.size() && text[start] != L'\0') {
            std::size_t end = text.find(L'\0', start);
            if (end == std::wstring::npos) {
                end = text.size();
            }
            out += L" " + Quoted(text.substr(start, end - start));
            start = end + 1;
        }
        return out;
    }
    case REG_DWORD:
        if (v.data.size() == 4) {
            DWORD number = 0;
            std::memcpy(&number, v.data.data(), 4);
            wchar_t text[64];
            std::swprintf(text, 64, L"REG_DWORD 0x%08lX (%lu)", static_cast<unsigned long>(number),
                          static_cast<unsigned long>(number));
            return text;
        }
        break;
    default:
        break;
    }
    wchar_t head[64];
    std::swprintf(head, 64, L"type %lu, %zu bytes:", static_cast<unsigned long>(v.type), v.data.size());
    std::wstring out = head;
    for (BYTE b : v.data) {
        wchar_t hex[4];
        std::swprintf(hex, 4, L" %02X", b);
        out += hex;
    }
    return out;
}

std::wstring ValueName(const Value& v)
{
    return v.name.empty() ? L"@" : Quoted(v.name);
}

// Keys with at least this many values are packed with --pack.
constexpr std::size_t kPackedValues = 16;

void DumpKey(HKEY key, const std::wstring& path, bool packWide)
{
    Line(L"[" + path + L"]");
    std::vector<Value> values = Values(key);
    const bool pack = packWide && values.size() >= kPackedValues;
    std::wstring packed;
    int inLine = 0;
    for (const Value& v : values) {
        std::wstring entry = ValueName(v) + L" = " + DescribeValue(v);
        if (!pack || v.name.empty()) {
            Line(L"  " + entry);
            continue;
        }
        // Packed: several short values per line, for keys that hold one value per file type.
        std::wstring text = TextOf(v.data);
        if (!text.empty() && text.back() == L'\0') {
            text.pop_back();
        }
        packed += L"  " + v.name + L"=" + (v.type == REG_SZ ? text : DescribeValue(v));
        if (++inLine == 4) {
            Line(packed);
            packed.clear();
            inLine = 0;
        }
    }
    if (inLine > 0) {
        Line(packed);
    }
    if (pack && values.size() > 1) {
        Line(L"  (" + std::to_wstring(values.size()) + L" values)");
    }
    for (const std::wstring& name : SubkeyNames(key)) {
        UniqueRegKey sub;
        if (::RegOpenKeyExW(key, name.c_str(), 0, KEY_READ, sub.put()) == ERROR_SUCCESS) {
            DumpKey(sub.get(), path + L"\\" + name, packWide);
        } else {
            Line(L"[" + path + L"\\" + name + L"] (cannot be opened)");
        }
    }
}

int RegCommand(const std::vector<std::wstring>& args)
{
    bool ifPresent = false;
    bool pack = false;
    std::wstring keyText;
    for (const std::wstring& a : args) {
        if (a == L"--if-present") {
            ifPresent = true;
        } else if (a == L"--pack") {
            pack = true;
        } else {
            keyText = a;
        }
    }
    HKEY hive = nullptr;
    std::wstring rootName;
    std::wstring subKey;
    if (!ParseKey(keyText, hive, rootName, subKey)) {
        Line(L"unknown key: " + keyText);
        return 2;
    }
    std::wstring path = rootName + (subKey.empty() ? L"" : L"\\" + subKey);
    UniqueRegKey key;
    if (::RegOpenKeyExW(hive, subKey.c_str(), 0, KEY_READ, key.put()) != ERROR_SUCCESS) {
        if (!ifPresent) {
            Line(L"[" + path + L"] (missing)");
        }
        return 0;
    }
    DumpKey(key.get(), path, pack);
    return 0;
}

std::wstring DefaultText(HKEY hive, const std::wstring& subKey)
{
    wchar_t text[1024] = {};
    DWORD bytes = sizeof(text) - sizeof(wchar_t);
    DWORD type = 0;
    if (::RegGetValueW(hive, subKey.c_str(), nullptr, RRF_RT_REG_SZ | RRF_NOEXPAND, &type, text, &bytes)
        != ERROR_SUCCESS) {
        return L"(missing)";
    }
    return text;
}

// "a=b" entries, eight to a line.
void PackedLines(const std::vector<std::wstring>& entries)
{
    std::wstring line;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        line += L"  " + entries[i];
        if (i % 8 == 7) {
            Line(line);
            line.clear();
        }
    }
    if (!line.empty()) {
        Line(line);
    }
}

// ---- the product's keys ----------------------------------------------------------------------

struct ProductKey {
    HKEY hive;
    std::wstring path;
};

bool IsSameOrBelow(const std::wstring& key, const std::wstring& ancestor)
{
    return ::_wcsicmp(key.c_str(), ancestor.c_str()) == 0
        || (StartsWithNoCase(key, ancestor) && key.size() > ancestor.size() && key[ancestor.size()] == L'\\');
}

// The roots of the key trees the registration writes, in the order the plan first reaches them:
// each plan key's highest ancestor among the plan's keys. The plan with the folder and drive
// verb, whatever was chosen; the keys do not depend on the installation folder.
std::vector<ProductKey> RegistrationKeyTrees()
{
    ph::RegistrationTexts texts;
    ph::RegistryPlan plan;
    if (!ph::BuildRegistrationTexts(L"C:\\Photavian\\", texts)) {
        return {};
    }
    ph::BuildRegistryPlan(texts, 1, plan);
    std::vector<ProductKey> roots;
    for (std::size_t i = 0; i < plan.count; ++i) {
        const ph::RegistryWrite& w = plan.writes[i];
        if (w.key == nullptr) {
            continue;
        }
        std::wstring root = w.key;
        for (std::size_t j = 0; j < plan.count; ++j) {
            const ph::RegistryWrite& other = plan.writes[j];
            if (other.key != nullptr && other.hive == w.hive && IsSameOrBelow(root, other.key)) {
                root = other.key;
            }
        }
        bool listed = std::any_of(roots.begin(), roots.end(), [&](const ProductKey& k) {
            return k.hive == w.hive && ::_wcsicmp(k.path.c_str(), root.c_str()) == 0;
        });
        if (!listed) {
            roots.push_back({w.hive, root});
        }
    }
    return roots;
}

// The keys of the store-application marks, as the program writes them: its own marking run made
// into a scratch key that stands in for the current user's hive, read, and removed again.
std::vector<std::wstring> StoreApplicationMarkKeys()
{
    constexpr wchar_t kScratch[] = L"Software\\PhotavianReadbackScratch";
    constexpr wchar_t kClasses[] = L"SOFTWARE\\Classes";
    std::vector<std::wstring> keys;
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
    {
        UniqueRegKey scratch;
        if (::RegCreateKeyExW(HKEY_CURRENT_USER, kScratch, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, scratch.put(),
                              nullptr)
                != ERROR_SUCCESS
            || ::RegOverridePredefKey(HKEY_CURRENT_USER, scratch.get()) != ERROR_SUCCESS) {
            return keys;
        }
        ph::SuppressAppxOpenWith();
        ::RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        UniqueRegKey classes;
        if (::RegOpenKeyExW(scratch.get(), kClasses, 0, KEY_READ, classes.put()) == ERROR_SUCCESS) {
            for (const std::wstring& name : SubkeyNames(classes.get())) {
                keys.push_back(std::wstring(kClasses) + L"\\" + name);
            }
        }
    }
    ::RegDeleteTreeW(HKEY_CURRENT_USER, kScratch);
    ::RegDeleteKeyW(HKEY_CURRENT_USER, kScratch);
    return keys;
}

std::wstring HiveName(HKEY hive)
{
    for (const Root& r : kRoots) {
        if (r.hive == hive) {
            return r.name;
        }
    }
    return L"HK?";
}

int RegistryCommand(const std::vector<std::wstring>& args)
{
    if (!args.empty()) {
        return 2;
    }
    std::vector<ProductKey> trees = RegistrationKeyTrees();
    if (trees.empty()) {
        Line(L"the registration's keys cannot be listed");
        return 1;
    }
    for (const ProductKey& tree : trees) {
        RegCommand({L"--pack", HiveName(tree.hive) + L"\\" + tree.path});
    }
    std::vector<std::wstring> marks = StoreApplicationMarkKeys();
    std::size_t present = 0;
    for (const std::wstring& key : marks) {
        UniqueRegKey k;
        present += ::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, k.put()) == ERROR_SUCCESS ? 1 : 0;
    }
    Line(L"store-application marks (HKCU\\SOFTWARE\\Classes\\AppX...): " + std::to_wstring(present) + L" of "
         + std::to_wstring(marks.size()) + L" present");
    for (const std::wstring& key : marks) {
        RegCommand({L"--if-present", L"HKCU\\" + key});
    }
    return marks.empty() ? 1 : 0;
}

int ClassesCommand(const std::vector<std::wstring>& args)
{
    if (args.size() > 1) {
        return 2;
    }
    const std::wstring progId = args.empty() ? std::wstring(ph::kProductProgId) : args[0];
    const std::wstring prefix = progId + L".";
    UniqueRegKey classes;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes", 0, KEY_READ, classes.put()) != ERROR_SUCCESS) {
        Line(L"HKLM\\SOFTWARE\\Classes cannot be opened");
        return 1;
    }
    std::vector<std::wstring> typeClasses;
    std::vector<std::wstring> extensions;
    for (const std::wstring& name : SubkeyNames(classes.get())) {
        if (StartsWithNoCase(name, prefix)) {
            typeClasses.push_back(name);
        } else if (!name.empty() && name[0] == L'.') {
            std::wstring target = DefaultText(classes.get(), name);
            if (StartsWithNoCase(target, prefix)) {
                extensions.push_back(name + L"=" + target.substr(prefix.size()));
            }
        }
    }

    // The open command is normally the same for every class: shown once, differences per line.
    std::wstring commonCommand;
    if (!typeClasses.empty()) {
        commonCommand = DefaultText(classes.get(), typeClasses[0] + L"\\shell\\open\\command");
    }
    Line(L"HKLM\\SOFTWARE\\Classes\\" + prefix + L"*: " + std::to_wstring(typeClasses.size())
         + L" classes (description | DefaultIcon), each with shell\\open\\command = " + Quoted(commonCommand)
         + L" unless shown");
    for (const std::wstring& name : typeClasses) {
        std::wstring command = DefaultText(classes.get(), name + L"\\shell\\open\\command");
        std::wstring line = L"  " + name + L"  " + Quoted(DefaultText(classes.get(), name)) + L" | "
            + Quoted(DefaultText(classes.get(), name + L"\\DefaultIcon"));
        if (command != commonCommand) {
            line += L" | command " + Quoted(command);
        }
        Line(line);
    }

    Line(L"HKLM\\SOFTWARE\\Classes\\.<ext> pointing at " + prefix + L"<class>: " + std::to_wstring(extensions.size()));
    PackedLines(extensions);

    std::vector<std::wstring> choices;
    const std::wstring fileExts = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts";
    UniqueRegKey exts;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, fileExts.c_str(), 0, KEY_READ, exts.put()) == ERROR_SUCCESS) {
        for (const std::wstring& name : SubkeyNames(exts.get())) {
            wchar_t text[256] = {};
            DWORD bytes = sizeof(text) - sizeof(wchar_t);
            std::wstring sub = name + L"\\UserChoice";
            if (::RegGetValueW(exts.get(), sub.c_str(), L"Progid", RRF_RT_REG_SZ, nullptr, text, &bytes)
                    == ERROR_SUCCESS
                && StartsWithNoCase(text, prefix)) {
                choices.push_back(name + L"=" + (text + prefix.size()));
            }
        }
    }
    Line(L"HKCU\\" + fileExts + L"\\.<ext>\\UserChoice naming " + prefix + L"<class>: "
         + std::to_wstring(choices.size()));
    PackedLines(choices);
    return 0;
}

// ---- shortcuts -----------------------------------------------------------------------------

struct ShellFolderName {
    const wchar_t* name;
    int csidl;
};
const ShellFolderName kShellFolders[] = {
    {L"shell:common-desktop", CSIDL_COMMON_DESKTOPDIRECTORY},
    {L"shell:desktop", CSIDL_DESKTOPDIRECTORY},
    {L"shell:common-programs", CSIDL_COMMON_PROGRAMS},
    {L"shell:programs", CSIDL_PROGRAMS},
};

std::wstring ResolveFolder(const std::wstring& text)
{
    for (const ShellFolderName& f : kShellFolders) {
        std::wstring name = f.name;
        if (StartsWithNoCase(text, name) && (text.size() == name.size() || text[name.size()] == L'\\')) {
            wchar_t folder[MAX_PATH] = {};
            if (FAILED(::SHGetFolderPathW(nullptr, f.csidl, nullptr, SHGFP_TYPE_CURRENT, folder))) {
                return L"";
            }
            return std::wstring(folder) + text.substr(name.size());
        }
    }
    return Expand(text);
}

void FindLinks(const std::wstring& folder, const std::wstring& relative, std::vector<std::wstring>& out)
{
    WIN32_FIND_DATAW data;
    std::wstring base = relative.empty() ? folder : folder + L"\\" + relative;
    UniqueFindHandle find(::FindFirstFileW((base + L"\\*").c_str(), &data));
    if (!find) {
        return;
    }
    do {
        std::wstring name = data.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        std::wstring path = relative.empty() ? name : relative + L"\\" + name;
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
            FindLinks(folder, path, out);
        } else if (name.size() > 4 && ::_wcsicmp(name.c_str() + name.size() - 4, L".lnk") == 0) {
            out.push_back(path);
        }
    } while (::FindNextFileW(find.get(), &data) != FALSE);
}

std::wstring OrNone(const wchar_t* text)
{
    return text[0] == L'\0' ? L"(none)" : std::wstring(text);
}

void PrintLink(const std::wstring& path, const std::wstring& shown)
{
    ComApartment com;
    ComPtr<IShellLinkW> link;
    ComPtr<IPersistFile> file;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(link.put())))
        || FAILED(link->QueryInterface(IID_PPV_ARGS(file.put()))) || FAILED(file->Load(path.c_str(), STGM_READ))) {
        Line(L"  " + shown + L": cannot be read");
        return;
    }
    wchar_t target[MAX_PATH] = {};
    wchar_t arguments[1024] = {};
    wchar_t icon[MAX_PATH] = {};
    wchar_t description[1024] = {};
    wchar_t workingDir[MAX_PATH] = {};
    int iconIndex = 0;
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    link->GetArguments(arguments, 1024);
    link->GetIconLocation(icon, MAX_PATH, &iconIndex);
    link->GetDescription(description, 1024);
    link->GetWorkingDirectory(workingDir, MAX_PATH);
    Line(L"  " + shown);
    Line(L"    target       " + OrNone(target));
    Line(L"    arguments    " + OrNone(arguments));
    Line(L"    icon         "
         + (icon[0] == L'\0' ? L"(none)" : std::wstring(icon) + L", index " + std::to_wstring(iconIndex)));
    Line(L"    description  " + OrNone(description));
    Line(L"    working dir  " + OrNone(workingDir));
}

int LnkCommand(const std::vector<std::wstring>& args)
{
    for (const std::wstring& arg : args) {
        std::wstring folder = ResolveFolder(arg);
        DWORD attributes = folder.empty() ? INVALID_FILE_ATTRIBUTES : ::GetFileAttributesW(folder.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            Line(arg + L" (" + folder + L"): no such folder");
            continue;
        }
        std::vector<std::wstring> links;
        FindLinks(folder, L"", links);
        std::sort(links.begin(), links.end(), LessNoCase);
        Line(folder + L": " + std::to_wstring(links.size()) + L" shortcuts");
        for (const std::wstring& link : links) {
            PrintLink(folder + L"\\" + link, link);
        }
    }
    return 0;
}

// ---- settings files ------------------------------------------------------------------------

int IniCommand(const std::vector<std::wstring>& args)
{
    for (const std::wstring& arg : args) {
        std::wstring path = Expand(arg);
        ph::UniqueStdioFile file(::_wfopen(path.c_str(), L"rb"));
        if (!file) {
            Line(path + L": missing");
            continue;
        }
        std::string bytes;
        char buffer[4096];
        std::size_t got = 0;
        while ((got = std::fread(buffer, 1, sizeof(buffer), file.get())) > 0) {
            bytes.append(buffer, got);
        }
        std::wstring text;
        std::wstring encoding;
        if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF
            && static_cast<unsigned char>(bytes[1]) == 0xFE) {
            encoding = L"UTF-16LE with byte-order mark";
            text.assign(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
        } else {
            encoding = L"8-bit (ANSI code page)";
            int chars = ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
            text.resize(static_cast<std::size_t>(chars > 0 ? chars : 0));
            if (chars > 0) {
                ::MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), chars);
            }
        }
        Line(path + L": " + std::to_wstring(bytes.size()) + L" bytes, " + encoding);
        std::size_t start = 0;
        while (start < text.size()) {
            std::size_t end = text.find(L'\n', start);
            std::wstring line = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
            if (!line.empty() && line.back() == L'\r') {
                line.pop_back();
            }
            Line(L"  | " + line);
            if (end == std::wstring::npos) {
                break;
            }
            start = end + 1;
        }
    }
    return 0;
}

int Usage()
{
    Line(L"usage: ph-readback reg [--if-present] [--pack] KEY | registry | classes [PROGID] | lnk FOLDER... | "
         L"ini FILE...");
    return 2;
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    // UTF-8 bytes as they are: no line-end translation by the C runtime.
    ::_setmode(::_fileno(stdout), _O_BINARY);
    if (argc < 2) {
        int status = Usage();
        Flush();
        return status;
    }
    std::wstring command = argv[1];
    std::vector<std::wstring> args(argv + 2, argv + argc);
    int status = 2;
    if (command == L"reg") {
        status = RegCommand(args);
    } else if (command == L"registry") {
        status = RegistryCommand(args);
    } else if (command == L"classes") {
        status = ClassesCommand(args);
    } else if (command == L"lnk") {
        status = LnkCommand(args);
    } else if (command == L"ini") {
        status = IniCommand(args);
    } else {
        status = Usage();
    }
    Flush();
    return status;
}
