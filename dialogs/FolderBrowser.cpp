#include "dialogs/FolderBrowser.h"

#include <objbase.h>
#include <shlobj.h>

#include <string>

#include "framework/WideText.h"

namespace {

// Only file-system folders, or items that contain them, can be confirmed.
constexpr UINT kBrowseFlags = BIF_RETURNONLYFSDIRS | BIF_RETURNFSANCESTORS;
static_assert(kBrowseFlags == 9);

// COM on this thread for the time of one browse, as the shell's folder window needs
// it; a thread that already has it keeps it.
class ComApartment {
public:
    ComApartment() : m_initialized(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComApartment() {
        if (m_initialized) CoUninitialize();
    }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;

private:
    bool m_initialized;
};

// The shell's task allocator, released when it goes.
class ShellAllocator {
public:
    ShellAllocator() {
        if (FAILED(SHGetMalloc(&m_malloc))) m_malloc = nullptr;
    }
    ~ShellAllocator() {
        if (m_malloc) m_malloc->Release();
    }
    ShellAllocator(const ShellAllocator&) = delete;
    ShellAllocator& operator=(const ShellAllocator&) = delete;
    IMalloc* Get() const { return m_malloc; }

private:
    IMalloc* m_malloc = nullptr;
};

// An item-id list returned by the shell, freed with the task allocator.
class ItemIdList {
public:
    ItemIdList(IMalloc* allocator, LPITEMIDLIST list) : m_allocator(allocator), m_list(list) {}
    ~ItemIdList() {
        if (m_list) m_allocator->Free(m_list);
    }
    ItemIdList(const ItemIdList&) = delete;
    ItemIdList& operator=(const ItemIdList&) = delete;
    LPITEMIDLIST Get() const { return m_list; }

private:
    IMalloc* m_allocator;
    LPITEMIDLIST m_list;
};

// A path in the ANSI code page, as the rest of the program takes paths; false when
// one of its characters has no place there.
bool AnsiPath(const wchar_t* path, CString& ansi) {
    BOOL lost = FALSE;
    int size =
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path, -1, nullptr, 0, nullptr, &lost);
    if (size <= 0 || lost) return false;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, path, -1, ansi.GetBuffer(size - 1), size,
                        nullptr, nullptr);
    ansi.ReleaseBuffer();
    return true;
}

}  // namespace

int CFolderBrowser::Browse() {
    ComApartment com;
    ShellAllocator allocator;
    if (!allocator.Get()) return 0;

    // The title (code page 936) goes through the wide function, so that it reads
    // as Chinese on any system.
    const std::wstring title = WideFromProgramText(m_strTitle.GetString());
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW info{};
    info.hwndOwner = m_hwndOwner;
    info.pidlRoot = nullptr;  // the tree starts at the desktop
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = kBrowseFlags;
    // Declared after the allocator, so the list is freed before it is released.
    ItemIdList chosen(allocator.Get(), SHBrowseForFolderW(&info));
    if (!chosen.Get()) return 0;

    wchar_t path[MAX_PATH] = {};
    if (!SHGetPathFromIDListW(chosen.Get(), path)) return 0;
    return AnsiPath(path, m_strPath) ? 1 : 0;
}
