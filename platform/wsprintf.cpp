// wsprintfA: %d %i %u %x %X %s %c %% with the flags '-' (left-justify), '0' (zero padding for
// numbers) and '#' (0x prefix), a width and, for %s, a precision; 'l' and 'h' are accepted (a LONG
// is an int here, as in Win32). As in Win32 it never writes more than 1024 bytes, terminator
// included, and returns the number of characters written without the terminator. Unlike Win32's
// it prints no floating point either, and has no 'I64'.

#include <windows.h>

#include <stdarg.h>
#include <string.h>

namespace {
const int OUTPUT_LIMIT = 1024;

struct Output {
    char* buffer;
    int length;
};

void Put(Output& out, char c) {
    if (out.length < OUTPUT_LIMIT - 1)
        out.buffer[out.length++] = c;
}

void PutPadded(Output& out, const char* text, int length, int width, bool left, char pad) {
    int fill = width > length ? width - length : 0;
    // A sign or 0x prefix goes before zero padding.
    int prefix = 0;
    if (pad == '0' && !left) {
        if (length > 0 && text[0] == '-')
            prefix = 1;
        else if (length > 1 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X'))
            prefix = 2;
    }
    for (int i = 0; i < prefix; i++)
        Put(out, text[i]);
    if (!left)
        for (int i = 0; i < fill; i++)
            Put(out, pad);
    for (int i = prefix; i < length; i++)
        Put(out, text[i]);
    if (left)
        for (int i = 0; i < fill; i++)
            Put(out, ' ');
}

int FormatUnsigned(char* digits, unsigned int value, unsigned int base, bool upper) {
    const char* set = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char reversed[16];
    int n = 0;
    do {
        reversed[n++] = set[value % base];
        value /= base;
    } while (value != 0);
    for (int i = 0; i < n; i++)
        digits[i] = reversed[n - 1 - i];
    return n;
}
} // namespace

int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...) {
    if (buffer == NULL)
        return 0;
    Output out = {buffer, 0};
    va_list args;
    va_start(args, format);
    for (const char* f = format != NULL ? format : ""; *f != '\0'; f++) {
        if (*f != '%') {
            Put(out, *f);
            continue;
        }
        f++;
        bool left = false, zero = false, alternate = false;
        for (;; f++) {
            if (*f == '-')
                left = true;
            else if (*f == '0')
                zero = true;
            else if (*f == '#')
                alternate = true;
            else
                break;
        }
        int width = 0;
        while (*f >= '0' && *f <= '9')
            width = width * 10 + (*f++ - '0');
        int precision = -1;
        if (*f == '.') {
            precision = 0;
            for (f++; *f >= '0' && *f <= '9'; f++)
                precision = precision * 10 + (*f - '0');
        }
        while (*f == 'l' || *f == 'h')
            f++;
        char number[24];
        int length = 0;
        char pad = zero ? '0' : ' ';
        switch (*f) {
        case 'd':
        case 'i': {
            int value = va_arg(args, int);
            unsigned int magnitude = value < 0 ? 0u - static_cast<unsigned int>(value) : value;
            if (value < 0)
                number[length++] = '-';
            length += FormatUnsigned(number + length, magnitude, 10, false);
            PutPadded(out, number, length, width, left, pad);
            break;
        }
        case 'u':
        case 'x':
        case 'X': {
            unsigned int value = va_arg(args, unsigned int);
            if (*f != 'u' && alternate && value != 0) {
                number[length++] = '0';
                number[length++] = *f;
            }
            length += FormatUnsigned(number + length, value, *f == 'u' ? 10 : 16, *f == 'X');
            PutPadded(out, number, length, width, left, pad);
            break;
        }
        case 'c': {
            char c = static_cast<char>(va_arg(args, int));
            PutPadded(out, &c, 1, width, left, ' ');
            break;
        }
        case 's': {
            const char* text = va_arg(args, const char*);
            if (text == NULL)
                text = "(null)";
            int textLength = 0;
            while (text[textLength] != '\0' && (precision < 0 || textLength < precision) &&
                   textLength < OUTPUT_LIMIT)
                textLength++;
            PutPadded(out, text, textLength, width, left, ' ');
            break;
        }
        case '\0': f--; break;
        default: Put(out, *f); break; // "%%" and unknown types print the character
        }
    }
    va_end(args);
    out.buffer[out.length] = '\0';
    return out.length;
}
