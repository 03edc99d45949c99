#pragma once
// The labels' face and how its texts are measured.
#include <QFont>
#include <QString>

namespace report {

// A label's font: the report face at a point size, regular or bold.
struct ReportFont {
    double pointSize = 9;
    bool bold = false;
    friend bool operator==(const ReportFont&, const ReportFont&) = default;
};

// "굴림체" where it is installed; otherwise the fixed-pitch Korean face the set-up installs.
QString ReportFaceFamily();

// The QFont that both the measuring and the painting use. Hinting is off so that advances
// scale with the resolution and a width measured once holds on every device.
QFont ToQFont(const ReportFont& font);

// Text metrics in millimetres, taken at a 1200 dpi reference (the PDF writer's and the high
// resolution printer's own resolution), so they match what the painter draws there. A width is
// the sum of the characters' advances (the face is drawn without kerning), except for texts with
// characters that join their neighbours, which are measured whole.
double TextWidthMm(const ReportFont& font, const QString& text);
double AscentMm(const ReportFont& font);
double LineHeightMm(const ReportFont& font);  // the character cell: ascent + descent

}  // namespace report
