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

QString WindowLanguageCode() {
    return German ? QStringLiteral("de") : QStringLiteral("en");
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
