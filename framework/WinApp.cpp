#include "framework/WinApp.h"

#include <cstdlib>

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

void CCommandLineInfo::ParseParam(const char* param, BOOL, BOOL) { m_arguments.push_back(param); }

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

void CWinApp::ParseCommandLine(CCommandLineInfo& info) {
    for (int i = 1; i < __argc; ++i) {
        const char* param = __argv[i];
        BOOL flag = param[0] == '/' || param[0] == '-';
        info.ParseParam(flag ? param + 1 : param, flag, i + 1 == __argc);
    }
}

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
    int exitCode = 0;
    if (app->InitInstance()) exitCode = app->Run();
    app->DestroyMainWindow();
    return exitCode;
}
