// Feeds arbitrary text to the operator's number parser and checks what it promises: the result
// is the fallback or a finite number, it does not depend on the fallback, blanks around the text
// and the choice of separator character change nothing else, a value printed back parses to
// itself, and the accepted texts are exactly the plain decimal numbers.
#include "fuzzcheck.h"
#include "strtofloatdef.h"

#include <QLocale>
#include <QString>
#include <QStringView>

#include <bit>
#include <clocale>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <string>

namespace {

// An ordinary-looking fallback, and a NaN with a payload that no parse can produce: a result
// equal to it bit for bit can only be the fallback coming back.
constexpr double PlainFallback = -12345.5;
const double MarkedFallback = std::bit_cast<double>(std::uint64_t{0x7ff8dead0000beefULL});

bool SameBits(double a, double b) {
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

bool IsAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// The accepted grammar written out once more, independently of the parser: optional sign,
// digits with at most one separator and at least one digit, optional exponent.
bool LooksLikeDecimal(QStringView t, QChar separator) {
    qsizetype at = 0;
    auto digits = [&] {
        const qsizetype start = at;
        while (at < t.size() && IsAsciiDigit(t[at])) {
            ++at;
        }
        return at - start;
    };
    if (at < t.size() && (t[at] == u'+' || t[at] == u'-')) {
        ++at;
    }
    qsizetype mantissa = digits();
    if (at < t.size() && t[at] == separator) {
        ++at;
        mantissa += digits();
    }
    if (mantissa == 0) {
        return false;
    }
    if (at < t.size() && (t[at] == u'e' || t[at] == u'E')) {
        ++at;
        if (at < t.size() && (t[at] == u'+' || t[at] == u'-')) {
            ++at;
        }
        if (digits() == 0) {
            return false;
        }
    }
    return at == t.size();
}

// What the C library makes of a text that LooksLikeDecimal, in the "C" locale.
double ReferenceValue(QStringView t, QChar separator) {
    std::string ascii;
    ascii.reserve(static_cast<std::size_t>(t.size()));
    for (QChar c : t) {
        ascii.push_back(c == separator ? '.' : static_cast<char>(c.unicode()));
    }
    static const locale_t cLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return strtod_l(ascii.c_str(), nullptr, cLocale);
}

// `text` with every `a` turned into `b` and every `b` into `a`.
QString Swapped(QStringView text, QChar a, QChar b) {
    QString out = text.toString();
    for (QChar& c : out) {
        if (c == a) {
            c = b;
        } else if (c == b) {
            c = a;
        }
    }
    return out;
}

// `value` printed with 17 significant digits, which any double survives, and `separator` in
// place of the C locale's point.
QString Printed(double value, QChar separator) {
    QString out = QString::number(value, 'g', 17);
    // Qt prints -0.0 as "0"; the parser keeps the sign of a typed "-0", so print it back.
    if (std::signbit(value) && !out.startsWith(u'-')) {
        out.prepend(u'-');
    }
    out.replace(u'.', separator);
    return out;
}

// Runs every check for one decimal separator and returns the parsed value (or MarkedFallback).
double CheckWithSeparator(QStringView text, QChar separator) {
    const double plain = StrToFloatDef(text, PlainFallback, separator);
    const double marked = StrToFloatDef(text, MarkedFallback, separator);
    if (SameBits(marked, MarkedFallback)) {
        if (!SameBits(plain, PlainFallback)) {
            FuzzFail("rejected with one fallback but gave a value with another");
        }
    } else {
        if (!std::isfinite(marked)) {
            FuzzFail("result is neither the fallback nor a finite number");
        }
        if (!SameBits(plain, marked)) {
            FuzzFail("the parsed value depends on the fallback");
        }
        const double back = StrToFloatDef(Printed(marked, separator), MarkedFallback, separator);
        if (!SameBits(back, marked)) {
            FuzzFail("a parsed value printed with 17 digits does not parse back to itself");
        }
    }

    // Blanks around the text are not part of the number.
    const QString padded = QStringLiteral(" \t") + text.toString() + QStringLiteral("\t ");
    if (!SameBits(StrToFloatDef(padded, MarkedFallback, separator), marked)) {
        FuzzFail("blanks around the text changed the result");
    }

    // The parser has no favourite separator: exchanging the separator with another character
    // in both the text and the call gives the same result.
    const QChar other = separator == u',' ? QChar(u'.') : QChar(u',');
    const double exchanged = StrToFloatDef(Swapped(text, separator, other), MarkedFallback, other);
    if (!SameBits(exchanged, marked)) {
        FuzzFail("exchanging the separator character changed the result");
    }

    // Accepted texts are exactly the decimal numbers with a finite value, and the value is the
    // C library's correctly rounded one.
    const QStringView trimmed = text.trimmed();
    if (LooksLikeDecimal(trimmed, separator)) {
        const double reference = ReferenceValue(trimmed, separator);
        if (std::isfinite(reference)) {
            if (!SameBits(marked, reference)) {
                FuzzFail("a decimal number was rejected or parsed to another value");
            }
        } else if (!SameBits(marked, MarkedFallback)) {
            FuzzFail("a number too large for a double was accepted");
        }
    } else if (!SameBits(marked, MarkedFallback)) {
        FuzzFail("a text that is not a decimal number was accepted");
    }
    return marked;
}

// The locales the default-locale overload is tried under: the C locale, two with a decimal
// comma and one whose separator is not ASCII.
const QLocale& LocaleAt(int i) {
    static const QLocale locales[] = {QLocale::c(), QLocale(QLocale::German, QLocale::Germany),
                                      QLocale(QLocale::French, QLocale::France),
                                      QLocale(QLocale::Arabic, QLocale::Egypt)};
    return locales[i];
}
constexpr int LocaleCount = 4;

void CheckText(QStringView text) {
    CheckWithSeparator(text, u'.');
    CheckWithSeparator(text, u',');
    for (int i = 0; i < LocaleCount; ++i) {
        const QLocale& locale = LocaleAt(i);
        QLocale::setDefault(locale);
        const QString point = locale.decimalPoint();
        const QChar separator = point.isEmpty() ? QChar(u'.') : point.front();
        const double viaLocale = StrToFloatDef(text, MarkedFallback);
        if (!SameBits(viaLocale, CheckWithSeparator(text, separator))) {
            FuzzFail("the default-locale overload did not use the locale's separator");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // QLocale needs no application object: it reads the system locale from the environment.
    CheckText(QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (size % 2 == 0) {
        std::u16string utf16(size / 2, u'\0');
        std::memcpy(utf16.data(), data, size);
        CheckText(QStringView(utf16));
    }
    return 0;
}
