#include "install/thread_messages.h"

void HandleThreadMessages() {
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

bool WaitForAnyHandlingMessages(DWORD count, const HANDLE* handles, DWORD timeoutMs) {
    // The message queue takes one of the MAXIMUM_WAIT_OBJECTS places: with every
    // place taken by handles, the last one is looked at between short waits.
    constexpr DWORD kLastLookMs = 50;
    const DWORD watched = count < MAXIMUM_WAIT_OBJECTS ? count : MAXIMUM_WAIT_OBJECTS - 1;
    const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
    for (;;) {
        if (count > watched &&
            ::WaitForMultipleObjects(count, handles, FALSE, 0) < WAIT_OBJECT_0 + count)
            return true;
        ULONGLONG now = ::GetTickCount64();
        DWORD left = now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
        if (count > watched && left > kLastLookMs) left = kLastLookMs;
        DWORD woken =
            ::MsgWaitForMultipleObjectsEx(watched, handles, left, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woken < WAIT_OBJECT_0 + watched) return true;
        if (woken == WAIT_OBJECT_0 + watched) {
            HandleThreadMessages();
        } else if (woken != WAIT_TIMEOUT || ::GetTickCount64() >= deadline) {
            // the time is up, or the wait failed: one last look at every handle
            return count > 0 &&
                   ::WaitForMultipleObjects(count, handles, FALSE, 0) < WAIT_OBJECT_0 + count;
        }
    }
}
