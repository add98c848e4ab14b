#include "framework/FrameWnd.h"

#include "framework/ResourceString.h"
#include "framework/WinApp.h"

namespace {

constexpr char kFrameClassName[] = "TarnwhistleFrame";

BOOL RegisterFrameClass(HINSTANCE instance, WNDPROC procedure) {
    WNDCLASSA existing;
    if (::GetClassInfoA(instance, kFrameClassName, &existing)) return TRUE;
    WNDCLASSA frameClass = {};
    frameClass.style = CS_DBLCLKS;
    frameClass.lpfnWndProc = procedure;
    frameClass.hInstance = instance;
    frameClass.hCursor = ::LoadCursorA(nullptr, IDC_ARROW);
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    frameClass.lpszClassName = kFrameClassName;
    return ::RegisterClassA(&frameClass) != 0;
}

}  // namespace

const CRuntimeClass CFrameWnd::classCFrameWnd{"CFrameWnd", []() -> CWnd* { return new CFrameWnd; }};

BOOL CFrameWnd::LoadFrame(UINT resourceId, DWORD style, CWnd* parentWnd, CCreateContext*) {
    HINSTANCE resources = AfxGetResourceHandle();
    m_strTitle = FirstStringField(LoadResourceString(resources, resourceId));
    m_hAccelTable = ::LoadAcceleratorsA(resources, MAKEINTRESOURCEA(resourceId));
    HMENU menu = ::LoadMenuA(resources, MAKEINTRESOURCEA(resourceId));

    CREATESTRUCTA cs = {};
    cs.hInstance = ::GetModuleHandleA(nullptr);
    cs.hMenu = menu;
    cs.hwndParent = parentWnd ? parentWnd->GetSafeHwnd() : nullptr;
    cs.x = CW_USEDEFAULT;
    cs.y = CW_USEDEFAULT;
    cs.cx = CW_USEDEFAULT;
    cs.cy = CW_USEDEFAULT;
    cs.style = style;
    cs.lpszName = m_strTitle;
    if (!PreCreateWindow(cs) || !CreateEx(cs)) {
        // A window that was made and then failed took its menu with it.
        if (menu && ::IsMenu(menu)) ::DestroyMenu(menu);
        return FALSE;
    }

    // Icons of a resource are shared: the system frees them, not us.
    auto icon = [&](int size) {
        return reinterpret_cast<LPARAM>(::LoadImageA(resources, MAKEINTRESOURCEA(resourceId),
                                                     IMAGE_ICON, size, size, LR_SHARED));
    };
    SendMessage(WM_SETICON, ICON_BIG, icon(::GetSystemMetrics(SM_CXICON)));
    SendMessage(WM_SETICON, ICON_SMALL, icon(::GetSystemMetrics(SM_CXSMICON)));
    return TRUE;
}

BOOL CFrameWnd::PreCreateWindow(CREATESTRUCTA& cs) {
    if (!cs.lpszClass) {
        if (!RegisterFrameClass(cs.hInstance, &CWnd::StandardWndProc)) return FALSE;
        cs.lpszClass = kFrameClassName;
    }
    return TRUE;
}

int CFrameWnd::OnCreate(CREATESTRUCTA* cs) {
    return static_cast<int>(::DefWindowProcA(m_hWnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(cs)));
}
