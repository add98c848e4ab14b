/* An i386 program that checks what an emulated 32-bit program gets from mmap with
 * MAP_FIXED_NOREPLACE: the kernel's answers (tools/qemu-i386/check.sh). Linked
 * against libc.so.6 alone, without start files, so that no 32-bit development
 * files are needed; libc is initialised by the dynamic loader before _start. */

#define PAGE 4096u
#define MAP_FIXED_NOREPLACE 0x100000
#define PROT_READ 1
#define PROT_WRITE 2
#define MAP_PRIVATE 2
#define MAP_ANONYMOUS 0x20
#define O_RDONLY 0
#define EEXIST 17
#define EINVAL 22
#define MAP_FAILED ((void*)-1)

typedef unsigned int size_t;

extern void* mmap64(void* address, size_t length, int protection, int flags, int fd,
                    long long offset);
extern int munmap(void* address, size_t length);
extern int open(const char* path, int flags, ...);
extern int* __errno_location(void);
extern long write(int fd, const void* text, size_t length);
extern void _exit(int status) __attribute__((noreturn));

static int failures;

static size_t length_of(const char* text) {
    size_t n = 0;
    while (text[n]) ++n;
    return n;
}

static void expect(int condition, const char* what) {
    if (!condition) {
        write(2, "noreplace_probe: ", 17);
        write(2, what, length_of(what));
        write(2, "\n", 1);
        ++failures;
    }
}

static void* anonymous(void* address, size_t length, int flags) {
    return mmap64(address, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | flags, -1,
                  0);
}

void _start(void) {
    char* block = anonymous(0, 3 * PAGE, 0);
    expect(block != MAP_FAILED, "no three pages to start with");
    if (block == MAP_FAILED) _exit(1);
    block[PAGE] = 'x';

    /* A taken range is refused with EEXIST, and what is there stays. */
    *__errno_location() = 0;
    expect(anonymous(block + PAGE, PAGE, MAP_FIXED_NOREPLACE) == MAP_FAILED,
           "MAP_FIXED_NOREPLACE over a mapped page did not fail");
    expect(*__errno_location() == EEXIST, "MAP_FIXED_NOREPLACE over a mapped page: not EEXIST");
    expect(block[PAGE] == 'x', "the mapped page lost its contents");

    /* A free range is given exactly. */
    munmap(block + 2 * PAGE, PAGE);
    char* freed = anonymous(block + 2 * PAGE, PAGE, MAP_FIXED_NOREPLACE);
    expect(freed == block + 2 * PAGE, "MAP_FIXED_NOREPLACE on a free page: another address");

    /* Without the flag, an address is still a hint: a taken one maps elsewhere. */
    char* elsewhere = anonymous(block, PAGE, 0);
    expect(elsewhere != MAP_FAILED && elsewhere != block, "a hint over a mapped page");

    /* File offsets are bytes, page-aligned: the second page of this file. */
    int fd = open("/proc/self/exe", O_RDONLY);
    unsigned char* file = mmap64(0, 2 * PAGE, PROT_READ, MAP_PRIVATE, fd, 0);
    unsigned char* second = mmap64(0, PAGE, PROT_READ, MAP_PRIVATE, fd, PAGE);
    expect(file != MAP_FAILED && second != MAP_FAILED && file[0] == 0x7f && file[1] == 'E',
           "the file is not mapped from its start");
    if (file != MAP_FAILED && second != MAP_FAILED) {
        int same = 1;
        for (size_t i = 0; i < PAGE; ++i) same &= file[PAGE + i] == second[i];
        expect(same, "offset 4096 does not map the second page");
    }
    *__errno_location() = 0;
    expect(mmap64(0, PAGE, PROT_READ, MAP_PRIVATE, fd, 100) == MAP_FAILED &&
               *__errno_location() == EINVAL,
           "an offset that is no multiple of the page size was not refused with EINVAL");

    _exit(failures ? 1 : 0);
}
