#include "report/label_fonts.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <memory>
#include <vector>

namespace report {

QString ReportFaceFamily()
{
    static const QString family = [] {
        for (const char* name : {"굴림체", "GulimChe"})
            if (QFontDatabase::hasFamily(QString::fromUtf8(name)))
                return QString::fromUtf8(name);
        return QStringLiteral("NanumGothicCoding");
    }();
    return family;
}

QFont ToQFont(const ReportFont& font)
{
    QFont f(ReportFaceFamily());
    f.setPointSizeF(font.pointSize);
    f.setBold(font.bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    // Without kerning a text's advance is the sum of its characters' advances, so the word
    // wrap can add widths up instead of shaping every candidate line again.
    f.setKerning(false);
    return f;
}

namespace {

constexpr double kReferenceDpi = 1200;
constexpr double kMmPerInch = 25.4;

double PxToMm(double px) { return px * kMmPerInch / kReferenceDpi; }

const QImage& ReferenceDevice()
{
    static const QImage device = [] {
        QImage image(1, 1, QImage::Format_RGB32);
        const int dotsPerMetre = qRound(kReferenceDpi / 0.0254);
        image.setDotsPerMeterX(dotsPerMetre);
        image.setDotsPerMeterY(dotsPerMetre);
        return image;
    }();
    return device;
}

struct Measure {
    ReportFont font;
    QFontMetricsF metrics;
    QHash<char32_t, double> advances;  // px at the reference resolution
};

// Few fonts are used, so a linear list keeps one entry per font.
Measure& MeasureOf(const ReportFont& font)
{
    static std::vector<std::unique_ptr<Measure>> cache;
    for (const auto& e : cache)
        if (e->font == font)
            return *e;
    cache.push_back(std::make_unique<Measure>(Measure{font, QFontMetricsF(ToQFont(font), &ReferenceDevice()), {}}));
    return *cache.back();
}

// Characters whose advance depends on their neighbours: combining marks, conjoining jamo (a
// syllable typed letter by letter) and joiners.
bool JoinsNeighbours(char32_t code)
{
    if ((code >= 0x1100 && code <= 0x11FF) || (code >= 0xA960 && code <= 0xA97F) ||
        (code >= 0xD7B0 && code <= 0xD7FF) || code == 0x200C || code == 0x200D)
        return true;
    switch (QChar::category(code)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing: return true;
    default: return false;
    }
}

}  // namespace

double TextWidthMm(const ReportFont& font, const QString& text)
{
    Measure& m = MeasureOf(font);
    double px = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        qsizetype units = 1;
        char32_t code = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            code = QChar::surrogateToUcs4(text[i], text[i + 1]);
            units = 2;
        }
        if (JoinsNeighbours(code))
            return PxToMm(m.metrics.horizontalAdvance(text));
        auto found = m.advances.constFind(code);
        if (found == m.advances.constEnd())
            found = m.advances.insert(code, m.metrics.horizontalAdvance(text.mid(i, units)));
        px += *found;
        i += units - 1;
    }
    return PxToMm(px);
}

double AscentMm(const ReportFont& font) { return PxToMm(MeasureOf(font).metrics.ascent()); }

double LineHeightMm(const ReportFont& font) { return PxToMm(MeasureOf(font).metrics.height()); }

}  // namespace report
