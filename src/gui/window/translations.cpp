#include "translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool installTranslations(const QLocale &locale)
{
    // Built into the program (translations/gps_*.ts).
    auto *own = new QTranslator(QCoreApplication::instance());
    if (!own->load(locale, QStringLiteral("gps"), QStringLiteral("_"), QStringLiteral(":/i18n"))) {
        delete own;
        return false;
    }
    QCoreApplication::installTranslator(own);
    // Qt's, where the system has them: without them the dialogs' buttons stay in English.
    auto *qt = new QTranslator(QCoreApplication::instance());
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;
    return true;
}

void installLanguage(appsettings::Language language)
{
    switch (language) {
    case appsettings::Language::System:
        installTranslations(QLocale());
        break;
    case appsettings::Language::French:
        installTranslations(QLocale(QLocale::French, QLocale::France));
        break;
    case appsettings::Language::Own:
        break;
    }
}
