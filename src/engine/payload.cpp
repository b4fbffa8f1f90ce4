// Payload extraction through minizip's unzip layer, reading the archive straight from the
// program's resource.
#include "engine/payload.h"

#include "base/folder_tree.h"
#include "base/handles.h"
#include "base/path_rules.h"
#include "base/product.h"
#include "base/resources.h"
#include "base/text.h"
#include "base/verified_files.h"
#include "engine/staging.h"
#include "platform/trace.h"
#include "res/resource.h"

#include <windows.h>

#include <unzip.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <iterator>
#include <memory>
#include <new>

namespace ph {

namespace {

constexpr std::size_t kCopyBlockBytes = 32768;
constexpr std::size_t kEntryNameBytes = 520;
constexpr std::size_t kEntryNameChars = 324;
// General-purpose flag bit 11: the entry's name is UTF-8 rather than the ANSI code page.
constexpr uLong kUtf8NameFlag = 0x800;

// Owns an open archive of the unzip layer.
struct ArchiveTraits {
    using Handle = unzFile;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { unzClose(h); }
};
using UniqueArchive = UniqueHandle<ArchiveTraits>;

// The archive as the unzip layer reads it: a block of memory and a read position. The layer
// opens its stream once per archive; a second open while the first is in use is refused.
struct MemoryArchive {
    const unsigned char* data;
    ZPOS64_T size;
    ZPOS64_T position;
    bool open;
};

voidpf ZCALLBACK OpenMemory(voidpf opaque, const void*, int mode)
{
    auto* archive = static_cast<MemoryArchive*>(opaque);
    if (archive->open || (mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) {
        return nullptr;
    }
    archive->open = true;
    archive->position = 0;
    return archive;
}

uLong ZCALLBACK ReadMemory(voidpf, voidpf stream, void* buffer, uLong size)
{
    auto* archive = static_cast<MemoryArchive*>(stream);
    ZPOS64_T left = archive->size - archive->position;
    uLong count = left < size ? static_cast<uLong>(left) : size;
    std::memcpy(buffer, archive->data + archive->position, count);
    archive->position += count;
    return count;
}

uLong ZCALLBACK WriteMemory(voidpf, voidpf, const void*, uLong)
{
    return 0; // the payload is read only
}

ZPOS64_T ZCALLBACK TellMemory(voidpf, voidpf stream)
{
    return static_cast<MemoryArchive*>(stream)->position;
}

long ZCALLBACK SeekMemory(voidpf, voidpf stream, ZPOS64_T offset, int origin)
{
    auto* archive = static_cast<MemoryArchive*>(stream);
    ZPOS64_T base = 0;
    switch (origin) {
    case ZLIB_FILEFUNC_SEEK_SET:
        break;
    case ZLIB_FILEFUNC_SEEK_CUR:
        base = archive->position;
        break;
    case ZLIB_FILEFUNC_SEEK_END:
        base = archive->size;
        break;
    default:
        return -1;
    }
    if (offset > archive->size - base) {
        return -1;
    }
    archive->position = base + offset;
    return 0;
}

int ZCALLBACK CloseMemory(voidpf, voidpf stream)
{
    static_cast<MemoryArchive*>(stream)->open = false;
    return 0;
}

int ZCALLBACK MemoryError(voidpf, voidpf)
{
    return 0;
}

// Whether the 8-bit entry name holds the icon library's file name in any letter case of A to Z.
bool ContainsIconLibraryName(const char* name)
{
    const std::size_t wordChars = std::size(kIconLibraryFileName) - 1;
    for (const char* at = name; *at != '\0'; ++at) {
        std::size_t i = 0;
        while (i < wordChars && at[i] != '\0'
               && AsciiLower(static_cast<unsigned char>(at[i])) == AsciiLower(kIconLibraryFileName[i])) {
            ++i;
        }
        if (i == wordChars) {
            return true;
        }
    }
    return false;
}

// Copies one open entry into the file and counts the bytes. ERROR_SUCCESS when the entry reported
// its end; otherwise the error of the call that failed: a read error of the archive (its data
// cannot be inflated) is ERROR_INVALID_DATA, a write that failed keeps the system's error, one
// that stored less than the block ERROR_WRITE_FAULT.
DWORD CopyEntryData(unzFile archive, HANDLE file, char* block, ZPOS64_T& copied)
{
    copied = 0;
    for (;;) {
        int got = unzReadCurrentFile(archive, block, static_cast<unsigned>(kCopyBlockBytes));
        if (got < 0) {
            return ERROR_INVALID_DATA;
        }
        if (got == 0) {
            return ERROR_SUCCESS;
        }
        DWORD written = 0;
        if (::WriteFile(file, block, static_cast<DWORD>(got), &written, nullptr) == FALSE) {
            return ::GetLastError();
        }
        if (written != static_cast<DWORD>(got)) {
            return ERROR_WRITE_FAULT;
        }
        copied += static_cast<ZPOS64_T>(got);
    }
}

// How one entry went: written (or deliberately skipped), left out while the others can still be
// written, or an error after which the archive is not read further.
enum class EntryResult { Done, LeftOut, Stop };

// The extraction of one archive: where its entries are staged, and the worst cause of failure so
// far, for the caller's exit code.
struct Extraction {
    unzFile archive;
    bool skipIcons;
    StagedInstallation& staging;
    InstallFailure failure = InstallFailure::None;

    // Records why an entry failed, keeping the more telling cause.
    void Failed(DWORD error) { failure = MoreTellingCause(failure, CauseOfError(error)); }
};

// "2024-05-17 10:20:30" from a packed DOS date and time.
void FormatDosTime(std::uint32_t dosDateTime, wchar_t (&text)[32])
{
    const unsigned date = dosDateTime >> 16;
    const unsigned time = dosDateTime & 0xFFFF;
    std::swprintf(text, std::size(text), L"%04u-%02u-%02u %02u:%02u:%02u", 1980 + (date >> 9), (date >> 5) & 0x0F,
                  date & 0x1F, time >> 11, (time >> 5) & 0x3F, (time & 0x1F) * 2);
}

// The name an entry is staged and recorded under: relative to the destination, '\' separators,
// without "." components, empty ones and the trailing dots and blanks the platform drops from a
// component. Empty for an entry that names the destination itself.
std::wstring InstalledName(const wchar_t* name)
{
    std::wstring installed;
    ForEachPathComponent(name, [&installed](const wchar_t* component, std::size_t length) {
        std::size_t kept = length;
        while (kept > 0 && (component[kept - 1] == L'.' || component[kept - 1] == L' ')) {
            --kept;
        }
        if (kept > 0) {
            if (!installed.empty()) {
                installed += L'\\';
            }
            installed.append(component, kept);
        }
        return true;
    });
    return installed;
}

// A folder entry: the folder, with any missing parents, must exist afterwards.
EntryResult ExtractFolderEntry(Extraction& run, const wchar_t* name)
{
    const DWORD error = run.staging.StageFolder(InstalledName(name));
    if (error != ERROR_SUCCESS) {
        run.Failed(error);
        TraceError(error, L"folder %ls: not created", name);
        return EntryResult::LeftOut;
    }
    Trace(L"folder %ls", name);
    return EntryResult::Done;
}

EntryResult ExtractFileEntry(Extraction& run, const unz_file_info64& info, const wchar_t* name)
{
    std::unique_ptr<char[]> block(new (std::nothrow) char[kCopyBlockBytes]);
    if (!block) {
        run.Failed(ERROR_NOT_ENOUGH_MEMORY);
        TraceError(ERROR_NOT_ENOUGH_MEMORY, L"file %ls: no copy buffer", name);
        return EntryResult::Stop;
    }
    if (unzOpenCurrentFilePassword(run.archive, nullptr) != UNZ_OK) {
        run.Failed(ERROR_INVALID_DATA);
        TraceError(ERROR_INVALID_DATA, L"file %ls: its data cannot be read from the archive", name);
        return EntryResult::Stop;
    }
    // Staged beside its final name (its folders made as needed, the file it replaces checked).
    UniqueFile file;
    DWORD error = run.staging.StageFile(InstalledName(name), info.uncompressed_size,
                                        static_cast<std::uint32_t>(info.crc), file);
    if (error != ERROR_SUCCESS) {
        unzCloseCurrentFile(run.archive);
        run.Failed(error);
        TraceError(error, L"file %ls: %ls", name,
                   error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION
                       ? L"in use by another process, cannot be replaced"
                       : error == kErrorRedirected ? L"refused, a link or a second name stands in its place"
                                                   : L"cannot be created");
        return EntryResult::LeftOut;
    }

    // The file system reports a full disk at the write that did not fit (the C runtime's buffered
    // streams may report it nowhere), and the time is set through the handle that wrote the data.
    // The unzip layer checks the CRC-32 only once the declared size has been read: an entry whose
    // data ends before its declared size would otherwise pass as a short file.
    ZPOS64_T copied = 0;
    error = CopyEntryData(run.archive, file.get(), block.get(), copied);
    const bool copiedAll = error == ERROR_SUCCESS;
    const bool complete = copiedAll && copied == info.uncompressed_size;
    if (complete) {
        ApplyEntryTime(file.get(), static_cast<std::uint32_t>(info.dosDate));
    }
    if (::CloseHandle(file.release()) == FALSE && error == ERROR_SUCCESS) {
        error = ::GetLastError();
    }
    // Closing the entry checks its CRC-32.
    const bool checked = unzCloseCurrentFile(run.archive) == UNZ_OK;
    if (error != ERROR_SUCCESS) {
        run.Failed(error);
        TraceError(error, L"file %ls: written incompletely (%llu bytes)", name,
                   static_cast<unsigned long long>(copied));
        return EntryResult::Stop;
    }
    if (!complete || !checked) {
        run.Failed(ERROR_INVALID_DATA);
        TraceError(ERROR_INVALID_DATA, L"file %ls: damaged, %llu bytes where %llu are declared%ls", name,
                   static_cast<unsigned long long>(copied), static_cast<unsigned long long>(info.uncompressed_size),
                   complete ? L", CRC-32 mismatch" : L"");
        return EntryResult::Stop;
    }
    if (Tracing()) {
        wchar_t time[32];
        FormatDosTime(static_cast<std::uint32_t>(info.dosDate), time);
        Trace(L"file %ls: %llu bytes, %ls", name, static_cast<unsigned long long>(copied), time);
        CountTraced(TraceCounter::Files);
    }
    return EntryResult::Done;
}

EntryResult ExtractCurrentEntry(Extraction& run)
{
    unz_file_info64 info{};
    char rawName[kEntryNameBytes] = {};
    if (unzGetCurrentFileInfo64(run.archive, &info, rawName, sizeof(rawName) - 1, nullptr, 0, nullptr, 0) != UNZ_OK) {
        run.Failed(ERROR_INVALID_DATA);
        TraceError(ERROR_INVALID_DATA, L"entry after the last one read: unreadable");
        return EntryResult::Stop;
    }
    if (run.skipIcons && ContainsIconLibraryName(rawName)) {
        Trace(L"entry %hs: left out, the installed icon library stays", rawName);
        return EntryResult::Done;
    }
    if (info.size_filename >= kEntryNameBytes) {
        run.Failed(ERROR_FILENAME_EXCED_RANGE);
        TraceError(ERROR_FILENAME_EXCED_RANGE, L"entry %hs...: refused, its name is longer than %zu bytes", rawName,
                   kEntryNameBytes - 1);
        return EntryResult::LeftOut; // a cut name would name another file
    }

    // Names are 8-bit text of the ANSI code page unless the entry marks them as UTF-8.
    const bool utf8 = (info.flag & kUtf8NameFlag) != 0;
    wchar_t name[kEntryNameChars] = {};
    if (::MultiByteToWideChar(utf8 ? CP_UTF8 : CP_ACP, utf8 ? MB_ERR_INVALID_CHARS : 0, rawName, -1, name,
                              static_cast<int>(kEntryNameChars))
        == 0) {
        run.Failed(ERROR_INVALID_NAME);
        TraceError(ERROR_INVALID_NAME, L"entry %hs: refused, its name cannot be decoded", rawName);
        return EntryResult::LeftOut;
    }
    if (!IsSafeEntryName(name)) {
        run.Failed(ERROR_INVALID_NAME);
        TraceError(ERROR_INVALID_NAME, L"entry %ls: refused, it would leave the folder or names a device", name);
        return EntryResult::LeftOut;
    }
    const std::size_t nameLen = std::wcslen(name);
    return IsPathSeparator(name[nameLen - 1]) ? ExtractFolderEntry(run, name) : ExtractFileEntry(run, info, name);
}

// The bytes the archive's entries declare (the icon library's left out when it is skipped); false
// when the archive's directory cannot be read.
bool DeclaredBytes(unzFile archive, bool skipIcons, ZPOS64_T& total)
{
    total = 0;
    int status = unzGoToFirstFile(archive);
    for (; status == UNZ_OK; status = unzGoToNextFile(archive)) {
        unz_file_info64 info{};
        char rawName[kEntryNameBytes] = {};
        if (unzGetCurrentFileInfo64(archive, &info, rawName, sizeof(rawName) - 1, nullptr, 0, nullptr, 0) != UNZ_OK) {
            return false;
        }
        // Sizes an archive declares may add up beyond what the count holds: such a payload
        // fits no disk.
        if (!(skipIcons && ContainsIconLibraryName(rawName))) {
            total = info.uncompressed_size > ~total ? ~ZPOS64_T{0} : total + info.uncompressed_size;
        }
    }
    return status == UNZ_END_OF_LIST_OF_FILE && unzGoToFirstFile(archive) == UNZ_OK;
}

// Whether the declared bytes fit the space the destination's volume leaves this user. The new
// files are staged while the ones they replace still exist, so all of them must fit beside the
// installation as it is. A volume whose free space cannot be read is not refused: the writes will
// tell.
bool FitsFreeSpace(unzFile archive, const wchar_t* destination, bool skipIcons)
{
    ULARGE_INTEGER available{};
    ZPOS64_T needed = 0;
    if (::GetDiskFreeSpaceExW(destination, &available, nullptr, nullptr) == FALSE
        || !DeclaredBytes(archive, skipIcons, needed)) {
        return true;
    }
    Trace(L"space: %llu bytes to write, %llu bytes free on the destination's volume",
          static_cast<unsigned long long>(needed), static_cast<unsigned long long>(available.QuadPart));
    return needed <= available.QuadPart;
}

// Extracts the open archive into destination, which becomes the current directory: every entry is
// staged first, and put in place only when all of them are complete.
int ExtractOpenArchive(unzFile archive, const wchar_t* destination, bool skipIcons, InstallFailure* why)
{
    StagedInstallation staging(destination);
    Extraction run{archive, skipIcons, staging};
    auto fail = [&run, why](InstallFailure cause) {
        run.failure = MoreTellingCause(run.failure, cause);
        if (why != nullptr) {
            *why = run.failure;
        }
        return -1;
    };
    if (::SetCurrentDirectoryW(destination) == FALSE) {
        TraceError(::GetLastError(), L"extraction: the destination %ls cannot be entered", destination);
        return fail(InstallFailure::Other);
    }
    // An archive without entries installs nothing: a damaged end of archive reads that way.
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(archive, &global) != UNZ_OK || global.number_entry == 0) {
        TraceError(ERROR_INVALID_DATA, L"extraction: the archive lists no entries");
        return fail(InstallFailure::Other);
    }
    if (!FitsFreeSpace(archive, destination, skipIcons)) {
        TraceError(ERROR_DISK_FULL, L"extraction: not enough free space, nothing written");
        return fail(InstallFailure::NotEnoughSpace);
    }
    // What an interrupted earlier run left is finished or undone first.
    DWORD error = staging.Begin();
    if (error != ERROR_SUCCESS) {
        TraceError(error, L"extraction: nothing can be staged in %ls", destination);
        return fail(CauseOfError(error));
    }
    bool complete = true;
    for (ZPOS64_T i = 0; i < global.number_entry; ++i) {
        EntryResult result = ExtractCurrentEntry(run);
        if (result == EntryResult::Stop) {
            complete = false;
            break;
        }
        if (result == EntryResult::LeftOut) {
            complete = false;
        }
        if (i + 1 < global.number_entry && unzGoToNextFile(archive) != UNZ_OK) {
            run.Failed(ERROR_INVALID_DATA);
            TraceError(ERROR_INVALID_DATA, L"extraction: entry %llu of %llu cannot be reached",
                       static_cast<unsigned long long>(i + 2), static_cast<unsigned long long>(global.number_entry));
            complete = false;
            break;
        }
    }
    if (!complete) {
        staging.Discard();
        Trace(L"extraction: not every entry could be staged; nothing was put in place, the folder is as it was");
        return fail(run.failure == InstallFailure::None ? InstallFailure::Other : run.failure);
    }
    std::wstring failed;
    error = staging.Commit(failed);
    if (error != ERROR_SUCCESS) {
        run.Failed(error);
        TraceError(error, L"file %ls: cannot be replaced; every file is back as it was", failed.c_str());
        return fail(run.failure);
    }
    const StagedInstallation::Counts& counts = staging.Tally();
    Trace(L"extraction: %zu files put in place, %zu of them replacing earlier ones%ls", counts.staged, counts.replaced,
          counts.leftForRestart > 0 ? L"; some replaced files are in use and go at the next restart" : L"");
    return 0;
}

// Opens an archive held in memory through the unzip layer.
struct MemoryArchiveReader {
    MemoryArchive memory;
    zlib_filefunc64_def functions{};
    UniqueArchive archive;

    MemoryArchiveReader(const void* data, std::size_t size)
        : memory{static_cast<const unsigned char*>(data), static_cast<ZPOS64_T>(size), 0, false}
    {
        functions.zopen64_file = OpenMemory;
        functions.zread_file = ReadMemory;
        functions.zwrite_file = WriteMemory;
        functions.ztell64_file = TellMemory;
        functions.zseek64_file = SeekMemory;
        functions.zclose_file = CloseMemory;
        functions.zerror_file = MemoryError;
        functions.opaque = &memory;
        if (data != nullptr && size > 0) {
            archive.reset(unzOpen2_64(&memory, &functions));
        }
    }
    MemoryArchiveReader(const MemoryArchiveReader&) = delete;
    MemoryArchiveReader& operator=(const MemoryArchiveReader&) = delete;
};

// The characters the platform allows in a file's path, and in a folder's (a folder made by name
// leaves room for a file name of 8.3 characters in the limit).
constexpr std::size_t kMaxFilePathChars = MAX_PATH - 1;
constexpr std::size_t kMaxFolderPathChars = MAX_PATH - 12 - 1;

} // namespace

bool MeasureArchiveNames(const void* data, std::size_t size, PayloadNameLengths& lengths)
{
    lengths = PayloadNameLengths{};
    MemoryArchiveReader reader(data, size);
    if (!reader.archive) {
        return false;
    }
    int status = unzGoToFirstFile(reader.archive.get());
    for (; status == UNZ_OK; status = unzGoToNextFile(reader.archive.get())) {
        unz_file_info64 info{};
        char rawName[kEntryNameBytes] = {};
        if (unzGetCurrentFileInfo64(reader.archive.get(), &info, rawName, sizeof(rawName) - 1, nullptr, 0, nullptr, 0)
            != UNZ_OK) {
            return false;
        }
        const bool utf8 = (info.flag & kUtf8NameFlag) != 0;
        wchar_t name[kEntryNameChars] = {};
        if (::MultiByteToWideChar(utf8 ? CP_UTF8 : CP_ACP, 0, rawName, -1, name, static_cast<int>(kEntryNameChars))
            == 0) {
            continue; // an entry the extraction refuses anyway
        }
        const std::size_t nameChars = std::wcslen(name);
        const bool folder = nameChars > 0 && IsPathSeparator(name[nameChars - 1]);
        const std::wstring installed = InstalledName(name);
        const std::size_t slash = installed.rfind(L'\\');
        const std::size_t folderChars = folder ? installed.size() : slash == std::wstring::npos ? 0 : slash;
        lengths.folder = std::max(lengths.folder, folderChars);
        if (!folder) {
            lengths.file = std::max(lengths.file, installed.size());
        }
    }
    return status == UNZ_END_OF_LIST_OF_FILE;
}

bool MeasurePayloadNames(PayloadNameLengths& lengths)
{
    const ResourceBytes payload = LoadResourceBytes(::GetModuleHandleW(nullptr), IDR_PAYLOAD_ZIP, RT_PAYLOAD_ZIP_NAME);
    return payload.data != nullptr && MeasureArchiveNames(payload.data, payload.size, lengths);
}

bool PayloadFitsUnder(const PayloadNameLengths& lengths, std::size_t folderChars)
{
    return folderChars + lengths.file + kStagingExtraChars <= kMaxFilePathChars
        && folderChars + lengths.folder + kStagingExtraChars <= kMaxFolderPathChars;
}

bool IsSafeEntryName(const wchar_t* name)
{
    if (name[0] == L'\0' || IsPathSeparator(name[0]) || std::wcschr(name, L':') != nullptr) {
        return false;
    }
    return ForEachPathComponent(name, [](const wchar_t* component, std::size_t length) {
        // Win32 drops trailing dots and blanks from a path component, so ".." followed by more
        // dots or blanks still means the parent folder. A device name opens the device in any
        // folder.
        std::size_t dots = 0;
        bool onlyDotsAndBlanks = true;
        for (std::size_t i = 0; i < length; ++i) {
            if (component[i] == L'.') {
                ++dots;
            } else if (component[i] != L' ') {
                onlyDotsAndBlanks = false;
            }
        }
        return !(onlyDotsAndBlanks && dots >= 2) && !IsReservedDeviceName(component, length);
    });
}

int MakeFolderPath(const wchar_t* path)
{
    return path[0] != L'\0' && CreateFolderLevels(path) == ERROR_SUCCESS ? 1 : 0;
}

void ApplyEntryTime(HANDLE file, std::uint32_t dosDateTime)
{
    FILETIME created{};
    FILETIME accessed{};
    FILETIME written{};
    if (::GetFileTime(file, &created, &accessed, &written) == FALSE) {
        return;
    }
    FILETIME local{};
    FILETIME utc{};
    if (::DosDateTimeToFileTime(HIWORD(dosDateTime), LOWORD(dosDateTime), &local) == FALSE
        || ::LocalFileTimeToFileTime(&local, &utc) == FALSE) {
        return;
    }
    ::SetFileTime(file, &utc, &accessed, &utc);
}

int ExtractArchive(const void* data, std::size_t size, const wchar_t* destination, bool skipIcons, InstallFailure* why)
{
    if (why != nullptr) {
        *why = InstallFailure::None;
    }
    if (data == nullptr || size == 0) {
        if (why != nullptr) {
            *why = InstallFailure::Other;
        }
        return -1;
    }
    MemoryArchiveReader reader(data, size);
    if (!reader.archive) {
        if (why != nullptr) {
            *why = InstallFailure::Other;
        }
        TraceError(ERROR_INVALID_DATA, L"extraction: the payload is not a readable archive");
        return -1;
    }
    return ExtractOpenArchive(reader.archive.get(), destination, skipIcons, why);
}

int ExtractPayload(const wchar_t* destination, bool skipIcons, InstallFailure* why)
{
    if (why != nullptr) {
        *why = InstallFailure::Other;
    }
    const ResourceBytes payload = LoadResourceBytes(::GetModuleHandleW(nullptr), IDR_PAYLOAD_ZIP, RT_PAYLOAD_ZIP_NAME);
    if (!payload.found) {
        TraceError(::GetLastError(), L"extraction: the payload resource is missing");
        return -1;
    }
    if (payload.data == nullptr || payload.size == 0) {
        TraceError(ERROR_INVALID_DATA, L"extraction: the payload resource cannot be read");
        return -1;
    }
    // Read where the program's image holds it: no copy on disk that another process could
    // replace before it is opened again.
    return ExtractArchive(payload.data, payload.size, destination, skipIcons, why);
}

} // namespace ph
