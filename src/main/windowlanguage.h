#pragma once

// The window's language: its own texts and Qt's (the file dialogs, the message boxes' buttons)
// in the operator's language when Tubrix has it, else in English; numbers as the operator's
// locale writes them.
#include "error.h"
#include "findings.h"
#include "language.h"

#include <QLocale>
#include <QString>

#include <string>

// Loads the translations for the locale's language in place of any loaded before: true when
// the window now speaks it, false when it stays English (every text as the source gives it).
// Start-up calls it with the system locale before any window is made.
bool SetWindowLanguage(const QLocale& locale);

// "de" or "en": what the window speaks, for the setup sheet that tubrix-cli writes for it.
QString WindowLanguageCode();

// Why a program cannot be used, as the library's row rules say it (CheckRow, CheckUsable), in
// the window's language; a message the window does not know shows as the library says it.
QString RuleText(const std::string& message);

// Error::InProgram in the window's language: "row 3, C: C, the bend angle, must be …".
QString ProgramFaultText(const tubrix::Error& fault);

// The library's language for the texts it makes itself (the findings), as the window speaks.
tubrix::Language WindowTextLanguage();

// A finding as the window shows it, in its language: its rule's name ("clamp", "Spannlänge"),
// its message, and the whole line ("row 3: clamp: straight before the bend 80 < 114").
QString FindingRuleText(const tubrix::Finding& finding);
QString FindingText(const tubrix::Finding& finding);
QString FindingLineText(const tubrix::Finding& finding);

// A number with so many decimals in the locale's decimal mark, without grouping and never
// "-0.00": "1.32" in English, "1,32" in German.
QString LocaleFixed(double value, int decimals);

// A number as the library's messages write it (at most three decimals, no trailing zeros), in
// the locale's decimal mark.
QString LocaleMessageNumber(double value);
