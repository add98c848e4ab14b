// Message maps: each window class lists the messages it handles in a small table.
// A window looks a message up in its own class's table first, then in its base
// class's, and so on; a message found nowhere goes to the default handling.
//
//     const MessageMap CMainFrame::messageMap{&CFrameWnd::messageMap, {
//         OnWmCreate<&CMainFrame::OnCreate>(),
//     }};
#pragma once

#include <windows.h>

#include <vector>

class CWnd;

struct MessageMapEntry {
    UINT message;     // WM_CREATE, WM_COMMAND
    WORD notifyCode;  // WM_COMMAND only: the control's notification, such as BN_CLICKED
    WORD controlId;   // WM_COMMAND only: the control that sent it
    LRESULT (*invoke)(CWnd& window, WPARAM wParam, LPARAM lParam);
};

struct MessageMap {
    const MessageMap* base;
    std::vector<MessageMapEntry> entries;

    // The entry of this table (not of its bases) that handles the message.
    const MessageMapEntry* Find(UINT message, WPARAM wParam) const;
};

namespace message_map_detail {
template <class Member>
struct ClassOf;
template <class Class, class Result, class... Args>
struct ClassOf<Result (Class::*)(Args...)> {
    using type = Class;
};
template <auto Handler>
using WindowOf = typename ClassOf<decltype(Handler)>::type;
}  // namespace message_map_detail

// WM_CREATE to int Handler(CREATESTRUCTA*): 0 to go on, -1 to fail the creation.
template <auto Handler>
MessageMapEntry OnWmCreate() {
    using Window = message_map_detail::WindowOf<Handler>;
    return {WM_CREATE, 0, 0, [](CWnd& window, WPARAM, LPARAM lParam) -> LRESULT {
                return (static_cast<Window&>(window).*
                        Handler)(reinterpret_cast<CREATESTRUCTA*>(lParam));
            }};
}

// BN_CLICKED from the button controlId to void Handler().
template <auto Handler>
MessageMapEntry OnBnClicked(WORD controlId) {
    using Window = message_map_detail::WindowOf<Handler>;
    return {WM_COMMAND, BN_CLICKED, controlId, [](CWnd& window, WPARAM, LPARAM) -> LRESULT {
                (static_cast<Window&>(window).*Handler)();
                return 0;
            }};
}
