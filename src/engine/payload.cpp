// Payload extraction through minizip's unzip layer over the Win32 file functions.
#include "engine/payload.h"

#include "base/handles.h"
#include "base/text.h"

#include <windows.h>

#include <unzip.h>
#include <iowin32.h>

#include <cerrno>
#include <cstring>
#include <cwchar>
#include <direct.h>
#include <memory>
#include <new>

namespace ph {

namespace {

constexpr wchar_t kPayloadType[] = L"ZIP";
constexpr int kPayloadId = 1974;
constexpr wchar_t kStagingName[] = L"phtav_x64.zip";
constexpr std::size_t kCopyBlockBytes = 32768;
constexpr std::size_t kEntryNameBytes = 520;
constexpr std::size_t kEntryNameChars = 324;

// Owns an open archive of the unzip layer.
struct ArchiveTraits {
    using Handle = unzFile;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { unzClose(h); }
};
using UniqueArchive = UniqueHandle<ArchiveTraits>;

bool ContainsIconLibraryName(const char* name)
{
    char lower[kEntryNameBytes] = {};
    std::size_t i = 0;
    for (; name[i] != '\0' && i + 1 < kEntryNameBytes; ++i) {
        char c = name[i];
        lower[i] = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return std::strstr(lower, "icons.dll") != nullptr;
}

bool IsSeparator(wchar_t c)
{
    return c == L'/' || c == L'\\';
}

// Copies one open entry into the file. False on a read error of the archive or a short write.
bool CopyEntryData(unzFile archive, FILE* file, char* block)
{
    for (;;) {
        int got = unzReadCurrentFile(archive, block, static_cast<unsigned>(kCopyBlockBytes));
        if (got < 0) {
            return false;
        }
        if (got == 0) {
            return true;
        }
        if (std::fwrite(block, 1, static_cast<std::size_t>(got), file) != static_cast<std::size_t>(got)) {
            return false;
        }
    }
}

// How one entry went: written (or deliberately skipped), left out while the others can still be
// written, or an error after which the archive is not read further.
enum class EntryResult { Done, LeftOut, Stop };

EntryResult ExtractCurrentEntry(unzFile archive, bool skipIcons)
{
    unz_file_info64 info{};
    char rawName[kEntryNameBytes] = {};
    if (unzGetCurrentFileInfo64(archive, &info, rawName, sizeof(rawName) - 1, nullptr, 0, nullptr, 0) != UNZ_OK) {
        return EntryResult::Stop;
    }
    if (skipIcons && ContainsIconLibraryName(rawName)) {
        return EntryResult::Done;
    }
    if (info.size_filename >= kEntryNameBytes) {
        return EntryResult::LeftOut; // a cut name would name another file
    }
    std::unique_ptr<char[]> block(new (std::nothrow) char[kCopyBlockBytes]);
    if (!block) {
        return EntryResult::Stop;
    }

    wchar_t name[kEntryNameChars] = {};
    if (::MultiByteToWideChar(CP_ACP, 0, rawName, -1, name, static_cast<int>(kEntryNameChars)) == 0
        || !IsSafeEntryName(name)) {
        return EntryResult::LeftOut;
    }
    std::size_t nameLen = std::wcslen(name);
    std::size_t fileStart = 0;
    for (std::size_t i = 0; i < nameLen; ++i) {
        if (IsSeparator(name[i])) {
            fileStart = i + 1;
        }
    }

    if (fileStart == nameLen) {
        ::CreateDirectoryW(name, nullptr); // an existing folder is fine
        return EntryResult::Done;
    }

    if (unzOpenCurrentFilePassword(archive, nullptr) != UNZ_OK) {
        return EntryResult::Stop;
    }
    UniqueStdioFile file(::_wfopen(name, L"wb"));
    if (!file && fileStart > 0) {
        wchar_t folder[kEntryNameChars] = {};
        std::wmemcpy(folder, name, fileStart);
        MakeFolderPath(folder);
        file.reset(::_wfopen(name, L"wb"));
    }
    if (!file) {
        unzCloseCurrentFile(archive);
        return EntryResult::LeftOut;
    }

    bool copied = CopyEntryData(archive, file.get(), block.get());
    copied = CloseStdioFileChecked(file) && copied;
    if (copied) {
        ApplyEntryTime(name, static_cast<std::uint32_t>(info.dosDate));
    }
    // Closing the entry checks its CRC-32.
    if (unzCloseCurrentFile(archive) != UNZ_OK || !copied) {
        return EntryResult::Stop;
    }
    return EntryResult::Done;
}

} // namespace

bool IsSafeEntryName(const wchar_t* name)
{
    if (name[0] == L'\0' || IsSeparator(name[0]) || std::wcschr(name, L':') != nullptr) {
        return false;
    }
    // Win32 drops trailing dots and blanks from a path component, so ".." followed by more dots
    // or blanks still means the parent folder.
    const wchar_t* component = name;
    for (;;) {
        const wchar_t* end = component;
        std::size_t dots = 0;
        bool onlyDotsAndBlanks = true;
        for (; *end != L'\0' && !IsSeparator(*end); ++end) {
            if (*end == L'.') {
                ++dots;
            } else if (*end != L' ') {
                onlyDotsAndBlanks = false;
            }
        }
        if (onlyDotsAndBlanks && dots >= 2) {
            return false;
        }
        if (*end == L'\0') {
            return true;
        }
        component = end + 1;
    }
}

int MakeFolderPath(const wchar_t* path)
{
    if (path[0] == L'\0') {
        return 0;
    }
    wchar_t copy[kWorkPathChars] = {};
    if (!CopyTextWhole(copy, path)) {
        return 0;
    }
    std::size_t len = std::wcslen(copy);
    if (copy[len - 1] == L'/') {
        copy[--len] = L'\0';
    }
    if (::CreateDirectoryW(copy, nullptr) != FALSE) {
        return 1;
    }
    for (std::size_t i = 1; i <= len; ++i) {
        if (i < len && !IsSeparator(copy[i])) {
            continue;
        }
        wchar_t saved = copy[i];
        copy[i] = L'\0';
        BOOL created = ::CreateDirectoryW(copy, nullptr);
        DWORD error = ::GetLastError();
        copy[i] = saved;
        if (created == FALSE && error == ERROR_PATH_NOT_FOUND) {
            return 0;
        }
    }
    return 1;
}

void ApplyEntryTime(const wchar_t* path, std::uint32_t dosDateTime)
{
    UniqueFile file(::CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return;
    }
    FILETIME created{};
    FILETIME accessed{};
    FILETIME written{};
    if (::GetFileTime(file.get(), &created, &accessed, &written) == FALSE) {
        return;
    }
    FILETIME local{};
    FILETIME utc{};
    if (::DosDateTimeToFileTime(HIWORD(dosDateTime), LOWORD(dosDateTime), &local) == FALSE
        || ::LocalFileTimeToFileTime(&local, &utc) == FALSE) {
        return;
    }
    ::SetFileTime(file.get(), &utc, &accessed, &utc);
}

int ExtractArchive(const wchar_t* archivePath, const wchar_t* destination, bool skipIcons)
{
    zlib_filefunc64_def fileFunctions{};
    fill_win32_filefunc64W(&fileFunctions);
    UniqueArchive archive(unzOpen2_64(archivePath, &fileFunctions));
    if (!archive) {
        return -1;
    }
    if (::SetCurrentDirectoryW(destination) == FALSE) {
        return -1;
    }

    // An archive without entries installs nothing: a damaged end of archive reads that way.
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(archive.get(), &global) != UNZ_OK || global.number_entry == 0) {
        return -1;
    }
    bool complete = true;
    for (ZPOS64_T i = 0; i < global.number_entry; ++i) {
        EntryResult result = ExtractCurrentEntry(archive.get(), skipIcons);
        if (result == EntryResult::Stop) {
            complete = false;
            break;
        }
        if (result == EntryResult::LeftOut) {
            complete = false;
        }
        if (i + 1 < global.number_entry && unzGoToNextFile(archive.get()) != UNZ_OK) {
            complete = false;
            break;
        }
    }
    return complete ? 0 : -1;
}

int ExtractPayload(const wchar_t* destination, bool skipIcons)
{
    HMODULE module = ::GetModuleHandleW(nullptr);
    HRSRC resource = ::FindResourceW(module, MAKEINTRESOURCEW(kPayloadId), kPayloadType);
    if (resource == nullptr) {
        return -1;
    }
    HGLOBAL loaded = ::LoadResource(module, resource);
    const void* data = loaded != nullptr ? ::LockResource(loaded) : nullptr;
    DWORD size = ::SizeofResource(module, resource);
    if (data == nullptr || size == 0) {
        return -1;
    }

    wchar_t stagingPath[kWorkPathChars] = {};
    DWORD tempLen = ::GetTempPathW(static_cast<DWORD>(kWorkPathChars), stagingPath);
    if (tempLen == 0 || tempLen >= kWorkPathChars) {
        return -1;
    }
    if ((!EndsWithBackslash(stagingPath) && !AppendTextWhole(stagingPath, L"\\"))
        || !AppendTextWhole(stagingPath, kStagingName)) {
        return -1;
    }

    UniqueStdioFile staging(::_wfopen(stagingPath, L"wb"));
    if (!staging) {
        return -1;
    }
    DeleteOnExitFile removeStaging(stagingPath);
    bool written = std::fwrite(data, 1, size, staging.get()) == size;
    if (!CloseStdioFileChecked(staging) || !written) {
        return -1; // a short staging file would install fewer files than the product has
    }
    return ExtractArchive(stagingPath, destination, skipIcons);
}

} // namespace ph
