// Delivering what the windows under test posted to themselves, as a message loop would.
#pragma once

#include <windows.h>

namespace ph::test {

// Dispatches every message waiting for this thread.
inline void PumpMessages()
{
    MSG msg;
    while (::PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
}

// Pumps messages until done() holds or the time is up; returns done().
template <typename Done>
bool PumpUntil(Done done, DWORD timeoutMs)
{
    const ULONGLONG end = ::GetTickCount64() + timeoutMs;
    while (!done() && ::GetTickCount64() < end) {
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        PumpMessages();
    }
    return done();
}

} // namespace ph::test
