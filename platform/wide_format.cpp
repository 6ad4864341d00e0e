// printf-style formatting that reads and writes UTF-16 directly. It follows
// C's rules for flags, widths, precisions and argument types, but never
// touches the heap or the locale, and treats a malformed format as text to
// copy rather than as something that may read a stray argument.
#include "platform/wide_text.h"

#include <algorithm>
#include <cstdarg>
#include <limits>
#include <string_view>
#include <type_traits>

namespace platform {

namespace {

constexpr std::size_t kUnbounded = std::numeric_limits<std::size_t>::max();

// Widths and lengths may be far larger than any buffer; they saturate
// instead of wrapping so that a huge request still reads as a cut result.
std::size_t SaturatingAdd(std::size_t a, std::size_t b) {
    return b > kUnbounded - a ? kUnbounded : a + b;
}

// Writes what fits in the caller's buffer and counts everything, so the
// caller learns the full length even when the text was cut.
class Output {
public:
    Output(char16_t* target, std::size_t capacity)
        : target_(capacity > 0 ? target : nullptr), room_(target_ != nullptr ? capacity - 1 : 0) {}

    void Put(std::u16string_view text) {
        const std::size_t stored = std::min(text.size(), Free());
        if (stored > 0) std::copy_n(text.data(), stored, target_ + length_);
        length_ = SaturatingAdd(length_, text.size());
    }

    void Repeat(char16_t unit, std::size_t count) {
        const std::size_t stored = std::min(count, Free());
        if (stored > 0) std::fill_n(target_ + length_, stored, unit);
        length_ = SaturatingAdd(length_, count);
    }

    std::size_t Finish() {
        if (target_ != nullptr) target_[std::min(length_, room_)] = u'\0';
        return length_;
    }

private:
    // Writing stops once the buffer is full, so while anything is free the
    // count is also the write position.
    std::size_t Free() const { return length_ < room_ ? room_ - length_ : 0; }

    char16_t* target_;  // null when nothing may be written
    std::size_t room_;  // characters that fit before the NUL
    std::size_t length_ = 0;
};

// va_list is an array type on some ABIs; wrapping it lets the helpers below
// share one position in the argument list by reference.
struct Arguments {
    std::va_list list;
};

enum class Size { Default, Char, Short, Long, LongLong, SizeT };

struct Field {
    bool fromArgument = false;  // given as '*'
    bool present = false;       // a precision was given (a width defaults to 0)
    std::size_t value = 0;
};

struct Directive {
    bool left = false;
    bool zero = false;
    bool plus = false;
    bool space = false;
    bool alternate = false;
    Field width;
    Field precision;
    Size size = Size::Default;
    char16_t conversion = u'\0';
    const char16_t* end = nullptr;  // just past the directive's last unit
    bool valid = false;
};

bool IsDigit(char16_t unit) { return unit >= u'0' && unit <= u'9'; }

const char16_t* ParseNumber(const char16_t* p, std::size_t& value) {
    value = 0;
    for (; IsDigit(*p); ++p) {
        const std::size_t digit = static_cast<std::size_t>(*p - u'0');
        value = value > (kUnbounded - digit) / 10 ? kUnbounded : value * 10 + digit;
    }
    return p;
}

const char16_t* ParseField(const char16_t* p, Field& field) {
    if (*p == u'*') {
        field.fromArgument = true;
        return p + 1;
    }
    return ParseNumber(p, field.value);
}

const char16_t* ParseFlags(const char16_t* p, Directive& d) {
    for (;; ++p) {
        switch (*p) {
        case u'-': d.left = true; break;
        case u'0': d.zero = true; break;
        case u'+': d.plus = true; break;
        case u' ': d.space = true; break;
        case u'#': d.alternate = true; break;
        default: return p;
        }
    }
}

const char16_t* ParseSize(const char16_t* p, Size& size) {
    switch (*p) {
    case u'h':
        if (p[1] == u'h') {
            size = Size::Char;
            return p + 2;
        }
        size = Size::Short;
        return p + 1;
    case u'l':
        if (p[1] == u'l') {
            size = Size::LongLong;
            return p + 2;
        }
        size = Size::Long;
        return p + 1;
    case u'z': size = Size::SizeT; return p + 1;
    default: return p;
    }
}

bool IsInteger(char16_t conversion) {
    return std::u16string_view(u"diuxX").find(conversion) != std::u16string_view::npos;
}

// Reads the directive's text only; arguments are taken later, and only when
// the whole directive is known to be good.
Directive ParseDirective(const char16_t* afterPercent) {
    Directive d;
    const char16_t* p = ParseFlags(afterPercent, d);
    p = ParseField(p, d.width);
    if (*p == u'.') {
        d.precision.present = true;
        p = ParseField(p + 1, d.precision);
    }
    p = ParseSize(p, d.size);
    d.conversion = *p;
    if (*p == u'\0') {
        d.end = p;
        return d;
    }
    d.end = p + 1;
    const bool plain = d.size == Size::Default;
    d.valid = IsInteger(d.conversion) ||
              (plain && (d.conversion == u'c' || d.conversion == u's' || d.conversion == u'%'));
    return d;
}

// |value| for any signed value, the most negative one included.
template <typename Signed>
unsigned long long Magnitude(Signed value) {
    const auto bits = static_cast<unsigned long long>(value);
    return value < 0 ? 0ULL - bits : bits;
}

void TakeFieldArguments(Directive& d, Arguments& args) {
    if (d.width.fromArgument) {
        const int width = va_arg(args.list, int);
        d.left = d.left || width < 0;
        d.width.value = static_cast<std::size_t>(Magnitude(width));
    }
    if (d.precision.fromArgument) {
        const int precision = va_arg(args.list, int);
        d.precision.present = precision >= 0;
        d.precision.value = static_cast<std::size_t>(Magnitude(precision));
    }
}

struct Integer {
    unsigned long long magnitude = 0;
    bool negative = false;
};

template <typename Signed>
Integer FromSigned(Signed value) {
    return {Magnitude(value), value < 0};
}

// Arguments narrower than int arrive promoted to int and are cut back to the
// named type, as C does.
Integer TakeSigned(Size size, Arguments& args) {
    switch (size) {
    case Size::Char: return FromSigned(static_cast<signed char>(va_arg(args.list, int)));
    case Size::Short: return FromSigned(static_cast<short>(va_arg(args.list, int)));
    case Size::Long: return FromSigned(va_arg(args.list, long));
    case Size::LongLong: return FromSigned(va_arg(args.list, long long));
    case Size::SizeT: return FromSigned(va_arg(args.list, std::make_signed_t<std::size_t>));
    case Size::Default: break;
    }
    return FromSigned(va_arg(args.list, int));
}

Integer TakeUnsigned(Size size, Arguments& args) {
    switch (size) {
    case Size::Char: return {static_cast<unsigned char>(va_arg(args.list, int))};
    case Size::Short: return {static_cast<unsigned short>(va_arg(args.list, int))};
    case Size::Long: return {va_arg(args.list, unsigned long)};
    case Size::LongLong: return {va_arg(args.list, unsigned long long)};
    case Size::SizeT: return {va_arg(args.list, std::size_t)};
    case Size::Default: break;
    }
    return {va_arg(args.list, unsigned int)};
}

// Enough for the decimal digits of the largest unsigned long long.
constexpr std::size_t kDigitsCapacity = std::numeric_limits<unsigned long long>::digits10 + 1;

// The digits of `value`, none for 0: the minimum digit count (1 unless a
// precision says otherwise) supplies the zero, so "%.0d" of 0 prints nothing.
std::u16string_view Digits(unsigned long long value, bool hexadecimal, bool upper,
                           char16_t (&buffer)[kDigitsCapacity]) {
    const char16_t* symbols = upper ? u"0123456789ABCDEF" : u"0123456789abcdef";
    const unsigned base = hexadecimal ? 16 : 10;
    std::size_t start = kDigitsCapacity;
    for (; value != 0; value /= base) buffer[--start] = symbols[value % base];
    return {buffer + start, kDigitsCapacity - start};
}

std::u16string_view Prefix(const Directive& d, const Integer& value, char16_t (&buffer)[2]) {
    if (d.conversion == u'd' || d.conversion == u'i') {
        buffer[0] = value.negative ? u'-' : d.plus ? u'+' : u' ';
        return {buffer, value.negative || d.plus || d.space ? 1u : 0u};
    }
    if (d.alternate && value.magnitude != 0 && (d.conversion == u'x' || d.conversion == u'X')) {
        buffer[0] = u'0';
        buffer[1] = d.conversion;
        return {buffer, 2};
    }
    return {};
}

void EmitInteger(const Directive& d, const Integer& value, Output& out) {
    char16_t digitBuffer[kDigitsCapacity];
    char16_t prefixBuffer[2];
    const bool hexadecimal = d.conversion == u'x' || d.conversion == u'X';
    const std::u16string_view digits =
        Digits(value.magnitude, hexadecimal, d.conversion == u'X', digitBuffer);
    const std::u16string_view prefix = Prefix(d, value, prefixBuffer);

    const std::size_t minimumDigits = d.precision.present ? d.precision.value : 1;
    std::size_t zeros = minimumDigits > digits.size() ? minimumDigits - digits.size() : 0;
    const std::size_t body = SaturatingAdd(prefix.size() + digits.size(), zeros);
    const std::size_t padding = d.width.value > body ? d.width.value - body : 0;
    // A precision sets the digit count itself, so C ignores the 0 flag then.
    const bool padWithZeros = d.zero && !d.left && !d.precision.present;
    if (padWithZeros) zeros = SaturatingAdd(zeros, padding);

    if (!d.left && !padWithZeros) out.Repeat(u' ', padding);
    out.Put(prefix);
    out.Repeat(u'0', zeros);
    out.Put(digits);
    if (d.left) out.Repeat(u' ', padding);
}

// Texts and characters pad with blanks only; C leaves the 0 flag undefined
// for them and the common libraries ignore it.
void EmitPadded(const Directive& d, std::u16string_view text, Output& out) {
    const std::size_t padding = d.width.value > text.size() ? d.width.value - text.size() : 0;
    if (!d.left) out.Repeat(u' ', padding);
    out.Put(text);
    if (d.left) out.Repeat(u' ', padding);
}

// A precision bounds the read too: the text need not be terminated within it.
std::u16string_view BoundedText(const char16_t* text, const Field& precision) {
    if (text == nullptr) text = u"(null)";
    const std::size_t limit = precision.present ? precision.value : kUnbounded;
    std::size_t length = 0;
    while (length < limit && text[length] != u'\0') ++length;
    return {text, length};
}

void EmitDirective(Directive d, Arguments& args, Output& out) {
    // "%%" stands for itself and takes nothing, whatever sits between the two.
    if (d.conversion == u'%') {
        out.Put(u"%");
        return;
    }
    TakeFieldArguments(d, args);
    switch (d.conversion) {
    case u'c': {
        const auto unit = static_cast<char16_t>(va_arg(args.list, int));
        EmitPadded(d, {&unit, 1}, out);
        return;
    }
    case u's':
        EmitPadded(d, BoundedText(va_arg(args.list, const char16_t*), d.precision), out);
        return;
    case u'd':
    case u'i': EmitInteger(d, TakeSigned(d.size, args), out); return;
    default: EmitInteger(d, TakeUnsigned(d.size, args), out); return;
    }
}

const char16_t* EmitLiteralRun(const char16_t* p, Output& out) {
    const char16_t* end = p;
    while (*end != u'\0' && *end != u'%') ++end;
    out.Put({p, static_cast<std::size_t>(end - p)});
    return end;
}

}  // namespace

std::size_t WideFormatV(char16_t* target, std::size_t capacity, const char16_t* format,
                        std::va_list arguments) {
    Output out(target, capacity);
    if (format == nullptr) return out.Finish();
    Arguments args;
    va_copy(args.list, arguments);
    for (const char16_t* p = format; *p != u'\0';) {
        if (*p != u'%') {
            p = EmitLiteralRun(p, out);
            continue;
        }
        const Directive d = ParseDirective(p + 1);
        if (d.valid)
            EmitDirective(d, args, out);
        else
            out.Put({p, static_cast<std::size_t>(d.end - p)});
        p = d.end;
    }
    va_end(args.list);
    return out.Finish();
}

std::size_t WideFormat(char16_t* target, std::size_t capacity, const char16_t* format, ...) {
    std::va_list arguments;
    va_start(arguments, format);
    const std::size_t length = WideFormatV(target, capacity, format, arguments);
    va_end(arguments);
    return length;
}

}  // namespace platform
