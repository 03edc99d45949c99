#include "report/label_fonts.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QImage>
#include <memory>
#include <vector>

namespace report {

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

// Few fonts are used, so a linear list keeps one metrics object per font.
const QFontMetricsF& MetricsOf(const ReportFont& font)
{
    struct Entry {
        ReportFont font;
        QFontMetricsF metrics;
    };
    static std::vector<std::unique_ptr<Entry>> cache;
    for (const auto& e : cache)
        if (e->font == font)
            return e->metrics;
    cache.push_back(std::make_unique<Entry>(Entry{font, QFontMetricsF(ToQFont(font), &ReferenceDevice())}));
    return cache.back()->metrics;
}

}  // namespace

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
    return f;
}

double TextWidthMm(const ReportFont& font, const QString& text)
{
    return text.isEmpty() ? 0 : PxToMm(MetricsOf(font).horizontalAdvance(text));
}

double AscentMm(const ReportFont& font) { return PxToMm(MetricsOf(font).ascent()); }

double LineHeightMm(const ReportFont& font) { return PxToMm(MetricsOf(font).height()); }

}  // namespace report
