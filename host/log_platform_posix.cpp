#include <iconv.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

#include "log/log_platform.h"

namespace tw {

namespace {

// A conversion descriptor of iconv_open, closed with iconv_close.
class Converter {
public:
    Converter(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~Converter() {
        if (IsOpen()) iconv_close(m_cd);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    bool IsOpen() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t Get() const { return m_cd; }

private:
    iconv_t m_cd;
};

std::string Utf8FromCodePage(const char* codePage, std::string_view ansi) {
    Converter converter("UTF-8", codePage);
    if (!converter.IsOpen()) return std::string(ansi);
    std::string utf8;
    char* in = const_cast<char*>(ansi.data());
    size_t inLeft = ansi.size();
    while (inLeft > 0) {
        char block[256];
        char* out = block;
        size_t outLeft = sizeof(block);
        size_t result = iconv(converter.Get(), &in, &inLeft, &out, &outLeft);
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
