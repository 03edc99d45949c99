#include "forms.h"
#include "start.h"
#include "ui/fonts.h"
#include "ui/translations.h"

#include <QApplication>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    // Only the splash window's close ends the program; hidden windows keep nothing alive.
    QApplication::setQuitOnLastWindowClosed(false);
    InstallFontSubstitutions();
    InstallQtTranslations(QLocale::system());
    CreateForms();
    Form3->show();
    const int code = app.exec();
    DestroyForms();
    return code;
}
