// One setup at a time: a lock that every run of the setup program holds for its whole life, so
// that two runs never write into the same installation at once, and that no one without
// administrator rights can take away from the runs that have them.
#pragma once

#include "base/handles.h"
#include "base/product.h"
#include "base/text.h"

#include <windows.h>

namespace ph {

// The lock's name: of the mutex, and of the lock file with an extension.
inline constexpr auto kSetupLockName = JoinTexts(kProductName, L"64SetupRun");

// The name and alias prefix of the administrators' private namespace that holds the mutex.
inline constexpr auto kSetupLockNamespace = JoinTexts(kProductName, L"64Setup");

// The lock file's name in the Windows folder, where private namespaces are missing.
inline constexpr auto kSetupLockFileName = JoinTexts(kSetupLockName.text, L".lock");

// How often the lock file is tried while its name is still being deleted by a run that just
// ended (the system then refuses the open for a moment), and the pause between two tries.
inline constexpr int kLockFileAttempts = 5;
inline constexpr DWORD kLockFileRetryMs = 20;

// What taking the lock came to.
enum class SetupLockState {
    Owned,       // this run holds the lock and may go on
    Held,        // another setup holds it: this run stops (exit 1618)
    Unavailable, // no lock could be made at all: this run stops as any other failure (exit 1603)
};

// How one place of the lock answered.
enum class LockAttempt {
    Taken,       // the lock is this run's (or, for the namespace alone: it is open)
    Held,        // another setup holds it
    Failed,      // it could not be made; the system's error is kept
    NoSuchPlace, // the system has no such place (no private namespaces)
};

// What an owned lock keeps open until the run ends; released in reverse order.
struct SetupLockHold {
    SetupLockHold() = default;
    ~SetupLockHold();
    SetupLockHold(const SetupLockHold&) = delete;
    SetupLockHold& operator=(const SetupLockHold&) = delete;

    UniquePrivateNamespace space; // the administrators' private namespace
    UniqueKernelHandle mutex;     // the mutex in it, or in the session's namespace
    bool mutexOwned = false;      // this thread owns the mutex and releases it at the end
    UniqueFile file;              // the lock file, open without sharing
    DWORD error = ERROR_SUCCESS;  // the system error of a lock that could not be made
};

// The places the lock can live, each tried by one replaceable function so that a test can pin
// the answers. Each starts as the real one.
struct SetupLockPlaces {
    // True when this process's token holds the Administrators group enabled: an elevated
    // administrator or the system account.
    bool (*isAdministrator)();
    // The mutex in the administrators' private namespace (only administrators can create or open
    // that namespace); NoSuchPlace where the system has no private namespaces.
    LockAttempt (*takeNamespaceMutex)(SetupLockHold& hold);
    // A file in the Windows folder (only administrators can create files there), open without
    // sharing and deleted when it is closed.
    LockAttempt (*takeLockFile)(SetupLockHold& hold);
    // A mutex in the session's own namespace, for a run without administrator rights.
    LockAttempt (*takeSessionMutex)(SetupLockHold& hold);
};
SetupLockPlaces& LockPlaces();

// Takes the lock where this run's rights allow:
// - an administrator takes the mutex in the administrators' private namespace, or, on a system
//   without private namespaces, the lock file in the Windows folder; neither can be created or
//   held by anyone else, so nothing a user prepares can stop an installation. A namespace that
//   exists on the system but cannot be made is no reason to fall back to the lock file: another
//   run would then hold the namespace and this one the file, and both would install.
// - a run without administrator rights takes a mutex in its own session: it can only write where
//   its user may write, which needs no machine-wide lock, and only that user's own runs can hold
//   it. Administrators' runs never look at it, so it blocks none of them.
SetupLockState TakeSetupLock(const SetupLockPlaces& places, SetupLockHold& hold);

class SetupLock {
public:
    // Takes the lock through LockPlaces(); State() tells whether this run may go on.
    SetupLock();
    ~SetupLock() = default;
    SetupLock(const SetupLock&) = delete;
    SetupLock& operator=(const SetupLock&) = delete;

    SetupLockState State() const { return m_state; }
    bool Owned() const { return m_state == SetupLockState::Owned; }
    // The system error of a lock that could not be made (State() Unavailable).
    DWORD Error() const { return m_hold.error; }

private:
    SetupLockHold m_hold;
    SetupLockState m_state = SetupLockState::Unavailable;
};

// ---- the administrators' private namespace ------------------------------------------------------

// The system's private-namespace functions, looked up by name: systems before Vista lack them.
struct PrivateNamespaceFunctions {
    HANDLE(WINAPI* createBoundaryDescriptor)(LPCWSTR name, ULONG flags);
    BOOL(WINAPI* addSidToBoundaryDescriptor)(HANDLE* boundary, PSID sid);
    void(WINAPI* deleteBoundaryDescriptor)(HANDLE boundary);
    HANDLE(WINAPI* createPrivateNamespace)(LPSECURITY_ATTRIBUTES attributes, LPVOID boundary, LPCWSTR alias);
    HANDLE(WINAPI* openPrivateNamespace)(LPVOID boundary, LPCWSTR alias);
};
PrivateNamespaceFunctions SystemPrivateNamespaceFunctions();

// How often creating and opening the namespace is tried while other runs create and close it.
inline constexpr int kNamespaceAttempts = 3;

// Opens the private namespace whose boundary holds the Administrators group (kSetupLockNamespace),
// creating it, with access for the system account and the administrators only, where no process
// has it open. Taken with the namespace in *space; NoSuchPlace where a function is missing or no
// boundary descriptor can be made (Wine 8 exports CreateBoundaryDescriptorW, which makes none, but
// not the others: nothing else is called before a descriptor exists); Failed, with the error in
// *error, otherwise.
LockAttempt OpenAdministratorsNamespace(const PrivateNamespaceFunctions& functions, HANDLE* space, DWORD* error);

// The security of the namespace and of the mutex in it: the system account and the administrators,
// nobody else. Owned by the caller (UniqueLocalMemory); null when it cannot be built.
PSECURITY_DESCRIPTOR AdministratorsOnlySecurity();

} // namespace ph
