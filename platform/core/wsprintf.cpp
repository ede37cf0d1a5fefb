// wsprintfA as Win32's user32 has it: %c %C %d %i %u %x %X %s %S %p and %%, the flags '-', '#'
// and '0' (in that order), a width, a precision, and the size prefixes h, l, w, I, I32 and I64.
// Its quirks are kept, since programs print with it: the precision of a number counts its sign,
// a precision of 0 on a string means no limit, '#' puts 0x before any %x (also 0) and does not
// count towards the width, %p is 16 upper-case hex digits, a type it does not know prints
// nothing for the conversion and then the character itself, and no conversion reads a floating
// point argument. It writes at most 1024 bytes, terminator included; when the text fills them it
// returns 1024, else the number of characters without the terminator.
// Wide characters (WCHAR, UTF-16) become their Latin-1 byte, '?' past U+00FF. Difference: where
// Win32 writes past the end of its 1024 bytes or copies a terminator into the text ('#' on %d),
// this one stops at the last byte and copies only the digits.

#include <windows.h>

#include <stdarg.h>
#include <string.h>

namespace {
const int OUTPUT_LIMIT = 1024;
const unsigned WIDTH_LIMIT = 1u << 20; // far past the output, so that the digits cannot overflow

enum Type { UNKNOWN, NARROW_CHAR, WIDE_CHAR, NARROW_STRING, WIDE_STRING, SIGNED, UNSIGNED, HEX };
enum Flag {
    LEFT = 1,
    PREFIX = 2,
    ZERO = 4,
    LONG_SIZE = 8,
    SHORT_SIZE = 16,
    WIDE_SIZE = 32,
    SIZE_64 = 64,
    POINTER_SIZE = 128,
    UPPER = 256,
};

struct Conversion {
    unsigned flags;
    unsigned width;
    unsigned precision;
    Type type;
};

struct Output {
    char* buffer;
    int length;
};

void Put(Output& out, char c) {
    if (out.length < OUTPUT_LIMIT - 1)
        out.buffer[out.length++] = c;
}

char Narrow(WCHAR c) {
    return c <= 0xFF ? static_cast<char>(c) : '?';
}

unsigned ReadNumber(const char*& f) {
    unsigned value = 0;
    for (; *f >= '0' && *f <= '9'; f++)
        if (value < WIDTH_LIMIT)
            value = value * 10 + (*f - '0');
    return value;
}

// Reads the conversion after '%'. An unknown type is left unread, so that it prints as text.
const char* ParseConversion(const char* f, Conversion* c) {
    *c = Conversion{};
    if (*f == '-')
        c->flags |= LEFT, f++;
    if (*f == '#')
        c->flags |= PREFIX, f++;
    if (*f == '0')
        c->flags |= ZERO, f++;
    c->width = ReadNumber(f);
    if (*f == '.')
        c->precision = ReadNumber(++f);
    if (*f == 'l')
        c->flags |= LONG_SIZE, f++;
    else if (*f == 'h')
        c->flags |= SHORT_SIZE, f++;
    else if (*f == 'w')
        c->flags |= WIDE_SIZE, f++;
    else if (f[0] == 'I' && f[1] == '6' && f[2] == '4')
        c->flags |= SIZE_64, f += 3;
    else if (f[0] == 'I' && f[1] == '3' && f[2] == '2')
        f += 3;
    else if (f[0] == 'I')
        c->flags |= POINTER_SIZE, f++;
    switch (*f) {
    case 'c': c->type = c->flags & (LONG_SIZE | WIDE_SIZE) ? WIDE_CHAR : NARROW_CHAR; break;
    case 'C': c->type = c->flags & SHORT_SIZE ? NARROW_CHAR : WIDE_CHAR; break;
    case 's': c->type = c->flags & (LONG_SIZE | WIDE_SIZE) ? WIDE_STRING : NARROW_STRING; break;
    case 'S': c->type = c->flags & SHORT_SIZE ? NARROW_STRING : WIDE_STRING; break;
    case 'd':
    case 'i': c->type = SIGNED; break;
    case 'u': c->type = UNSIGNED; break;
    case 'p':
        c->width = 2 * sizeof(void*);
        c->flags |= ZERO | POINTER_SIZE | UPPER;
        c->type = HEX;
        break;
    case 'X': c->flags |= UPPER, c->type = HEX; break;
    case 'x': c->type = HEX; break;
    default: return f;
    }
    return f + 1;
}

struct Argument {
    char narrow;
    WCHAR wide;
    const char* text;
    const WCHAR* wideText;
    char digits[24];
};

// The digits of a number, as the C library's %lld, %llu, %llx and %llX write them; by hand, since
// a paint prints the score every time and the C library's printf costs several times more.
void PutDigits(char* digits, unsigned long long value, bool negative, unsigned base, bool upper) {
    const char* symbols = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char reversed[24];
    int count = 0;
    do {
        reversed[count++] = symbols[value % base];
        value /= base;
    } while (value != 0);
    if (negative)
        *digits++ = '-';
    while (count > 0)
        *digits++ = reversed[--count];
    *digits = '\0';
}

void ReadArgument(const Conversion& c, va_list& args, Argument* a) {
    static const char NULL_TEXT[] = "(null)";
    static const WCHAR NULL_WIDE_TEXT[] = {'(', 'n', 'u', 'l', 'l', ')', 0};
    bool wide = c.flags & (SIZE_64 | POINTER_SIZE);
    switch (c.type) {
    case NARROW_CHAR: a->narrow = static_cast<char>(va_arg(args, int)); break;
    case WIDE_CHAR: a->wide = static_cast<WCHAR>(va_arg(args, int)); break;
    case NARROW_STRING:
        a->text = va_arg(args, const char*);
        a->text = a->text != NULL ? a->text : NULL_TEXT;
        break;
    case WIDE_STRING:
        a->wideText = va_arg(args, const WCHAR*);
        a->wideText = a->wideText != NULL ? a->wideText : NULL_WIDE_TEXT;
        break;
    case SIGNED: {
        long long value = wide ? va_arg(args, long long) : va_arg(args, int);
        // The magnitude is taken unsigned, so that the most negative number has one.
        unsigned long long magnitude = static_cast<unsigned long long>(value);
        PutDigits(a->digits, value < 0 ? 0 - magnitude : magnitude, value < 0, 10, false);
        break;
    }
    case UNSIGNED:
    case HEX: {
        unsigned long long value =
            wide ? va_arg(args, unsigned long long) : va_arg(args, unsigned int);
        PutDigits(a->digits, value, false, c.type == UNSIGNED ? 10 : 16, c.flags & UPPER);
        break;
    }
    case UNKNOWN: break;
    }
}

// The length of the conversion's text; fixes its width and precision to what it prints (the
// precision becomes the number of characters before any padding, zeros included).
unsigned FieldLength(Conversion* c, const Argument& a, unsigned room) {
    if (c->flags & LEFT)
        c->flags &= ~ZERO;
    if (c->width > room)
        c->width = room;
    unsigned length = 0;
    switch (c->type) {
    case NARROW_CHAR:
    case WIDE_CHAR: return c->precision = 1;
    case NARROW_STRING:
        while ((c->precision == 0 || length < c->precision) && a.text[length] != '\0')
            length++;
        return c->precision = length < room ? length : room;
    case WIDE_STRING:
        while ((c->precision == 0 || length < c->precision) && a.wideText[length] != 0)
            length++;
        return c->precision = length < room ? length : room;
    case SIGNED:
    case UNSIGNED:
    case HEX:
        length = static_cast<unsigned>(strlen(a.digits));
        if (c->precision < length)
            c->precision = length;
        if (c->precision > room)
            c->precision = room;
        if ((c->flags & ZERO) && c->width > c->precision)
            c->precision = c->width;
        return (c->flags & PREFIX) ? length + 2 : length;
    case UNKNOWN: break;
    }
    return 0;
}

void PutSpaces(Output& out, const Conversion& c, long* room) {
    for (unsigned i = c.precision; i < c.width; i++, (*room)--)
        Put(out, ' ');
}
} // namespace

int WINAPIV wsprintfA(LPSTR buffer, LPCSTR format, ...) {
    if (buffer == NULL)
        return 0;
    Output out = {buffer, 0};
    long room = OUTPUT_LIMIT; // bytes left, terminator included, as Win32 counts them
    va_list args;
    va_start(args, format);
    const char* f = format != NULL ? format : "";
    while (*f != '\0' && room > 1) {
        if (*f != '%' || f[1] == '%') {
            Put(out, *f);
            f += *f == '%' ? 2 : 1;
            room--;
            continue;
        }
        Conversion c;
        f = ParseConversion(f + 1, &c);
        Argument a = {};
        ReadArgument(c, args, &a);
        unsigned length = FieldLength(&c, a, static_cast<unsigned>(room - 1));
        if (!(c.flags & LEFT))
            PutSpaces(out, c, &room);
        bool sign = false;
        switch (c.type) {
        case NARROW_CHAR: Put(out, a.narrow); break;
        case WIDE_CHAR: Put(out, Narrow(a.wide)); break;
        case NARROW_STRING:
            for (unsigned i = 0; i < length; i++)
                Put(out, a.text[i]);
            break;
        case WIDE_STRING:
            for (unsigned i = 0; i < length; i++)
                Put(out, Narrow(a.wideText[i]));
            break;
        case HEX:
            if ((c.flags & PREFIX) && room > 3) {
                Put(out, '0');
                Put(out, (c.flags & UPPER) ? 'X' : 'x');
                room -= 2;
                length -= 2;
            }
            [[fallthrough]];
        case SIGNED:
        case UNSIGNED:
            sign = a.digits[0] == '-';
            if (sign)
                Put(out, '-');
            for (unsigned i = length; i < c.precision; i++, room--)
                Put(out, '0');
            if (static_cast<long>(length) > room) // long has 32 bits in the browser
                length = static_cast<unsigned>(room);
            for (unsigned i = sign; i < length && a.digits[i] != '\0'; i++)
                Put(out, a.digits[i]);
            break;
        case UNKNOWN: continue;
        }
        if (c.flags & LEFT)
            PutSpaces(out, c, &room);
        room -= length;
    }
    va_end(args);
    out.buffer[out.length] = '\0';
    return room > 1 ? out.length : OUTPUT_LIMIT;
}
