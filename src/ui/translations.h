#pragma once
#include <QLocale>

// Loads Qt's own translations for the locale (qtbase_ko for a Korean desktop), so that the
// print, file and preview dialogs that Qt provides speak the user's language. Returns false
// when the system has none for it; Qt's dialogs then stay in English.
bool InstallQtTranslations(const QLocale& locale);
