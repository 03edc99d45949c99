#include "ui/fonts.h"

#include <QStringList>

void InstallFontSubstitutions()
{
    // Substitutes are only consulted when the named face is missing or lacks a glyph, so an
    // installed Tahoma still wins for Latin text and Hangul comes from NanumGothic. The condensed
    // DejaVu is close to Tahoma's narrow widths, so texts stay inside the room laid out for them
    // (the splash's failure text ends just before its close button).
    const QStringList ui = {QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans"),
                            QStringLiteral("NanumGothic")};
    QFont::insertSubstitutions(QStringLiteral("Tahoma"), ui);
    // The labels name the fixed-pitch 굴림체; NanumGothicCoding is the fixed-pitch stand-in.
    const QStringList fixed = {QStringLiteral("NanumGothicCoding")};
    QFont::insertSubstitutions(QStringLiteral("굴림체"), fixed);
    QFont::insertSubstitutions(QStringLiteral("GulimChe"), fixed);
    const QStringList gulim = {QStringLiteral("NanumGothic")};
    QFont::insertSubstitutions(QStringLiteral("굴림"), gulim);
    QFont::insertSubstitutions(QStringLiteral("Gulim"), gulim);
}

QFont TahomaPx(int pixels, bool bold)
{
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}
