#include "strtofloatdef.h"

#include <gtest/gtest.h>

#include <QLocale>
#include <QString>

#include <cmath>
#include <limits>

namespace {

double Parse(const char* text, QChar separator = u'.') {
    return StrToFloatDef(QString::fromUtf8(text), -7.0, separator);
}

TEST(StrToFloatDef, AcceptsDecimalNumbersWithBlanksAround) {
    EXPECT_EQ(Parse("38"), 38.0);
    EXPECT_EQ(Parse("  2.5 "), 2.5);
    EXPECT_EQ(Parse("\t-45"), -45.0);
    EXPECT_EQ(Parse("+0.125"), 0.125);
    EXPECT_EQ(Parse(".5"), 0.5);
    EXPECT_EQ(Parse("5."), 5.0);
    EXPECT_EQ(Parse("1e3"), 1000.0);
    EXPECT_EQ(Parse("1.5E-2"), 0.015);
    EXPECT_EQ(Parse("-0"), 0.0);
    EXPECT_TRUE(std::signbit(Parse("-0")));
    EXPECT_EQ(Parse("1e308"), 1e308);
    EXPECT_EQ(Parse("-1e308"), -1e308);
    // A number too small for a double comes back as zero or a subnormal, still a finite number.
    EXPECT_GE(Parse("1e-400"), 0.0);
    EXPECT_LT(Parse("1e-400"), 1e-300);
}

TEST(StrToFloatDef, GivesTheDefaultForAnythingElse) {
    for (const char* text :
         {"",    "   ", "abc",  "3a",       "a3",    "1,5",    "1.2.3", "--1",   "+-1",
          "1e",  "1e+", "e5",   ".",        "-",     "1 2",    "0x10",  "0x1p3", "nan",
          "NaN", "inf", "-inf", "infinity", "1e999", "-1e999", "١٢",    "1_000"}) {
        EXPECT_EQ(Parse(text), -7.0) << '"' << text << '"';
    }
}

TEST(StrToFloatDef, UsesOnlyTheGivenDecimalSeparator) {
    EXPECT_EQ(Parse("2,5", u','), 2.5);
    EXPECT_EQ(Parse("2.5", u','), -7.0);
    EXPECT_EQ(Parse("2,5", u'.'), -7.0);
}

TEST(StrToFloatDef, FollowsTheLocale) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(StrToFloatDef(u"2,5", 0), 2.5);
    EXPECT_EQ(StrToFloatDef(u"2.5", 9), 9.0);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    EXPECT_EQ(StrToFloatDef(u"2.5", 0), 2.5);
    EXPECT_EQ(StrToFloatDef(u"2,5", 9), 9.0);
}

TEST(StrToFloatDef, LongTextsParseOrFallBack) {
    const QString digits(200, u'9');
    const double value = StrToFloatDef(digits, -7.0, u'.');
    EXPECT_NEAR(value / 1e200, 1.0, 1e-12);
    EXPECT_EQ(StrToFloatDef(QString(400, u'9'), -7.0, u'.'), -7.0) << "overflows a double";
    EXPECT_EQ(StrToFloatDef(QStringLiteral("0.") + QString(300, u'0') + u'1', -7.0, u'.'), 1e-301);
}

} // namespace
