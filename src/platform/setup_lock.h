// One setup at a time: a named mutex that every run of the setup program holds for its whole life,
// so that two runs never write into the same installation at once.
#pragma once

#include "base/handles.h"

namespace ph {

// The mutex's name without its namespace; in the global namespace a deployment tool's run as the
// system account and a user's wizard exclude each other.
inline constexpr wchar_t kSetupLockName[] = L"Photavian64SetupRun";

class SetupLock {
public:
    // Takes the lock in the global namespace, or in the session's where the user may not create
    // global objects. Owned() tells whether this run may go on.
    SetupLock();
    ~SetupLock();
    SetupLock(const SetupLock&) = delete;
    SetupLock& operator=(const SetupLock&) = delete;

    // False when another setup holds the lock (or no lock could be made at all).
    bool Owned() const { return m_owned; }

private:
    UniqueKernelHandle m_mutex;
    bool m_owned = false;
};

} // namespace ph
