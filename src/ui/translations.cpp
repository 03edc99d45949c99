#include "ui/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool InstallQtTranslations(const QLocale& locale)
{
    static QTranslator* installed = nullptr;
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    // One set at a time: a later locale replaces the earlier one.
    if (installed) {
        QCoreApplication::removeTranslator(installed);
        delete installed;
    }
    QCoreApplication::installTranslator(translator);
    installed = translator;
    return true;
}
