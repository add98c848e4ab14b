#include "dialogs/FolderBrowser.h"

#include <objbase.h>
#include <shlobj.h>

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

}  // namespace

int CFolderBrowser::Browse() {
    ComApartment com;
    ShellAllocator allocator;
    if (!allocator.Get()) return 0;

    BROWSEINFOA info{};
    info.hwndOwner = m_hwndOwner;
    info.pidlRoot = nullptr;  // the tree starts at the desktop
    info.pszDisplayName = m_strPath.GetBuffer(MAX_PATH);
    info.lpszTitle = m_strTitle;
    info.ulFlags = kBrowseFlags;
    // Declared after the allocator, so the list is freed before it is released.
    ItemIdList chosen(allocator.Get(), SHBrowseForFolderA(&info));
    // The shell wrote the folder's display name here; the path replaces it below.
    m_strPath.ReleaseBuffer();
    if (!chosen.Get()) return 0;

    BOOL found = SHGetPathFromIDListA(chosen.Get(), m_strPath.GetBuffer(MAX_PATH));
    m_strPath.ReleaseBuffer();
    return found ? 1 : 0;
}
