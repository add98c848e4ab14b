/* Preloaded into the 32-bit programs that qemu's user-mode emulator runs (see
 * tools/wine-env.sh). qemu 7.2 treats an address given with MAP_FIXED_NOREPLACE
 * as a mere hint: where that range is taken it maps elsewhere and succeeds, where
 * the kernel answers EEXIST. Wine's 32-bit loader reserves its address space by
 * halving every range that such a call fails to get; given other addresses, it
 * ends up probing 2 GB in 64 KB steps, some 130,000 emulated calls at about a
 * millisecond each. Giving the kernel's answer brings a start down to seconds.
 *
 * Built freestanding (gcc -m32 -nostdlib), so that no 32-bit development files
 * are needed: the system call goes through libc's syscall(), which sets errno. */

#define TW_MAP_FIXED_NOREPLACE 0x100000
#define TW_EEXIST 17
#define TW_EINVAL 22
#define TW_SYS_MUNMAP 91
#define TW_SYS_MMAP2 192
#define TW_PAGE_SHIFT 12
#define TW_MAP_FAILED ((void*)-1)

typedef unsigned int tw_size_t;

extern long syscall(long number, ...);
extern int* __errno_location(void);

void* mmap64(void* address, tw_size_t length, int protection, int flags, int fd, long long offset);
void* mmap(void* address, tw_size_t length, int protection, int flags, int fd, long offset);

static void* failed(int error) {
    *__errno_location() = error;
    return TW_MAP_FAILED;
}

void* mmap64(void* address, tw_size_t length, int protection, int flags, int fd, long long offset) {
    /* mmap2 takes the offset in pages, and 32 bits of them. */
    unsigned long long bytes = (unsigned long long)offset;
    if ((bytes & ((1u << TW_PAGE_SHIFT) - 1)) != 0 || (bytes >> (TW_PAGE_SHIFT + 32)) != 0) {
        return failed(TW_EINVAL);
    }
    void* mapped = (void*)syscall(TW_SYS_MMAP2, address, length, protection, flags, fd,
                                  (unsigned long)(bytes >> TW_PAGE_SHIFT));
    if ((flags & TW_MAP_FIXED_NOREPLACE) && mapped != TW_MAP_FAILED && mapped != address) {
        syscall(TW_SYS_MUNMAP, mapped, length);
        return failed(TW_EEXIST);
    }
    return mapped;
}

void* mmap(void* address, tw_size_t length, int protection, int flags, int fd, long offset) {
    return mmap64(address, length, protection, flags, fd, offset);
}
