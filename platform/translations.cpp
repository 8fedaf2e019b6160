#include "platform/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace korim::platform {

void installSpanishTranslations(QCoreApplication &app)
{
    // Mexican Spanish: a decimal point and Spanish names alike.
    const QLocale spanish(QLocale::Spanish, QLocale::Mexico);
    QLocale::setDefault(spanish);

    auto *translator = new QTranslator(&app);
    if (translator->load(spanish, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        app.installTranslator(translator);
    } else {
        qWarning("qtbase_es.qm not found in %s; Qt's own texts stay in English",
                 qPrintable(QLibraryInfo::path(QLibraryInfo::TranslationsPath)));
        delete translator;
    }
}

} // namespace korim::platform
