#pragma once

#include <QChar>
#include <QStringView>

// The operator's text as a number, or `fallback` when the text as a whole is not one. Accepted:
// blanks around it, an optional sign, digits with at most one decimal separator (at least one
// digit), an optional exponent (e or E, optional sign, digits). The separator is the locale's
// (QLocale's default, which is the system's unless a program sets another); the other one, group
// separators, hexadecimal forms, "nan", "inf" and anything whose value is not a finite double
// ("1e999") give the fallback.
double StrToFloatDef(QStringView text, double fallback);

// The same with the decimal separator given.
double StrToFloatDef(QStringView text, double fallback, QChar decimalSeparator);
