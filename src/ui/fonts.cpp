#include "ui/fonts.h"

void InstallFontSubstitutions() {}

QFont TahomaPx(int pixels, bool bold)
{
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}
