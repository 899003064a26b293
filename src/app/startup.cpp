#include "startup.h"

#include "sonavel_config.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>

void installTranslators(QApplication &app, Translators &translators)
{
    const QString language = QLocale::system().name().section(QLatin1Char('_'), 0, 0);

    // A missing catalogue leaves its translator empty; the French texts stand.
    (void)translators.qtTranslator.load(QLatin1String("qt_") + language,
                                        QLibraryInfo::location(QLibraryInfo::TranslationsPath));
    app.installTranslator(&translators.qtTranslator);

    (void)translators.updaterTranslator.load(QLatin1String("translations/" SONAVEL_UPDATER_CATALOGUE "_") + language
                                             + QLatin1String(".qm"));
    app.installTranslator(&translators.updaterTranslator);

    (void)translators.appTranslator.load(QLatin1String("translations/" SONAVEL_APP_CATALOGUE "_") + language
                                         + QLatin1String(".qm"));
    app.installTranslator(&translators.appTranslator);
}
