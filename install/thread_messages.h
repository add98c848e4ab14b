// Win32 only: this thread's messages handled while the installation works, so
// that its windows repaint and a program that sends a message to every window
// (a registration tool broadcasting a change) never waits on us while we wait on it.
#pragma once

#include <windows.h>

// Dispatches every message waiting for this thread, sent ones included.
void HandleThreadMessages();

// Waits until one of the count handles (at most MAXIMUM_WAIT_OBJECTS) is signalled
// or timeoutMs has passed, handling this thread's messages meanwhile. True when
// one was signalled.
bool WaitForAnyHandlingMessages(DWORD count, const HANDLE* handles, DWORD timeoutMs);
