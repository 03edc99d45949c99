#include "report/label_painter.h"

#include "store/errors.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <vector>

namespace report {

void ApplyPageSetup(QPagedPaintDevice& device, const PageSetup& page)
{
    // A 210 x 297 mm size matches A4, which a printer then knows by name.
    QPageLayout layout(QPageSize(QSizeF(page.paperWidthMm, page.paperLengthMm), QPageSize::Millimeter),
                       QPageLayout::Portrait,
                       QMarginsF(page.leftMarginMm, page.topMarginMm, page.rightMarginMm, page.bottomMarginMm),
                       QPageLayout::Millimeter);
    layout.setMode(QPageLayout::FullPageMode);
    device.setPageLayout(layout);
}

void PaintPages(const ReportDocument& doc, const PageSetup& page, QPagedPaintDevice& device,
                const QString& failureText)
{
    if (doc.pages.empty())
        return;
    ApplyPageSetup(device, page);
    // Where the painter's origin lies on the sheet (the corner in full-page mode).
    const QPointF origin = device.pageLayout().paintRect(QPageLayout::Millimeter).topLeft();

    QPainter painter;
    if (!painter.begin(&device))
        throw EError(failureText);
    const double xScale = device.logicalDpiX() / 25.4;
    const double yScale = device.logicalDpiY() / 25.4;
    painter.setPen(Qt::black);

    struct Face {
        ReportFont font;
        QFont qfont;
    };
    std::vector<Face> faces;
    const auto qfontOf = [&](const ReportFont& f) -> const QFont& {
        for (const Face& face : faces)
            if (face.font == f)
                return face.qfont;
        faces.push_back({f, ToQFont(f)});
        return faces.back().qfont;
    };

    bool first = true;
    for (const ReportPage& p : doc.pages) {
        if (!first && !device.newPage()) {
            painter.end();
            throw EError(failureText);
        }
        first = false;
        for (const PlacedText& t : p.texts) {
            painter.setFont(qfontOf(t.font));
            painter.drawText(QPointF((t.leftMm - origin.x()) * xScale, (t.baselineMm - origin.y()) * yScale), t.text);
        }
    }
    if (!painter.end())
        throw EError(failureText);
}

}  // namespace report
