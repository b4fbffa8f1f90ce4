// Who may change an installation folder. The program runs elevated; a folder outside the
// program-files folders gets the access list of one inside them, so that no other user can replace
// the programs that every shortcut, file type and the list of installed programs start.
#pragma once

#include "base/handles.h"

#include <windows.h>

namespace ph {

// SYSTEM and Administrators full control, users read and execute; nothing inherited from the
// parent; inherited by everything made inside.
inline constexpr wchar_t kProtectedFolderAccess[] = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

// True when folder (absolute) is one of the system's program-files folders or lies inside one:
// only administrators can change what is there.
[[nodiscard]] bool IsInsideProgramFiles(const wchar_t* folder);

enum class FolderTrust {
    Trusted,          // owned by SYSTEM, Administrators, TrustedInstaller or this account, and only they may change it
    WritableByOthers, // owned by them, but others may change what is inside
    Untrusted,        // owned by another account, or its security cannot be read
};

// Who owns the file or folder at path and who may change it.
[[nodiscard]] FolderTrust CheckTrust(const wchar_t* path);

// Gives the folder at path the protected access list (its content inherits it). ERROR_SUCCESS or the
// system's error.
[[nodiscard]] DWORD ProtectFolder(const wchar_t* path);

// The protected access list for a folder being created.
class ProtectedFolderSecurity {
public:
    ProtectedFolderSecurity();
    ProtectedFolderSecurity(const ProtectedFolderSecurity&) = delete;
    ProtectedFolderSecurity& operator=(const ProtectedFolderSecurity&) = delete;
    // Null when the descriptor could not be made.
    SECURITY_ATTRIBUTES* Attributes() { return m_descriptor ? &m_attributes : nullptr; }

private:
    UniqueLocalMemory m_descriptor;
    SECURITY_ATTRIBUTES m_attributes{};
};

// What the checks ask of the system, replaceable so that a test can pin it (Wine keeps no file
// security: it rebuilds a descriptor from the file's mode bits). Each starts as the real call.
struct FolderSecuritySeams {
    // The owner and access list of the file or folder at path, as a descriptor freed with LocalFree.
    DWORD (*readSecurity)(const wchar_t* path, PSECURITY_DESCRIPTOR* descriptor);
    // Replaces the folder's access list by descriptor's (protected: nothing inherited).
    DWORD (*writeAccessList)(const wchar_t* path, PSECURITY_DESCRIPTOR descriptor);
    // Creates one folder with the security given.
    BOOL (*createFolder)(const wchar_t* path, SECURITY_ATTRIBUTES* security);
};
FolderSecuritySeams& FolderSecurity();

} // namespace ph
