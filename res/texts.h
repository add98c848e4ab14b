// The program's user-visible Chinese texts, as code page 936 bytes.
// Shared by res/Tarnwhistle.rc (string table, dialogs, menu, version record) and by
// the C++ code, so each text is written once. Add a text with tools/cp936_escape.py.
#pragma once

// One line a text: the resource compiler must see each as one string literal.
// clang-format off

// 设置应用程序目录
#define TW_TEXT_APPDIR_CAPTION "\xC9\xE8\xD6\xC3\xD3\xA6\xD3\xC3\xB3\xCC\xD0\xF2\xC4\xBF\xC2\xBC"
// 应用程序目录
#define TW_TEXT_APPDIR_GROUP "\xD3\xA6\xD3\xC3\xB3\xCC\xD0\xF2\xC4\xBF\xC2\xBC"
// 确定
#define TW_TEXT_OK "\xC8\xB7\xB6\xA8"
// 取消
#define TW_TEXT_CANCEL "\xC8\xA1\xCF\xFB"
// 浏览
#define TW_TEXT_BROWSE "\xE4\xAF\xC0\xC0"
// 应用程序目录不存在!
#define TW_TEXT_APPDIR_MISSING "\xD3\xA6\xD3\xC3\xB3\xCC\xD0\xF2\xC4\xBF\xC2\xBC\xB2\xBB\xB4\xE6\xD4\xDA!"
// 应用程序目录不能是驱动程序文件所在的文件夹!
#define TW_TEXT_APPDIR_IS_PACKAGE "\xD3\xA6\xD3\xC3\xB3\xCC\xD0\xF2\xC4\xBF\xC2\xBC\xB2\xBB\xC4\xDC\xCA\xC7\xC7\xFD\xB6\xAF\xB3\xCC\xD0\xF2\xCE\xC4\xBC\xFE\xCB\xF9\xD4\xDA\xB5\xC4\xCE\xC4\xBC\xFE\xBC\xD0!"
// 应用程序目录不能是链接!
#define TW_TEXT_APPDIR_IS_LINK "\xD3\xA6\xD3\xC3\xB3\xCC\xD0\xF2\xC4\xBF\xC2\xBC\xB2\xBB\xC4\xDC\xCA\xC7\xC1\xB4\xBD\xD3!"
// 错误信息
#define TW_TEXT_ERROR_CAPTION "\xB4\xED\xCE\xF3\xD0\xC5\xCF\xA2"
// 选择应用程序目录
#define TW_TEXT_BROWSE_TITLE "\xD1\xA1\xD4\xF1\xD3\xA6\xD3\xC3\xB3\xCC\xD0\xF2\xC4\xBF\xC2\xBC"
// 祝贺驱动程序安装完毕!
#define TW_TEXT_INSTALL_DONE "\xD7\xA3\xBA\xD8\xC7\xFD\xB6\xAF\xB3\xCC\xD0\xF2\xB0\xB2\xD7\xB0\xCD\xEA\xB1\xCF!"
// 提示信息
#define TW_TEXT_INFO_CAPTION "\xCC\xE1\xCA\xBE\xD0\xC5\xCF\xA2"
// 没有找到需要安装的驱动程序文件!
#define TW_TEXT_NOTHING_FOUND "\xC3\xBB\xD3\xD0\xD5\xD2\xB5\xBD\xD0\xE8\xD2\xAA\xB0\xB2\xD7\xB0\xB5\xC4\xC7\xFD\xB6\xAF\xB3\xCC\xD0\xF2\xCE\xC4\xBC\xFE!"
// 驱动程序安装未完成，有 %d 个文件未能安装!
#define TW_TEXT_INSTALL_INCOMPLETE "\xC7\xFD\xB6\xAF\xB3\xCC\xD0\xF2\xB0\xB2\xD7\xB0\xCE\xB4\xCD\xEA\xB3\xC9\xA3\xAC\xD3\xD0 %d \xB8\xF6\xCE\xC4\xBC\xFE\xCE\xB4\xC4\xDC\xB0\xB2\xD7\xB0!"
// ……
#define TW_TEXT_MORE_FILES "\xA1\xAD\xA1\xAD"
// 无法打开日志文件 %1
#define TW_TEXT_LOG_NOT_OPENED "\xCE\xDE\xB7\xA8\xB4\xF2\xBF\xAA\xC8\xD5\xD6\xBE\xCE\xC4\xBC\xFE %1"
// 文件(&F)
#define TW_TEXT_MENU_FILE "\xCE\xC4\xBC\xFE(&F)"
// 新建(&N) Ctrl+N
#define TW_TEXT_MENU_NEW "\xD0\xC2\xBD\xA8(&N)\tCtrl+N"
// 打开(&O)... Ctrl+O
#define TW_TEXT_MENU_OPEN "\xB4\xF2\xBF\xAA(&O)...\tCtrl+O"
// 保存(&S) Ctrl+S
#define TW_TEXT_MENU_SAVE "\xB1\xA3\xB4\xE6(&S)\tCtrl+S"
// 另存为(&A)...
#define TW_TEXT_MENU_SAVE_AS "\xC1\xED\xB4\xE6\xCE\xAA(&A)..."
// 最近文件
#define TW_TEXT_MENU_RECENT "\xD7\xEE\xBD\xFC\xCE\xC4\xBC\xFE"
// 退出(&X)
#define TW_TEXT_MENU_EXIT "\xCD\xCB\xB3\xF6(&X)"
// 编辑(&E)
#define TW_TEXT_MENU_EDIT "\xB1\xE0\xBC\xAD(&E)"
// 撤消(&U) Ctrl+Z
#define TW_TEXT_MENU_UNDO "\xB3\xB7\xCF\xFB(&U)\tCtrl+Z"
// 剪切(&T) Ctrl+X
#define TW_TEXT_MENU_CUT "\xBC\xF4\xC7\xD0(&T)\tCtrl+X"
// 复制(&C) Ctrl+C
#define TW_TEXT_MENU_COPY "\xB8\xB4\xD6\xC6(&C)\tCtrl+C"
// 粘贴(&P) Ctrl+V
#define TW_TEXT_MENU_PASTE "\xD5\xB3\xCC\xF9(&P)\tCtrl+V"
// 帮助(&H)
#define TW_TEXT_MENU_HELP "\xB0\xEF\xD6\xFA(&H)"
// 关于 Tarnwhistle(&A)...
#define TW_TEXT_MENU_ABOUT "\xB9\xD8\xD3\xDA Tarnwhistle(&A)..."
// 关于 Tarnwhistle
#define TW_TEXT_ABOUT_CAPTION "\xB9\xD8\xD3\xDA Tarnwhistle"
// Tarnwhistle 6.1 版
#define TW_TEXT_ABOUT_VERSION "Tarnwhistle 6.1 \xB0\xE6"
// Varnelquist驱动安装应用程序
#define TW_TEXT_FILE_DESCRIPTION "Varnelquist\xC7\xFD\xB6\xAF\xB0\xB2\xD7\xB0\xD3\xA6\xD3\xC3\xB3\xCC\xD0\xF2"
// Tarnwhistle 应用程序
#define TW_TEXT_PRODUCT_NAME "Tarnwhistle \xD3\xA6\xD3\xC3\xB3\xCC\xD0\xF2"
// clang-format on
