// The one-setup-at-a-time lock: a mutex in the administrators' private namespace, a lock file in
// the Windows folder where the system has no private namespaces, a session mutex for a run without
// administrator rights.
#include "platform/setup_lock.h"

#include <windows.h>
#include <sddl.h>

namespace ph {

namespace {

// The mutex inside the administrators' private namespace, and in the session's own namespace.
constexpr auto kNamespaceMutexName = JoinTexts(kSetupLockNamespace.text, L"\\", kSetupLockName.text);
constexpr auto kSessionMutexName = JoinTexts(L"Local\\", kSetupLockName.text);

// Protected (nothing inherited): all access for the system account and the administrators.
constexpr wchar_t kAdministratorsOnlySddl[] = L"D:P(A;;GA;;;SY)(A;;GA;;;BA)";

bool MakeAdministratorsSid(BYTE (&sid)[SECURITY_MAX_SID_SIZE])
{
    DWORD size = sizeof(sid);
    return ::CreateWellKnownSid(WinBuiltinAdministratorsSid, nullptr, sid, &size) != FALSE;
}

bool TokenHasAdministrators()
{
    BYTE sid[SECURITY_MAX_SID_SIZE] = {};
    BOOL member = FALSE;
    // Checks the enabled groups only: a filtered administrator's token holds the group for
    // denying alone.
    return MakeAdministratorsSid(sid) && ::CheckTokenMembership(nullptr, sid, &member) != FALSE && member != FALSE;
}

// Opens or creates the mutex and takes it without waiting. Only waiting and releasing are asked
// for.
LockAttempt TakeMutex(const wchar_t* name, SECURITY_ATTRIBUTES* attributes, SetupLockHold& hold)
{
    hold.mutex.reset(::CreateMutexExW(attributes, name, 0, SYNCHRONIZE | MUTEX_MODIFY_STATE));
    if (!hold.mutex) {
        hold.error = ::GetLastError();
        return LockAttempt::Failed;
    }
    // A mutex left by a run that ended without releasing it is abandoned, and free to take.
    const DWORD waited = ::WaitForSingleObject(hold.mutex.get(), 0);
    if (waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED) {
        hold.mutexOwned = true;
        return LockAttempt::Taken;
    }
    if (waited == WAIT_TIMEOUT) {
        return LockAttempt::Held;
    }
    hold.error = ::GetLastError();
    return LockAttempt::Failed;
}

LockAttempt TakeNamespaceMutexFromSystem(SetupLockHold& hold)
{
    HANDLE space = nullptr;
    const LockAttempt opened = OpenAdministratorsNamespace(SystemPrivateNamespaceFunctions(), &space, &hold.error);
    if (opened != LockAttempt::Taken) {
        return opened;
    }
    hold.space.reset(space);
    UniqueLocalMemory security(AdministratorsOnlySecurity());
    if (!security) {
        hold.error = ::GetLastError();
        return LockAttempt::Failed;
    }
    // Inside the namespace, the mutex is also the administrators' alone: a run as the system
    // account and an administrator's run open each other's.
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), security.get(), FALSE};
    return TakeMutex(kNamespaceMutexName.text, &attributes, hold);
}

LockAttempt TakeLockFileFromSystem(SetupLockHold& hold)
{
    // The system's own Windows folder, never a user's private copy of it.
    wchar_t path[kPathChars] = {};
    const UINT length = ::GetSystemWindowsDirectoryW(path, static_cast<UINT>(kPathChars));
    if (length == 0 || length >= kPathChars) {
        hold.error = length == 0 ? ::GetLastError() : static_cast<DWORD>(ERROR_BUFFER_OVERFLOW);
        return LockAttempt::Failed;
    }
    if ((!EndsWithBackslash(path) && !AppendTextWhole(path, L"\\"))
        || !AppendTextWhole(path, kSetupLockFileName.text)) {
        hold.error = ERROR_BUFFER_OVERFLOW;
        return LockAttempt::Failed;
    }
    for (int attempt = 1;; ++attempt) {
        // Without sharing, so that a second open fails while this one lasts; deleted when the
        // handle closes, also when the process ends abnormally. A link there is opened as itself.
        hold.file.reset(::CreateFileW(path, GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr, OPEN_ALWAYS,
                                      FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE
                                          | FILE_FLAG_OPEN_REPARSE_POINT,
                                      nullptr));
        if (hold.file) {
            return LockAttempt::Taken;
        }
        const DWORD error = ::GetLastError();
        if (error == ERROR_SHARING_VIOLATION) {
            return LockAttempt::Held;
        }
        // A file that a run which just ended is still deleting refuses access for a moment.
        if (error != ERROR_ACCESS_DENIED || attempt == kLockFileAttempts) {
            hold.error = error;
            return LockAttempt::Failed;
        }
        ::Sleep(kLockFileRetryMs);
    }
}

LockAttempt TakeSessionMutexFromSystem(SetupLockHold& hold)
{
    // The session's default security: its user's and the administrators'.
    return TakeMutex(kSessionMutexName.text, nullptr, hold);
}

template <typename Function>
Function KernelFunction(HMODULE kernel, const char* name)
{
    return kernel != nullptr ? reinterpret_cast<Function>(reinterpret_cast<void*>(::GetProcAddress(kernel, name)))
                             : nullptr;
}

// A boundary descriptor, deleted through the functions that made it. Adding a SID may move it.
class BoundaryDescriptor {
public:
    BoundaryDescriptor(const PrivateNamespaceFunctions& functions, HANDLE boundary)
        : m_functions(functions), m_boundary(boundary)
    {
    }
    ~BoundaryDescriptor() { m_functions.deleteBoundaryDescriptor(m_boundary); }
    BoundaryDescriptor(const BoundaryDescriptor&) = delete;
    BoundaryDescriptor& operator=(const BoundaryDescriptor&) = delete;

    HANDLE get() const { return m_boundary; }
    HANDLE* address() { return &m_boundary; }

private:
    const PrivateNamespaceFunctions& m_functions;
    HANDLE m_boundary;
};

bool NamespaceGoneMeanwhile(DWORD error)
{
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND || error == ERROR_NOT_FOUND;
}

} // namespace

SetupLockHold::~SetupLockHold()
{
    if (mutexOwned) {
        ::ReleaseMutex(mutex.get());
    }
}

SetupLockPlaces& LockPlaces()
{
    static SetupLockPlaces places{TokenHasAdministrators, TakeNamespaceMutexFromSystem, TakeLockFileFromSystem,
                                  TakeSessionMutexFromSystem};
    return places;
}

SetupLockState TakeSetupLock(const SetupLockPlaces& places, SetupLockHold& hold)
{
    LockAttempt attempt = LockAttempt::NoSuchPlace;
    if (places.isAdministrator()) {
        attempt = places.takeNamespaceMutex(hold);
        if (attempt == LockAttempt::NoSuchPlace) {
            attempt = places.takeLockFile(hold);
        }
    } else {
        attempt = places.takeSessionMutex(hold);
    }
    switch (attempt) {
    case LockAttempt::Taken:
        return SetupLockState::Owned;
    case LockAttempt::Held:
        return SetupLockState::Held;
    case LockAttempt::Failed:
    case LockAttempt::NoSuchPlace:
        break;
    }
    return SetupLockState::Unavailable;
}

SetupLock::SetupLock() : m_state(TakeSetupLock(LockPlaces(), m_hold))
{
}

PrivateNamespaceFunctions SystemPrivateNamespaceFunctions()
{
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    PrivateNamespaceFunctions functions{};
    functions.createBoundaryDescriptor =
        KernelFunction<decltype(functions.createBoundaryDescriptor)>(kernel, "CreateBoundaryDescriptorW");
    functions.addSidToBoundaryDescriptor =
        KernelFunction<decltype(functions.addSidToBoundaryDescriptor)>(kernel, "AddSIDToBoundaryDescriptor");
    functions.deleteBoundaryDescriptor =
        KernelFunction<decltype(functions.deleteBoundaryDescriptor)>(kernel, "DeleteBoundaryDescriptor");
    functions.createPrivateNamespace =
        KernelFunction<decltype(functions.createPrivateNamespace)>(kernel, "CreatePrivateNamespaceW");
    functions.openPrivateNamespace = KernelFunction<decltype(functions.openPrivateNamespace)>(kernel,
                                                                                              "OpenPrivateNamespaceW");
    return functions;
}

LockAttempt OpenAdministratorsNamespace(const PrivateNamespaceFunctions& functions, HANDLE* space, DWORD* error)
{
    *space = nullptr;
    if (functions.createBoundaryDescriptor == nullptr || functions.addSidToBoundaryDescriptor == nullptr
        || functions.deleteBoundaryDescriptor == nullptr || functions.createPrivateNamespace == nullptr
        || functions.openPrivateNamespace == nullptr) {
        return LockAttempt::NoSuchPlace;
    }
    HANDLE made = functions.createBoundaryDescriptor(kSetupLockNamespace, 0);
    if (made == nullptr) {
        return LockAttempt::NoSuchPlace;
    }
    BoundaryDescriptor boundary(functions, made);
    BYTE administrators[SECURITY_MAX_SID_SIZE] = {};
    if (!MakeAdministratorsSid(administrators)
        || functions.addSidToBoundaryDescriptor(boundary.address(), administrators) == FALSE) {
        *error = ::GetLastError();
        return LockAttempt::Failed;
    }
    UniqueLocalMemory security(AdministratorsOnlySecurity());
    if (!security) {
        *error = ::GetLastError();
        return LockAttempt::Failed;
    }
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), security.get(), FALSE};
    for (int attempt = 0; attempt < kNamespaceAttempts; ++attempt) {
        *space = functions.createPrivateNamespace(&attributes, boundary.get(), kSetupLockNamespace);
        if (*space != nullptr) {
            return LockAttempt::Taken;
        }
        *error = ::GetLastError();
        if (*error != ERROR_ALREADY_EXISTS) {
            return LockAttempt::Failed;
        }
        // Another run has it open: open the same one, unless that run has just closed it.
        *space = functions.openPrivateNamespace(boundary.get(), kSetupLockNamespace);
        if (*space != nullptr) {
            return LockAttempt::Taken;
        }
        *error = ::GetLastError();
        if (!NamespaceGoneMeanwhile(*error)) {
            return LockAttempt::Failed;
        }
    }
    return LockAttempt::Failed;
}

PSECURITY_DESCRIPTOR AdministratorsOnlySecurity()
{
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(kAdministratorsOnlySddl, SDDL_REVISION_1, &descriptor,
                                                               nullptr)
        == FALSE) {
        return nullptr;
    }
    return descriptor;
}

} // namespace ph
