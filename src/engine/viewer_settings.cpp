// The viewer's settings file: redirection, language and toolbar keys, UTF-16 conversion.
#include "engine/viewer_settings.h"

#include "base/folder_tree.h"
#include "base/verified_files.h"
#include "engine/existing_install.h"
#include "platform/probes.h"
#include "platform/trace.h"

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdint>
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
constexpr auto kPortable32Mark = JoinTexts(kProductName, L"32_App");
constexpr auto kPortable64Mark = JoinTexts(kProductName, L"64_App");
constexpr const wchar_t* kPortableFolderMarks[] = {kPortable32Mark, kPortable64Mark};
constexpr ToolbarSkin kPortableSkin{L"Halvint_24.png", L"24"};

// U+FEFF, written little-endian as the bytes FF FE, then the line that marks the file as UTF-16
// for whoever opens it in an editor, and one blank line.
constexpr wchar_t kUtf16Header[] = L"\xFEFF; UNICODE FILE - edit with care ;-)\r\n\r\n";
static_assert(sizeof(wchar_t) == 2, "the settings file is written as UTF-16LE");

constexpr int kDefaultScale = 100;

// The skins by screen, largest first: the first row whose height or scale the screen reaches.
struct SkinRow {
    int minHeight;    // full-screen client height that selects the row
    bool heightAbove; // the row wants a height above minHeight rather than at least it
    int minScale;     // display scale (percent) that selects the row; 0: none does
    ToolbarSkin skin;
};
constexpr SkinRow kSkinRows[] = {
    {1600, false, 170, {L"gnome-colors-human_48.png", L"48"}},
    {1200, true, 150, {L"gnome-colors-wise_32.png", L"32"}},
    {768, false, 0, {L"Halvint_24.png", L"24"}},
};
constexpr ToolbarSkin kSmallestSkin{L"Tessor_16.png", L"16"};

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
    std::size_t needed = length + std::wcslen(SeparatorAfter(folder)) + std::size(kSettingsFileName) - 1;
    DWORD error = ERROR_SUCCESS;
    if (needed >= kPathChars) {
        return false;
    }
    if (!EnsureFolderTree(folder, kWorkPathChars, &error)) {
        TraceError(error, L"settings: the folder %ls cannot be created", folder);
        return false;
    }
    if (!CopyTextWhole(path, folder) || !AppendTextWhole(path, kSettingsFileName)) {
        path[0] = L'\0';
        return false;
    }
    return true;
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

// A settings file that the profile functions write by its name. It is written only when it is the
// very file its path names (no link or second name planted there, by whoever could write the
// folder), and it is held open meanwhile, sharing reading and writing but not deleting, so that it
// cannot be swapped for a link between the check and the writes.
class SettingsFile {
public:
    explicit SettingsFile(const wchar_t* path) : m_path(path) { Pin(); }

    const wchar_t* Path() const { return m_path; }
    bool Usable() const { return static_cast<bool>(m_pin); }

    // A key that cannot be written leaves the file as it was; the installation goes on regardless.
    void WriteKey(const wchar_t* section, const wchar_t* key, const wchar_t* value)
    {
        if (!Usable()) {
            return;
        }
        BOOL written = ::WritePrivateProfileStringW(section, key, value, m_path);
        if (written == FALSE && ::GetLastError() == ERROR_SHARING_VIOLATION) {
            // A profile implementation that wants the file to itself: checked again, then written
            // without the hold.
            m_pin.reset();
            written = Pin() && ::WritePrivateProfileStringW(section, key, value, m_path) != FALSE;
            m_pin.reset();
            written = written && Pin();
        }
        if (written == FALSE) {
            TraceError(::GetLastError(), L"settings: [%ls] %ls in %ls not written", section, key, m_path);
            return;
        }
        Trace(L"settings: [%ls] %ls%ls%ls in %ls", section, key, value != nullptr ? L"=" : L" removed",
              value != nullptr ? value : L"", m_path);
    }

    void WriteSkin(const ToolbarSkin& skin)
    {
        WriteKey(kToolbarSection, kSkinKey, skin.skin);
        WriteKey(kToolbarSection, kSizeKey, skin.size);
    }

    // A key's text, empty when it is missing (or the file is not usable).
    void ReadKey(const wchar_t* section, const wchar_t* key, wchar_t (&value)[kPathChars]) const
    {
        value[0] = L'\0';
        if (Usable()) {
            ::GetPrivateProfileStringW(section, key, L"", value, static_cast<DWORD>(kPathChars), m_path);
        }
    }

private:
    bool Pin()
    {
        DWORD error = ERROR_SUCCESS;
        m_pin = OpenAsNamed(m_path, FILE_READ_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS, 0, error);
        if (!m_pin) {
            TraceError(error, L"settings: %ls cannot be opened as itself (a link or a second name?), not written",
                       m_path);
        }
        return static_cast<bool>(m_pin);
    }

    const wchar_t* m_path;
    UniqueFile m_pin;
};

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

// A C runtime stream ("rb" or "wb") on an open file, which it then owns.
UniqueStdioFile StreamOnHandle(UniqueFile file, const wchar_t* mode)
{
    const bool writing = mode[0] == L'w';
    const int descriptor = ::_open_osfhandle(reinterpret_cast<std::intptr_t>(file.get()),
                                             (writing ? _O_WRONLY : _O_RDONLY) | _O_BINARY);
    if (descriptor == -1) {
        return UniqueStdioFile();
    }
    (void)file.release(); // the descriptor owns it now
    UniqueStdioFile stream(::_wfdopen(descriptor, mode));
    if (!stream) {
        ::_close(descriptor);
    }
    return stream;
}

// The system error behind a failed read, write or close of a C runtime stream: the thread's last
// error when the runtime's own system call left one, else what errno names.
DWORD ErrorOfStream()
{
    const DWORD error = ::GetLastError();
    if (error != ERROR_SUCCESS) {
        return error;
    }
    return errno == ENOSPC ? ERROR_DISK_FULL : ERROR_WRITE_FAULT;
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
    for (const SkinRow& row : kSkinRows) {
        const bool high = row.heightAbove ? screenHeight > row.minHeight : screenHeight >= row.minHeight;
        if (high || (row.minScale > 0 && scale >= row.minScale)) {
            return row.skin;
        }
    }
    return kSmallestSkin;
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
    settingsPath[0] = L'\0';
    wchar_t folder[kWorkPathChars] = {};
    InstallTarget target;
    if (!CopyTextWhole(folder, destinationFolder) || !SettingsFileInFolder(folder, settingsPath)
        || !SetInstallFolder(target, folder)) {
        settingsPath[0] = L'\0';
        return 0;
    }
    WriteViewerSettings(target, iniFolder, silent, false);
    CopyTextCut(settingsPath, target.settingsPath);
    return 1;
}

void WriteViewerSettings(InstallTarget& target, wchar_t (&iniFolder)[kWorkPathChars], int silent, bool keepRedirection)
{
    SettingsFile program(target.programIniPath);
    wchar_t(&settingsPath)[kPathChars] = target.settingsPath;
    settingsPath[0] = L'\0';

    // The redirection the destination's file already holds: every user's own settings are where
    // it points, so it stays unless the run was asked for another settings folder.
    wchar_t existing[kPathChars] = {};
    program.ReadKey(kOthersSection, kIniFolderKey, existing);
    if (keepRedirection && existing[0] != L'\0') {
        Trace(L"settings: the installation's settings stay where it points: %ls", existing);
        CopyTextCut(iniFolder, existing);
    }

    // A silent installation into the program-files product folder keeps its settings in the
    // user's application-data folder.
    if (silent != 0 && iniFolder[0] == L'\0') {
        wchar_t programFiles[kPathChars] = {};
        DefaultProgramFilesFolder(programFiles);
        if (std::wcsstr(target.folder, programFiles) != nullptr) {
            CopyTextCut(iniFolder, kAppDataSettingsFolder);
        }
    }

    // The viewer follows "INI_Folder" to its settings. A settings folder that cannot hold the file
    // is not pointed to. Then an existing redirection stays as it is (the viewer keeps finding the
    // user's settings; the run writes no keys), and without one the settings go into the
    // destination's own file, where the viewer looks when nothing redirects it.
    bool redirected = false;
    if (iniFolder[0] != L'\0') {
        wchar_t folder[kWorkPathChars] = {};
        bool expanded = std::wcschr(iniFolder, L'%') == nullptr ? CopyTextWhole(folder, iniFolder)
                                                                : ExpandEnvReferences(iniFolder, folder) == 1;
        // A folder whose settings file is a link (or the folder itself one) is no settings folder.
        redirected = expanded && SettingsFileInFolder(folder, settingsPath) && SettingsFile(settingsPath).Usable();
        if (!redirected) {
            Trace(L"settings: the settings folder %ls cannot be used", iniFolder);
            if (existing[0] != L'\0') {
                Trace(L"settings: the redirection to %ls stays; no key is written", existing);
                settingsPath[0] = L'\0';
                return;
            }
            Trace(L"settings: the settings stay in %ls", target.programIniPath);
        }
    }
    if (redirected) {
        program.WriteKey(kOthersSection, kIniFolderKey, iniFolder);
    } else {
        program.WriteKey(kOthersSection, kIniFolderKey, nullptr);
        CopyTextCut(settingsPath, target.programIniPath);
    }
    const bool portableLayout = redirected && IsPortableLayout(settingsPath);

    // The keys go into the settings file only when it is the file its path names.
    SettingsFile settings(settingsPath);
    if (!settings.Usable()) {
        settingsPath[0] = L'\0';
        return;
    }
    settings.WriteKey(kLanguageSection, L"DLL", L"ENGLISH");
    settings.WriteKey(kLanguageSection, L"Lang", L"English");

    // A skin the user already has stays, together with its size.
    wchar_t skin[kPathChars] = {};
    settings.ReadKey(kToolbarSection, kSkinKey, skin);
    if (skin[0] != L'\0') {
        return;
    }
    const int dpi = Seams().displayDpiX();
    const int scale = DisplayScaleFromDpi(dpi);
    const int screenHeight = Seams().fullScreenHeight();
    const ToolbarSkin chosen = ChooseToolbarSkin(scale, screenHeight);
    Trace(L"settings: display %d DPI (scale %d %%), full-screen height %d: skin %ls", dpi, scale, screenHeight,
          chosen.skin);
    settings.WriteSkin(chosen);
    if (portableLayout) {
        program.WriteSkin(kPortableSkin);
    }
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
    // The temporary file is this run's own new file: one an interrupted run left goes first (only
    // when it is the file its name says), and a link planted under its name is never written
    // through. A second handle keeps it, for renaming or deleting it once the stream is closed.
    DWORD error = ERROR_SUCCESS;
    {
        UniqueFile left = OpenAsNamed(tempPath, DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      OPEN_EXISTING, 0, error);
        if (left) {
            (void)DeleteThroughHandle(left.get());
        }
    }
    UniqueFile temp = OpenAsNamed(tempPath, GENERIC_WRITE | DELETE, 0, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, error);
    UniqueFile kept;
    UniqueStdioFile target;
    if (temp
        && ::DuplicateHandle(::GetCurrentProcess(), temp.get(), ::GetCurrentProcess(), kept.put(), 0, FALSE,
                             DUPLICATE_SAME_ACCESS)
            != FALSE) {
        target = StreamOnHandle(std::move(temp), L"wb");
    }
    if (!target) {
        if (kept) {
            (void)DeleteThroughHandle(kept.get());
        }
        TraceError(error != ERROR_SUCCESS ? error : ::GetLastError(),
                   L"settings file %ls: no temporary file %ls, the 8-bit file stays", settingsPath, tempPath);
        return 1;
    }

    // The error of the first call that failed, taken right there: the clean-up that follows calls
    // the system again.
    std::size_t pieces = 0;
    ::SetLastError(ERROR_SUCCESS);
    if (!WriteUtf16(target.get(), kUtf16Header, std::size(kUtf16Header) - 1)
        || !ConvertPieces(source.get(), target.get(), codePage, pieces)) {
        error = ErrorOfStream();
    }
    source.reset(); // the original must be closed before it can be replaced
    ::SetLastError(ERROR_SUCCESS);
    if (!CloseStdioFileChecked(target) && error == ERROR_SUCCESS) {
        error = ErrorOfStream();
    }

    // Whatever goes wrong, the original stays as it was and no temporary file is left behind. The
    // converted file takes the settings file's name itself (a link there is replaced, never
    // followed).
    if (error != ERROR_SUCCESS || pieces == 0) {
        (void)DeleteThroughHandle(kept.get());
        if (error != ERROR_SUCCESS) {
            TraceError(error, L"settings file %ls: not converted to UTF-16, the 8-bit file stays", settingsPath);
        }
        return error == ERROR_SUCCESS ? 1 : 0;
    }
    error = RenameThroughHandle(kept.get(), settingsPath, true);
    if (error != ERROR_SUCCESS) {
        (void)DeleteThroughHandle(kept.get());
        TraceError(error, L"settings file %ls: the converted file cannot replace it, the 8-bit file stays",
                   settingsPath);
        return 0;
    }
    return 1;
}

UniqueStdioFile OpenSettingsForReading(const wchar_t* settingsPath)
{
    DWORD error = ERROR_SUCCESS;
    UniqueFile file = OpenAsNamed(settingsPath, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, 0, error);
    return file ? StreamOnHandle(std::move(file), L"rb") : UniqueStdioFile();
}

} // namespace ph
