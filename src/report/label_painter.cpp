#include "report/label_painter.h"

#include "store/errors.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <algorithm>
#include <numeric>
#include <utility>
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
                const QString& failureText, size_t pages)
{
    pages = std::min(pages, doc.pages.size());
    if (pages == 0)
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

    std::vector<size_t> order;
    bool first = true;
    for (size_t n = 0; n < pages; ++n) {
        const ReportPage& p = doc.pages[n];
        if (!first && !device.newPage()) {
            painter.end();
            throw EError(failureText);
        }
        first = false;
        // Texts never overlap, so drawing them font by font changes the font three times a page
        // instead of at almost every text.
        order.resize(p.texts.size());
        std::iota(order.begin(), order.end(), size_t(0));
        std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
            const ReportFont& fa = p.texts[a].font;
            const ReportFont& fb = p.texts[b].font;
            return std::pair(fa.pointSize, fa.bold) < std::pair(fb.pointSize, fb.bold);
        });
        const ReportFont* current = nullptr;
        for (size_t i : order) {
            const PlacedText& t = p.texts[i];
            if (!current || !(*current == t.font)) {
                painter.setFont(qfontOf(t.font));
                current = &t.font;
            }
            painter.drawText(QPointF((t.leftMm - origin.x()) * xScale, (t.baselineMm - origin.y()) * yScale), t.text);
        }
    }
    if (!painter.end())
        throw EError(failureText);
}

}  // namespace report
