#include "strtofloatdef.h"

#include <QLocale>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <locale.h>
#include <string>

namespace {

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

// Copies a run of ASCII digits, returning how many there were.
qsizetype TakeDigits(QStringView text, qsizetype& at, std::string& out) {
    const qsizetype start = at;
    while (at < text.size() && IsDigit(text[at])) {
        out.push_back(static_cast<char>(text[at].unicode()));
        ++at;
    }
    return at - start;
}

void TakeSign(QStringView text, qsizetype& at, std::string& out) {
    if (at < text.size() && (text[at] == u'+' || text[at] == u'-')) {
        out.push_back(static_cast<char>(text[at].unicode()));
        ++at;
    }
}

// The text rewritten for the C locale's strtod, or empty when it is not a decimal number.
std::string NormalisedNumber(QStringView text, QChar decimalSeparator) {
    std::string out;
    qsizetype at = 0;
    TakeSign(text, at, out);
    qsizetype digits = TakeDigits(text, at, out);
    if (at < text.size() && text[at] == decimalSeparator) {
        out.push_back('.');
        ++at;
        digits += TakeDigits(text, at, out);
    }
    if (digits == 0) {
        return {};
    }
    if (at < text.size() && (text[at] == u'e' || text[at] == u'E')) {
        out.push_back('e');
        ++at;
        TakeSign(text, at, out);
        if (TakeDigits(text, at, out) == 0) {
            return {};
        }
    }
    return at == text.size() ? out : std::string{};
}

// The "C" locale, so the conversion does not depend on the process's LC_NUMERIC.
locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

} // namespace

double StrToFloatDef(QStringView text, double fallback, QChar decimalSeparator) {
    const std::string number = NormalisedNumber(text.trimmed(), decimalSeparator);
    if (number.empty()) {
        return fallback;
    }
    const double value = strtod_l(number.c_str(), nullptr, CLocale());
    // An overflow comes back as an infinity: no finite number was typed that GL could draw.
    return std::isfinite(value) ? value : fallback;
}

double StrToFloatDef(QStringView text, double fallback) {
    const QString separator = QLocale().decimalPoint();
    return StrToFloatDef(text, fallback, separator.isEmpty() ? QChar(u'.') : separator.front());
}
