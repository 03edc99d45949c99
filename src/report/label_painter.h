#pragma once
// Paints report pages onto any paged device: the print preview, a printer, a PDF writer.
#include "report/banded_report.h"

#include <QPagedPaintDevice>

namespace report {

// A4 portrait with the report's margins; painting covers the whole sheet, so the model's
// millimetres from the sheet's corner are the device's coordinates.
void ApplyPageSetup(QPagedPaintDevice& device, const PageSetup& page);

// Applies the page setup and paints every page's texts, black on the white sheet, nothing
// else; only the first `pages` pages when fewer are asked for. A document without pages
// leaves the device untouched. Throws EError with failureText when the device cannot be painted.
void PaintPages(const ReportDocument& doc, const PageSetup& page, QPagedPaintDevice& device,
                const QString& failureText, size_t pages = size_t(-1));

}  // namespace report
