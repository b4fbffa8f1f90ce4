// Opening, renaming and deleting through handles that name exactly their path.
#include "base/verified_files.h"

#include "base/text.h"

#include <cwchar>
#include <memory>
#include <new>

namespace ph {

namespace {

// A text of the given capacity from the heap: paths may be as long as the platform allows.
std::unique_ptr<wchar_t[]> TextBuffer(DWORD chars)
{
    return std::unique_ptr<wchar_t[]>(new (std::nothrow) wchar_t[chars + 1]());
}

// Asks a path query (a function that fills a buffer and returns the length, or the size it needs)
// for its whole answer.
template <typename Query>
std::unique_ptr<wchar_t[]> WholeAnswer(Query query)
{
    DWORD needed = query(nullptr, 0);
    for (int attempt = 0; attempt < 3 && needed > 0; ++attempt) {
        std::unique_ptr<wchar_t[]> text = TextBuffer(needed);
        if (!text) {
            return nullptr;
        }
        DWORD got = query(text.get(), needed);
        if (got > 0 && got < needed) {
            return text;
        }
        needed = got;
    }
    return nullptr;
}

// The path below its volume's root, without a trailing backslash: "\dir\file" for "C:\dir\file".
// Short (8.3) names are given their long form first, as the volume names them.
std::unique_ptr<wchar_t[]> PathBelowVolume(const wchar_t* path)
{
    std::unique_ptr<wchar_t[]> full = WholeAnswer(
        [path](wchar_t* text, DWORD chars) { return ::GetFullPathNameW(path, chars, text, nullptr); });
    if (!full) {
        return nullptr;
    }
    // Short (8.3) names carry a tilde; only then is the long form asked for (it costs a look into
    // every folder of the path).
    std::unique_ptr<wchar_t[]> longForm;
    if (std::wcschr(full.get(), L'~') != nullptr) {
        longForm = WholeAnswer(
            [&full](wchar_t* text, DWORD chars) { return ::GetLongPathNameW(full.get(), text, chars); });
    }
    const wchar_t* named = longForm ? longForm.get() : full.get();
    const DWORD length = static_cast<DWORD>(std::wcslen(named));
    std::unique_ptr<wchar_t[]> volume = TextBuffer(length + 1);
    if (!volume || ::GetVolumePathNameW(named, volume.get(), length + 2) == FALSE) {
        return nullptr;
    }
    // The volume's root ends in a backslash, which the rest starts with.
    std::size_t root = std::wcslen(volume.get());
    if (root > 0 && volume[root - 1] == L'\\') {
        --root;
    }
    std::unique_ptr<wchar_t[]> below = TextBuffer(length);
    if (!below || root > length) {
        return nullptr;
    }
    std::wmemcpy(below.get(), named + root, length - root + 1);
    return below;
}

void DropTrailingBackslashes(wchar_t* text)
{
    std::size_t length = std::wcslen(text);
    while (length > 0 && text[length - 1] == L'\\') {
        text[--length] = L'\0';
    }
}

// The longest name the file system gives an open file, in characters.
constexpr DWORD kLongestNameChars = 32767;

// Where the open file or folder is, below its volume's root, as the file system resolved its path.
// GetFinalPathNameByHandleW answers; Wine's gives up on a path longer than MAX_PATH
// (ERROR_MORE_DATA however large the buffer), and there the file system's own name of the open
// file answers instead (FileNameInfo: the path below the volume, links resolved as well).
std::unique_ptr<wchar_t[]> OpenedBelowVolume(HANDLE handle)
{
    std::unique_ptr<wchar_t[]> opened = WholeAnswer([handle](wchar_t* text, DWORD chars) {
        return ::GetFinalPathNameByHandleW(handle, text, chars, FILE_NAME_NORMALIZED | VOLUME_NAME_NONE);
    });
    if (opened || ::GetLastError() != ERROR_MORE_DATA) {
        return opened;
    }
    const DWORD bytes = sizeof(FILE_NAME_INFO) + kLongestNameChars * sizeof(wchar_t);
    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[bytes]());
    if (!block) {
        return nullptr;
    }
    auto* info = reinterpret_cast<FILE_NAME_INFO*>(block.get());
    if (::GetFileInformationByHandleEx(handle, FileNameInfo, info, bytes) == FALSE) {
        return nullptr;
    }
    const DWORD chars = info->FileNameLength / sizeof(wchar_t);
    if (chars == 0 || chars > kLongestNameChars) {
        ::SetLastError(ERROR_INVALID_DATA);
        return nullptr;
    }
    opened = TextBuffer(chars);
    if (opened) {
        std::wmemcpy(opened.get(), info->FileName, chars);
    }
    return opened;
}

} // namespace

DWORD CheckNoLinkNorSecondName(HANDLE handle)
{
    // The attributes and the count of names alone: the handle's whole information would ask the
    // volume too, which costs a thousand times more.
    FILE_ATTRIBUTE_TAG_INFO attributes{};
    FILE_STANDARD_INFO standard{};
    if (::GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &attributes, sizeof(attributes)) == FALSE
        || ::GetFileInformationByHandleEx(handle, FileStandardInfo, &standard, sizeof(standard)) == FALSE) {
        return ::GetLastError();
    }
    if ((attributes.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0
        || (standard.Directory == FALSE && standard.NumberOfLinks > 1)) {
        return kErrorRedirected;
    }
    return ERROR_SUCCESS;
}

bool FinalPathBelowVolume(HANDLE handle, std::wstring& path)
{
    std::unique_ptr<wchar_t[]> opened = OpenedBelowVolume(handle);
    if (!opened) {
        return false;
    }
    DropTrailingBackslashes(opened.get());
    path = opened.get();
    return true;
}

DWORD CheckOpenedAsNamed(HANDLE handle, const wchar_t* path)
{
    const DWORD error = CheckNoLinkNorSecondName(handle);
    if (error != ERROR_SUCCESS) {
        return error;
    }
    // Where the handle really is, below its volume's root, against where the path says it is: a
    // link or junction anywhere on the path makes the two differ.
    std::unique_ptr<wchar_t[]> opened = OpenedBelowVolume(handle);
    if (!opened) {
        return ::GetLastError() != ERROR_SUCCESS ? ::GetLastError() : ERROR_INVALID_DATA;
    }
    std::unique_ptr<wchar_t[]> named = PathBelowVolume(path);
    if (!named) {
        return ::GetLastError() != ERROR_SUCCESS ? ::GetLastError() : ERROR_INVALID_DATA;
    }
    DropTrailingBackslashes(opened.get());
    DropTrailingBackslashes(named.get());
    if (::CompareStringOrdinal(opened.get(), -1, named.get(), -1, TRUE) != CSTR_EQUAL) {
        return kErrorRedirected;
    }
    return ERROR_SUCCESS;
}

namespace {

UniqueFile OpenOnce(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags, DWORD& error)
{
    // A file this call makes is opened for deleting too, so that it can go again if it turns out
    // to be somewhere else than its path says. Every handle may read attributes: the check asks
    // the file's attributes and link count, which the system answers only with that right (a
    // write-only handle would be refused on Windows).
    const bool creating = disposition == CREATE_NEW;
    UniqueFile file(::CreateFileW(path, access | FILE_READ_ATTRIBUTES | (creating ? DELETE : 0), share, nullptr,
                                  disposition, flags | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
        error = ::GetLastError();
        return file;
    }
    error = CheckOpenedAsNamed(file.get(), path);
    if (error != ERROR_SUCCESS) {
        if (creating) {
            (void)DeleteThroughHandle(file.get());
        }
        file.reset();
        return file;
    }
    if (creating && (access & DELETE) == 0) {
        // The delete access taken for the clean-up would keep others who do not share deleting
        // from opening the file: it is opened again with the access asked for, and checked again.
        file.reset();
        return OpenOnce(path, access, share, OPEN_EXISTING, flags, error);
    }
    return file;
}

} // namespace

UniqueFile OpenAsNamed(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags, DWORD& error)
{
    UniqueFile file;
    if (disposition != OPEN_ALWAYS) {
        file = OpenOnce(path, access, share, disposition, flags, error);
    } else {
        // Open what is there, else make it: two steps, so that a file made here is known to be
        // this call's own (and only such a file is removed when it is refused). Another process
        // making the file in between only sends the second round to open it.
        for (int round = 0; round < 2 && !file; ++round) {
            file = OpenOnce(path, access, share, OPEN_EXISTING, flags, error);
            if (!file && error == ERROR_FILE_NOT_FOUND) {
                file = OpenOnce(path, access, share, CREATE_NEW, flags, error);
                if (!file && error != ERROR_FILE_EXISTS) {
                    break;
                }
            } else {
                break;
            }
        }
    }
    if (!file) {
        ::SetLastError(error);
    }
    return file;
}

DWORD RenameThroughHandle(HANDLE handle, const wchar_t* newPath, bool replace)
{
    const std::size_t chars = std::wcslen(newPath);
    const std::size_t bytes = sizeof(FILE_RENAME_INFO) + chars * sizeof(wchar_t);
    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[bytes]());
    if (!block) {
        return ERROR_NOT_ENOUGH_MEMORY;
    }
    auto* rename = reinterpret_cast<FILE_RENAME_INFO*>(block.get());
    rename->ReplaceIfExists = replace ? TRUE : FALSE;
    rename->RootDirectory = nullptr;
    rename->FileNameLength = static_cast<DWORD>(chars * sizeof(wchar_t));
    std::wmemcpy(rename->FileName, newPath, chars + 1);
    if (::SetFileInformationByHandle(handle, FileRenameInfo, rename, static_cast<DWORD>(bytes)) == FALSE) {
        return ::GetLastError();
    }
    return ERROR_SUCCESS;
}

DWORD DeleteThroughHandle(HANDLE handle)
{
    FILE_DISPOSITION_INFO disposition{};
    disposition.DeleteFile = TRUE;
    if (::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof(disposition)) == FALSE) {
        return ::GetLastError();
    }
    return ERROR_SUCCESS;
}

} // namespace ph
