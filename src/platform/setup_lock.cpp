// The named mutex of the setup program.
#include "platform/setup_lock.h"

#include "base/text.h"

#include <windows.h>

#include <cwchar>

namespace ph {

namespace {

// Opens or creates the mutex under "<space>\<name>". Everyone may wait for it and release it, so
// that an elevated run and an unelevated one see the same object; only waiting and releasing are
// asked for, which an existing mutex made by another account grants.
UniqueKernelHandle OpenLock(const wchar_t* space)
{
    wchar_t name[kPathChars] = {};
    std::swprintf(name, kPathChars, L"%ls\\%ls", space, kSetupLockName);
    SECURITY_DESCRIPTOR descriptor{};
    SECURITY_ATTRIBUTES attributes{sizeof(attributes), nullptr, FALSE};
    if (::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) != FALSE
        && ::SetSecurityDescriptorDacl(&descriptor, TRUE, nullptr, FALSE) != FALSE) {
        attributes.lpSecurityDescriptor = &descriptor; // a null DACL: open to everyone
    }
    return UniqueKernelHandle(::CreateMutexExW(&attributes, name, 0, SYNCHRONIZE | MUTEX_MODIFY_STATE));
}

} // namespace

SetupLock::SetupLock()
{
    m_mutex = OpenLock(L"Global");
    if (!m_mutex) {
        m_mutex = OpenLock(L"Local");
    }
    if (!m_mutex) {
        return;
    }
    // A mutex left by a run that ended without releasing it is abandoned, and free to take.
    DWORD waited = ::WaitForSingleObject(m_mutex.get(), 0);
    m_owned = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
}

SetupLock::~SetupLock()
{
    if (m_owned) {
        ::ReleaseMutex(m_mutex.get());
    }
}

} // namespace ph
