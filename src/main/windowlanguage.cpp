#include "windowlanguage.h"

#include "findings.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <cmath>
#include <memory>

namespace {

// The translators loaded now, owned here so a new language replaces them.
std::unique_ptr<QTranslator> Own;
std::unique_ptr<QTranslator> QtOwn;
bool German = false;

} // namespace

bool SetWindowLanguage(const QLocale& locale) {
    for (auto* each : {&Own, &QtOwn}) {
        if (*each) {
            QCoreApplication::removeTranslator(each->get());
            each->reset();
        }
    }
    German = false;
    // The window's own texts are built into it (from translations/tubrix_<language>.ts); an
    // English or C locale finds none and keeps the source texts as they are.
    auto own = std::make_unique<QTranslator>();
    if (!own->load(locale, QStringLiteral("tubrix"), QStringLiteral("_"),
                   QStringLiteral(":/i18n"))) {
        return false;
    }
    QCoreApplication::installTranslator(own.get());
    Own = std::move(own);
    German = Own->language().startsWith(QStringLiteral("de"));
    // Qt's own dialogs (Open, Save, the message boxes' buttons) from Qt's translations, where
    // the system has them.
    auto qt = std::make_unique<QTranslator>();
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qt.get());
        QtOwn = std::move(qt);
    }
    return true;
}

namespace {

// The library's row rules, each said the same way wherever it applies.
const char* const RuleMessages[] = {
    QT_TRANSLATE_NOOP("TProgramModel", "Y, the straight length, must be 0 or more"),
    QT_TRANSLATE_NOOP("TProgramModel", "C, the bend angle, must be from 0 to 180 degrees"),
    QT_TRANSLATE_NOOP("TProgramModel",
                      "R, the bend radius, must be greater than 0 on a row that bends"),
    QT_TRANSLATE_NOOP("TProgramModel",
                      "the last row's C must be 0: the tube ends with its last straight (a "
                      "program that ends in a bend gives a last row 0,0,0,R)"),
    QT_TRANSLATE_NOOP("TProgramModel", "the diameter must be greater than 0"),
    QT_TRANSLATE_NOOP("TProgramModel", "the tube's length overflows"),
    QT_TRANSLATE_NOOP("TProgramModel", "the program has no rows")};

} // namespace

QString RuleText(const std::string& message) {
    for (const char* known : RuleMessages) {
        if (message == known) {
            return QCoreApplication::translate("TProgramModel", known);
        }
    }
    return QString::fromStdString(message);
}

QString ProgramFaultText(const tubrix::Error& fault) {
    QString place = fault.Row > 0
                        ? QCoreApplication::translate("TProgramModel", "row %1").arg(fault.Row)
                        : QString();
    if (fault.Field == tubrix::ProgramField::Diameter) {
        place += (place.isEmpty() ? QString() : QStringLiteral(", ")) +
                 QCoreApplication::translate("TProgramModel", "diameter");
    } else if (fault.Field != tubrix::ProgramField::None) {
        place += (place.isEmpty() ? QString() : QStringLiteral(", ")) +
                 QString::fromLatin1(tubrix::FieldName(fault.Field));
    }
    const QString message = RuleText(fault.Message);
    return place.isEmpty() ? message : place + QStringLiteral(": ") + message;
}

QString WindowLanguageCode() {
    return German ? QStringLiteral("de") : QStringLiteral("en");
}

tubrix::Language WindowTextLanguage() {
    return German ? tubrix::Language::German : tubrix::Language::English;
}

QString FindingRuleText(const tubrix::Finding& finding) {
    return QString::fromUtf8(tubrix::RuleTitle(finding.Rule, WindowTextLanguage()));
}

QString FindingText(const tubrix::Finding& finding) {
    return QString::fromStdString(tubrix::FindingMessage(finding, WindowTextLanguage()));
}

QString FindingLineText(const tubrix::Finding& finding) {
    const QString rule = FindingRuleText(finding) + QStringLiteral(": ") + FindingText(finding);
    return finding.Row > 0 ? QCoreApplication::translate("TFindingsPanel", "row %1: %2")
                                 .arg(finding.Row)
                                 .arg(rule)
                           : rule;
}

QString LocaleFixed(double value, int decimals) {
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    const double half = 0.5 * std::pow(10.0, -decimals);
    return locale.toString(std::fabs(value) < half ? 0.0 : value, 'f', decimals);
}

QString LocaleMessageNumber(double value) {
    return QString::fromStdString(tubrix::FindingNumber(value))
        .replace(QLatin1Char('.'), QLocale().decimalPoint());
}
