// Owner and access-list checks of installation folders, and the protected list.
#include "platform/folder_security.h"

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include <cwchar>
#include <memory>
#include <new>

namespace ph {

namespace {

// Rights that let an account change a folder or what is in it: add files or folders, delete
// what is inside, delete or rename it, change its access list or owner.
constexpr ACCESS_MASK kChangingRights = FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY | FILE_DELETE_CHILD | DELETE | WRITE_DAC
    | WRITE_OWNER | GENERIC_WRITE | GENERIC_ALL | MAXIMUM_ALLOWED;

// The accounts an installation may belong to besides the one running the setup.
constexpr const wchar_t* kTrustedAccounts[] = {
    L"S-1-5-18",                                                       // SYSTEM
    L"S-1-5-32-544",                                                   // Administrators
    L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464", // TrustedInstaller
};

DWORD ReadSecurityReal(const wchar_t* path, PSECURITY_DESCRIPTOR* descriptor)
{
    return ::GetNamedSecurityInfoW(path, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                                   nullptr, nullptr, nullptr, nullptr, descriptor);
}

DWORD WriteAccessListReal(const wchar_t* path, PSECURITY_DESCRIPTOR descriptor)
{
    BOOL present = FALSE;
    BOOL defaulted = FALSE;
    PACL list = nullptr;
    if (::GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted) == FALSE || present == FALSE) {
        return ERROR_INVALID_SECURITY_DESCR;
    }
    // The path is not taken apart again by name: the folder was checked to be what it names.
    return ::SetNamedSecurityInfoW(const_cast<wchar_t*>(path), SE_FILE_OBJECT,
                                   DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr, nullptr,
                                   list, nullptr);
}

BOOL CreateFolderReal(const wchar_t* path, SECURITY_ATTRIBUTES* security)
{
    return ::CreateDirectoryW(path, security);
}

// The account this process runs as; null when its token cannot be read.
std::unique_ptr<unsigned char[]> ProcessUser()
{
    UniqueKernelHandle token;
    if (::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, token.put()) == FALSE) {
        return nullptr;
    }
    DWORD bytes = 0;
    ::GetTokenInformation(token.get(), TokenUser, nullptr, 0, &bytes);
    std::unique_ptr<unsigned char[]> user(bytes > 0 ? new (std::nothrow) unsigned char[bytes] : nullptr);
    if (!user || ::GetTokenInformation(token.get(), TokenUser, user.get(), bytes, &bytes) == FALSE) {
        return nullptr;
    }
    return user;
}

bool IsTrustedAccount(PSID account, PSID processUser)
{
    if (account == nullptr || ::IsValidSid(account) == FALSE) {
        return false;
    }
    if (processUser != nullptr && ::EqualSid(account, processUser) != FALSE) {
        return true;
    }
    for (const wchar_t* text : kTrustedAccounts) {
        PSID trusted = nullptr;
        if (::ConvertStringSidToSidW(text, &trusted) == FALSE) {
            continue;
        }
        UniqueLocalMemory owned(trusted);
        if (::EqualSid(account, trusted) != FALSE) {
            return true;
        }
    }
    return false;
}

// Whether an access list lets an account other than the trusted ones change the folder. A missing
// list lets everyone; an entry of a kind this check does not read counts as letting its account.
bool LetsOthersChange(PACL list, PSID processUser)
{
    if (list == nullptr) {
        return true;
    }
    for (DWORD i = 0; i < list->AceCount; ++i) {
        void* entry = nullptr;
        if (::GetAce(list, i, &entry) == FALSE) {
            return true;
        }
        const auto* header = static_cast<const ACE_HEADER*>(entry);
        if ((header->AceFlags & INHERIT_ONLY_ACE) != 0 || header->AceType == ACCESS_DENIED_ACE_TYPE) {
            continue;
        }
        if (header->AceType != ACCESS_ALLOWED_ACE_TYPE) {
            return true;
        }
        const auto* allowed = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
        PSID account = const_cast<DWORD*>(&allowed->SidStart);
        if ((allowed->Mask & kChangingRights) != 0 && !IsTrustedAccount(account, processUser)) {
            return true;
        }
    }
    return false;
}

// Whether folder is base or below it (both absolute; letter case ignored).
bool IsAtOrBelow(const wchar_t* folder, const wchar_t* base)
{
    std::size_t length = std::wcslen(base);
    while (length > 0 && base[length - 1] == L'\\') {
        --length;
    }
    if (length == 0 || std::wcslen(folder) < length
        || ::CompareStringOrdinal(folder, static_cast<int>(length), base, static_cast<int>(length), TRUE)
            != CSTR_EQUAL) {
        return false;
    }
    return folder[length] == L'\0' || folder[length] == L'\\';
}

} // namespace

FolderSecuritySeams& FolderSecurity()
{
    static FolderSecuritySeams seams{ReadSecurityReal, WriteAccessListReal, CreateFolderReal};
    return seams;
}

bool IsInsideProgramFiles(const wchar_t* folder)
{
    // The system's own program-files folders (the 64-bit one and the one for 32-bit programs).
    const KNOWNFOLDERID* const known[] = {&FOLDERID_ProgramFiles, &FOLDERID_ProgramFilesX86};
    for (const KNOWNFOLDERID* id : known) {
        UniqueCoTaskMem<wchar_t> path;
        if (SUCCEEDED(::SHGetKnownFolderPath(*id, KF_FLAG_DONT_VERIFY, nullptr, path.put()))
            && IsAtOrBelow(folder, path.get())) {
            return true;
        }
    }
    return false;
}

FolderTrust CheckTrust(const wchar_t* path)
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (FolderSecurity().readSecurity(path, &descriptor) != ERROR_SUCCESS || descriptor == nullptr) {
        return FolderTrust::Untrusted;
    }
    UniqueLocalMemory owned(descriptor);
    PSID owner = nullptr;
    BOOL defaulted = FALSE;
    BOOL present = FALSE;
    PACL list = nullptr;
    if (::GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) == FALSE
        || ::GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted) == FALSE) {
        return FolderTrust::Untrusted;
    }
    const std::unique_ptr<unsigned char[]> user = ProcessUser();
    PSID processUser = user ? reinterpret_cast<TOKEN_USER*>(user.get())->User.Sid : nullptr;
    if (!IsTrustedAccount(owner, processUser)) {
        return FolderTrust::Untrusted;
    }
    return LetsOthersChange(present != FALSE ? list : nullptr, processUser) ? FolderTrust::WritableByOthers
                                                                            : FolderTrust::Trusted;
}

ProtectedFolderSecurity::ProtectedFolderSecurity()
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(kProtectedFolderAccess, SDDL_REVISION_1, &descriptor,
                                                               nullptr)
        != FALSE) {
        m_descriptor.reset(descriptor);
        m_attributes.nLength = sizeof(m_attributes);
        m_attributes.lpSecurityDescriptor = descriptor;
        m_attributes.bInheritHandle = FALSE;
    }
}

DWORD ProtectFolder(const wchar_t* path)
{
    ProtectedFolderSecurity security;
    SECURITY_ATTRIBUTES* attributes = security.Attributes();
    if (attributes == nullptr) {
        return ::GetLastError() != ERROR_SUCCESS ? ::GetLastError() : ERROR_INVALID_SECURITY_DESCR;
    }
    return FolderSecurity().writeAccessList(path, attributes->lpSecurityDescriptor);
}

} // namespace ph
