#include <iconv.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <memory>

#include "log/log_platform.h"

namespace tw {

namespace {

std::string Utf8FromCodePage(const char* codePage, std::string_view ansi) {
    const iconv_t converter = iconv_open("UTF-8", codePage);
    if (converter == reinterpret_cast<iconv_t>(-1)) return std::string(ansi);
    const std::unique_ptr<void, int (*)(iconv_t)> closed(converter, iconv_close);
    std::string utf8;
    char* in = const_cast<char*>(ansi.data());
    size_t inLeft = ansi.size();
    while (inLeft > 0) {
        char block[256];
        char* out = block;
        size_t outLeft = sizeof(block);
        size_t result = iconv(converter, &in, &inLeft, &out, &outLeft);
        utf8.append(block, static_cast<size_t>(out - block));
        if (result == static_cast<size_t>(-1) && errno != E2BIG) {
            utf8 += '?';  // a byte that starts no character, or a lead byte at the end
            ++in;
            --inLeft;
        }
    }
    return utf8;
}

}  // namespace

std::string AnsiToUtf8(std::string_view ansi) {
    const char* codePage = std::getenv("TW_HOST_ANSI_CODE_PAGE");
    return Utf8FromCodePage(codePage && *codePage ? codePage : "CP936", ansi);
}

std::string ProgramTextToUtf8(std::string_view text) { return Utf8FromCodePage("CP936", text); }

bool LogFile::IsOnDisk() const {
    struct stat st {};
    return IsOpen() && fstat(m_hFile, &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace tw
