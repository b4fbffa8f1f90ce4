// The viewer's settings file: redirection, language and toolbar keys, UTF-16 conversion.
#include "engine/viewer_settings.h"

#include "platform/probes.h"
#include "platform/trace.h"
#include "base/folder_tree.h"
#include "engine/existing_install.h"

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <utility>

namespace ph {

namespace {

constexpr wchar_t kOthersSection[] = L"Others";
constexpr wchar_t kIniFolderKey[] = L"INI_Folder";
constexpr wchar_t kLanguageSection[] = L"Language";
constexpr wchar_t kToolbarSection[] = L"Toolbar";
constexpr wchar_t kSkinKey[] = L"Skin";
constexpr wchar_t kSizeKey[] = L"Size";

// A settings folder inside a portable copy of the viewer: the copy's own file gets a toolbar too.
constexpr const wchar_t* kPortableFolderMarks[] = {L"Photavian32_App", L"Photavian64_App"};
constexpr ToolbarSkin kPortableSkin{L"Halvint_24.png", L"24"};

// U+FEFF, written little-endian as the bytes FF FE, then the line that marks the file as UTF-16
// for whoever opens it in an editor, and one blank line.
constexpr wchar_t kUtf16Header[] = L"\xFEFF; UNICODE FILE - edit with care ;-)\r\n\r\n";
static_assert(sizeof(wchar_t) == 2, "the settings file is written as UTF-16LE");

constexpr int kDefaultScale = 100;

// Empty text and 0: the answer of ExpandEnvReferences to a text it does not expand.
int RefuseExpansion(wchar_t (&result)[kWorkPathChars])
{
    result[0] = L'\0';
    return 0;
}

// Makes folder (trimmed, blanks before inner backslashes removed, ending in a backslash, created
// when missing) the home of the settings file and puts the file's path into path. False, with an
// empty path, when the folder is empty, leaves no room for the file name in a path buffer, or does
// not exist afterwards. The room is measured before the folder is created: the folder creation
// looks only at a path's first 260 characters and would make a different folder of a longer one.
bool SettingsFileInFolder(wchar_t (&folder)[kWorkPathChars], wchar_t (&path)[kPathChars])
{
    path[0] = L'\0';
    TrimBlanks(folder);
    std::size_t length = std::wcslen(folder);
    if (length == 0) {
        return false;
    }
    std::size_t needed = length + (EndsWithBackslash(folder) ? 0 : 1) + std::size(kSettingsFileName) - 1;
    if (needed >= kPathChars || !EnsureFolderTree(folder, kWorkPathChars)) {
        return false;
    }
    return CopyTextWhole(path, folder) && AppendTextWhole(path, kSettingsFileName);
}

bool IsPortableLayout(const wchar_t* settingsPath)
{
    for (const wchar_t* mark : kPortableFolderMarks) {
        if (std::wcsstr(settingsPath, mark) != nullptr) {
            return true;
        }
    }
    return false;
}

// A key that cannot be written leaves the file as it was; the installation goes on regardless.
void WriteKey(const wchar_t* section, const wchar_t* key, const wchar_t* value, const wchar_t* file)
{
    if (::WritePrivateProfileStringW(section, key, value, file) == FALSE) {
        TraceError(::GetLastError(), L"settings: [%ls] %ls in %ls not written", section, key, file);
        return;
    }
    Trace(L"settings: [%ls] %ls%ls%ls in %ls", section, key, value != nullptr ? L"=" : L" removed",
          value != nullptr ? value : L"", file);
}

void WriteSkin(const ToolbarSkin& skin, const wchar_t* file)
{
    WriteKey(kToolbarSection, kSkinKey, skin.skin, file);
    WriteKey(kToolbarSection, kSizeKey, skin.size, file);
}

// The temporary file of the conversion: the folder part of settingsPath (up to its last backslash,
// slash or drive colon) followed by "ph_tav64.ini_temp".
bool BuildTempPath(const wchar_t* settingsPath, wchar_t (&tempPath)[kWorkPathChars])
{
    std::size_t folderChars = 0;
    for (std::size_t i = 0; settingsPath[i] != L'\0'; ++i) {
        if (settingsPath[i] == L'\\' || settingsPath[i] == L'/' || settingsPath[i] == L':') {
            folderChars = i + 1;
        }
    }
    if (folderChars + 1 > kWorkPathChars) {
        return false;
    }
    std::wmemcpy(tempPath, settingsPath, folderChars);
    tempPath[folderChars] = L'\0';
    return AppendTextWhole(tempPath, kSettingsTempFileName);
}

bool IsUtf8CodePage(UINT codePage)
{
    return codePage == CP_UTF8 || (codePage == CP_ACP && ::GetACP() == CP_UTF8);
}

// How many bytes at the end of a piece begin a character that continues in the next piece: they
// are carried over so that a character is never converted in two halves.
std::size_t IncompleteTailBytes(const unsigned char* piece, std::size_t count, UINT codePage)
{
    if (IsUtf8CodePage(codePage)) {
        constexpr std::size_t kMaxContinuationBytes = 3;
        std::size_t start = count;
        while (start > 0 && count - start < kMaxContinuationBytes && (piece[start - 1] & 0xC0) == 0x80) {
            --start;
        }
        if (start == 0) {
            return 0;
        }
        unsigned char lead = piece[start - 1];
        std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        std::size_t present = count - (start - 1);
        return present < length ? present : 0;
    }
    // Double-byte code pages: a trail byte may look like a lead byte, so walk from the start of the
    // piece, which is always the start of a character.
    std::size_t i = 0;
    while (i < count) {
        if (::IsDBCSLeadByteEx(codePage, piece[i]) == FALSE) {
            ++i;
        } else if (i + 1 == count) {
            return 1;
        } else {
            i += 2;
        }
    }
    return 0;
}

bool WriteUtf16(std::FILE* target, const wchar_t* text, std::size_t count)
{
    return std::fwrite(text, sizeof(wchar_t), count, target) == count;
}

// Converts the source line by line, in pieces of at most 2047 bytes, and writes each piece as
// UTF-16LE. Counts the converted pieces; false when a piece cannot be read, converted or written.
bool ConvertPieces(std::FILE* source, std::FILE* target, UINT codePage, std::size_t& pieces)
{
    unsigned char piece[kConversionPieceBytes];
    wchar_t wide[kConversionPieceBytes + 1];
    std::size_t carried = 0;
    bool atEnd = false;
    while (!atEnd) {
        std::size_t count = carried;
        bool lineEnded = false;
        while (count < kConversionPieceBytes && !lineEnded) {
            int c = std::getc(source);
            if (c == EOF) {
                atEnd = true;
                break;
            }
            piece[count++] = static_cast<unsigned char>(c);
            lineEnded = c == '\n';
        }
        if (std::ferror(source) != 0) {
            return false;
        }
        if (count == 0) {
            break;
        }
        std::size_t keep = atEnd || lineEnded ? 0 : IncompleteTailBytes(piece, count, codePage);
        int bytes = static_cast<int>(count - keep);
        int chars = ::MultiByteToWideChar(codePage, 0, reinterpret_cast<const char*>(piece), bytes, wide,
                                          static_cast<int>(std::size(wide)));
        if (chars <= 0 || !WriteUtf16(target, wide, static_cast<std::size_t>(chars))) {
            return false;
        }
        ++pieces;
        std::memmove(piece, piece + bytes, keep);
        carried = keep;
    }
    return true;
}

} // namespace

int DisplayScaleFromDpi(int dpi)
{
    if (dpi <= 0) {
        return kDefaultScale;
    }
    return (dpi * 100 + kBaseDpi / 2) / kBaseDpi;
}

ToolbarSkin ChooseToolbarSkin(int scale, int screenHeight)
{
    if (screenHeight >= 1600 || scale >= 170) {
        return {L"gnome-colors-human_48.png", L"48"};
    }
    if (screenHeight > 1200 || scale >= 150) {
        return {L"gnome-colors-wise_32.png", L"32"};
    }
    if (screenHeight >= 768) {
        return {L"Halvint_24.png", L"24"};
    }
    return {L"Tessor_16.png", L"16"};
}

int ExpandEnvReferences(const wchar_t* text, wchar_t (&result)[kWorkPathChars])
{
    std::size_t used = 0;
    const wchar_t* p = text;
    while (*p != L'\0') {
        if (*p != L'%') {
            if (used == kExpandedMaxChars) {
                return RefuseExpansion(result);
            }
            result[used++] = *p++;
            continue;
        }
        const wchar_t* name = ++p;
        while (*p != L'\0' && *p != L'%') {
            ++p;
        }
        std::size_t nameChars = static_cast<std::size_t>(p - name);
        if (*p == L'%') {
            ++p;
        }
        if (nameChars == 0) {
            continue; // "%%" names no variable
        }
        if (nameChars > kEnvNameMaxChars) {
            return RefuseExpansion(result);
        }
        wchar_t nameText[kEnvNameMaxChars + 1];
        std::wmemcpy(nameText, name, nameChars);
        nameText[nameChars] = L'\0';
        // 0 for an undefined (or empty) variable; the size it would need when the value is too long.
        wchar_t value[kEnvValueMaxChars + 1];
        DWORD valueChars = ::GetEnvironmentVariableW(nameText, value, static_cast<DWORD>(std::size(value)));
        if (valueChars > kEnvValueMaxChars || used + valueChars > kExpandedMaxChars) {
            return RefuseExpansion(result);
        }
        std::wmemcpy(result + used, value, valueChars);
        used += valueChars;
    }
    result[used] = L'\0';
    return 1;
}

int WriteViewerSettings(const wchar_t* destinationFolder, wchar_t (&iniFolder)[kWorkPathChars], int silent,
                        wchar_t (&settingsPath)[kPathChars])
{
    // The destination's own file, in the folder exactly as the installation created it.
    wchar_t destination[kWorkPathChars] = {};
    wchar_t programIniPath[kPathChars] = {};
    if (!CopyTextWhole(destination, destinationFolder) || !SettingsFileInFolder(destination, programIniPath)) {
        settingsPath[0] = L'\0';
        return 0;
    }

    // A silent installation into the program-files product folder keeps its settings in the
    // user's application-data folder.
    if (silent != 0 && iniFolder[0] == L'\0') {
        wchar_t programFiles[kPathChars] = {};
        DefaultProgramFilesFolder(programFiles);
        if (std::wcsstr(destinationFolder, programFiles) != nullptr) {
            CopyTextWhole(iniFolder, kAppDataSettingsFolder);
        }
    }

    // The viewer follows "INI_Folder" to its settings. A settings folder that cannot hold the file
    // is not pointed to: the settings then stay in the destination's file.
    bool redirected = false;
    if (iniFolder[0] != L'\0') {
        wchar_t folder[kWorkPathChars] = {};
        bool expanded = std::wcschr(iniFolder, L'%') == nullptr ? CopyTextWhole(folder, iniFolder)
                                                                 : ExpandEnvReferences(iniFolder, folder) == 1;
        redirected = expanded && SettingsFileInFolder(folder, settingsPath);
        if (!redirected) {
            Trace(L"settings: the settings folder %ls cannot be used, the settings stay in %ls", iniFolder,
                  programIniPath);
        }
    }
    if (redirected) {
        WriteKey(kOthersSection, kIniFolderKey, iniFolder, programIniPath);
    } else {
        WriteKey(kOthersSection, kIniFolderKey, nullptr, programIniPath);
        CopyTextWhole(settingsPath, programIniPath);
    }
    bool portableLayout = redirected && IsPortableLayout(settingsPath);

    WriteKey(kLanguageSection, L"DLL", L"ENGLISH", settingsPath);
    WriteKey(kLanguageSection, L"Lang", L"English", settingsPath);

    // A skin the user already has stays, together with its size.
    wchar_t skin[kPathChars] = {};
    ::GetPrivateProfileStringW(kToolbarSection, kSkinKey, L"", skin, static_cast<DWORD>(kPathChars), settingsPath);
    if (skin[0] != L'\0') {
        return 1;
    }
    const int dpi = Seams().displayDpiX();
    const int scale = DisplayScaleFromDpi(dpi);
    const int screenHeight = Seams().fullScreenHeight();
    const ToolbarSkin chosen = ChooseToolbarSkin(scale, screenHeight);
    Trace(L"settings: display %d DPI (scale %d %%), full-screen height %d: skin %ls", dpi, scale, screenHeight,
          chosen.skin);
    WriteSkin(chosen, settingsPath);
    if (portableLayout) {
        WriteSkin(kPortableSkin, programIniPath);
    }
    return 1;
}

int ConvertSettingsToUtf16(const wchar_t* settingsPath, UniqueStdioFile source)
{
    return ConvertSettingsToUtf16(settingsPath, std::move(source), CP_ACP);
}

int ConvertSettingsToUtf16(const wchar_t* settingsPath, UniqueStdioFile source, UINT codePage)
{
    unsigned char mark[2] = {};
    if (std::fread(mark, 1, 2, source.get()) == 2 && mark[0] == 0xFF && mark[1] == 0xFE) {
        return 1; // already UTF-16
    }
    wchar_t tempPath[kWorkPathChars] = {};
    if (std::fseek(source.get(), 0, SEEK_SET) != 0 || !BuildTempPath(settingsPath, tempPath)) {
        return 1;
    }
    UniqueStdioFile target(::_wfopen(tempPath, L"wb"));
    if (!target) {
        return 1;
    }

    std::size_t pieces = 0;
    bool complete = WriteUtf16(target.get(), kUtf16Header, std::size(kUtf16Header) - 1)
        && ConvertPieces(source.get(), target.get(), codePage, pieces);
    source.reset(); // the original must be closed before it can be replaced
    complete = CloseStdioFileChecked(target) && complete;

    // Whatever goes wrong, the original stays as it was and no temporary file is left behind.
    if (!complete || pieces == 0) {
        ::DeleteFileW(tempPath);
        return complete ? 1 : 0;
    }
    if (::MoveFileExW(tempPath, settingsPath, MOVEFILE_REPLACE_EXISTING) == FALSE) {
        ::DeleteFileW(tempPath);
        return 0;
    }
    return 1;
}

} // namespace ph
