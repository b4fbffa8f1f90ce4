// Files and folders opened as exactly what their path names. The program runs elevated; a link, a
// junction or a second name that a user planted must not carry its writes, renames or deletes to
// another file. Each open here refuses to follow a link at the end of the path, and keeps the handle
// only when it names the path given (so no link anywhere on the path sent it elsewhere), is no
// reparse point and, for a file, has exactly one name. Later operations go through that handle.
#pragma once

#include "base/handles.h"

#include <windows.h>

#include <string>

namespace ph {

// The error given when what was opened is not what the path names: a link or junction on the path
// or at its end, or a file with more than one name. The system's ERROR_STOPPED_ON_SYMLINK ("the
// create operation stopped after reaching a symbolic link"), which not every SDK names.
inline constexpr DWORD kErrorRedirected = 681;

// Where the open file or folder is, below its volume's root ("\dir\file"), as the file system
// resolved its path: links and junctions on the way are followed; no trailing backslash (the root
// itself is empty). False when it cannot be read.
[[nodiscard]] bool FinalPathBelowVolume(HANDLE handle, std::wstring& path);

// ERROR_SUCCESS when the open file or folder is no reparse point and, for a file, has one name;
// otherwise kErrorRedirected (or the error of the query).
[[nodiscard]] DWORD CheckNoLinkNorSecondName(HANDLE handle);

// ERROR_SUCCESS when handle is the file or folder path names (path: absolute), otherwise
// kErrorRedirected (or the error of a query that failed).
[[nodiscard]] DWORD CheckOpenedAsNamed(HANDLE handle, const wchar_t* path);

// CreateFileW of path (absolute) with the given access, sharing and disposition (OPEN_EXISTING,
// CREATE_NEW or OPEN_ALWAYS), never following a link at its end, kept only when CheckOpenedAsNamed
// accepts it (the handle may read attributes besides access). A file this call created and then
// refused is deleted again. Folders open with
// FILE_FLAG_BACKUP_SEMANTICS among flags. error receives why the open failed; the thread's last
// error is that error too.
[[nodiscard]] UniqueFile OpenAsNamed(const wchar_t* path, DWORD access, DWORD share, DWORD disposition, DWORD flags,
                                     DWORD& error);

// Renames the file or folder open in handle (opened with DELETE access) to newPath (absolute, on
// the same volume); replace allows an existing file of that name to be replaced (the name itself,
// never what a link there points to). ERROR_SUCCESS or the system's error.
[[nodiscard]] DWORD RenameThroughHandle(HANDLE handle, const wchar_t* newPath, bool replace);

// Deletes the file or empty folder open in handle (opened with DELETE access) once the handle is
// closed. ERROR_SUCCESS or the system's error.
[[nodiscard]] DWORD DeleteThroughHandle(HANDLE handle);

} // namespace ph
