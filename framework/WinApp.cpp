#include "framework/WinApp.h"

#include "framework/ReadGrowing.h"
#include "framework/ResourceString.h"
#include "framework/Wnd.h"
#include "framework/afxres.h"

namespace {

CWinApp* g_app = nullptr;

CString ModuleBaseName(HINSTANCE module) {
    CString name = ReadGrowing([&](char* buffer, unsigned long size) {
                       return ::GetModuleFileNameA(module, buffer, static_cast<DWORD>(size));
                   }).c_str();
    int slash = -1;
    for (int at = name.Find("\\"); at >= 0; at = name.Find("\\", at + 1)) slash = at;
    name = name.Mid(slash + 1, name.GetLength());
    int dot = name.Find(".");
    return dot > 0 ? name.Left(dot) : name;
}

}  // namespace

CWinApp::CWinApp(const char* appName) : m_hInstance(::GetModuleHandleA(nullptr)) {
    g_app = this;
    m_strAppName = appName ? CString(appName) : LoadResourceString(m_hInstance, AFX_IDS_APP_TITLE);
    if (m_strAppName.IsEmpty()) m_strAppName = ModuleBaseName(m_hInstance);
    m_pszAppName = m_strAppName;
}

CWinApp::~CWinApp() {
    DestroyMainWindow();
    if (g_app == this) g_app = nullptr;
}

BOOL CWinApp::InitInstance() { return TRUE; }

int CWinApp::Run() {
    MSG message;
    while (::GetMessageA(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}

int CWinApp::ExitInstance() { return m_runExitCode; }

void CWinApp::DestroyMainWindow() {
    CWnd* mainWindow = m_pMainWnd;
    m_pMainWnd = nullptr;
    if (!mainWindow) return;
    mainWindow->DestroyWindow();
    delete mainWindow;
}

CWinApp* AfxGetApp() { return g_app; }

CWnd* AfxGetMainWnd() { return g_app ? g_app->m_pMainWnd : nullptr; }

const char* AfxGetAppName() {
    if (g_app) return g_app->m_pszAppName;
    static const CString title = LoadResourceString(AfxGetResourceHandle(), AFX_IDS_APP_TITLE);
    return title;
}

HINSTANCE AfxGetResourceHandle() { return ::GetModuleHandleA(nullptr); }

int AfxWinMain() {
    CWinApp* app = AfxGetApp();
    if (!app) return -1;
    app->m_runExitCode = app->InitInstance() ? app->Run() : 0;
    int exitCode = app->ExitInstance();
    app->DestroyMainWindow();
    return exitCode;
}
