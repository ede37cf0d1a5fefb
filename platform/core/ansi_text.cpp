// Windows-1252, the code page a Win32 program's ANSI calls write in here, as UTF-8 for a host.
// The five bytes that code page leaves undefined stand for the C1 controls of the same number,
// as Win32's conversion maps them.

#include "core.h"

namespace {
// 0x80 to 0x9F; the rest of the code page is Latin-1.
const uint16_t HIGH_CONTROLS[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}
} // namespace

std::string CoreTextToUtf8(const char* text, int length) {
    std::string out;
    if (text == NULL)
        return out;
    for (int i = 0; length < 0 ? text[i] != '\0' : i < length; i++) {
        unsigned char byte = static_cast<unsigned char>(text[i]);
        AppendUtf8(out, byte >= 0x80 && byte < 0xA0 ? HIGH_CONTROLS[byte - 0x80] : byte);
    }
    return out;
}
