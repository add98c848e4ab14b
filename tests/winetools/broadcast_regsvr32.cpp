// A stand-in for the registration tool that registers nothing but, like a DLL
// that announces a change while it registers, sends a message to every top-level
// window and waits until each one has handled it; then it ends with 0. An
// installer whose thread handles no messages while it waits for the tool keeps
// this tool waiting until the installer gives up on it.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    const UINT announcement = RegisterWindowMessageA("TarnwhistleTestAnnouncement");
    if (announcement == 0) return 2;
    SendMessageA(HWND_BROADCAST, announcement, 0, 0);
    return 0;
}
