#include "report/banded_report.h"

#include "report/text_layout.h"

#include <QtMath>

namespace report {

namespace {

int Tenths(double mm) { return qRound(mm * 10); }

}  // namespace

// Places the bands of one run: whole tenths of a millimetre, a band never split.
class ReportRun::PageFlow {
public:
    PageFlow(const PageSetup& page, ReportDocument& doc) : page_(page), doc_(doc) {}

    void Place(const Band& band)
    {
        const int height = Tenths(band.HeightMm());
        if (doc_.pages.empty() || SpaceLeft() < height) {
            doc_.pages.emplace_back();
            position_ = Tenths(page_.topMarginMm);
        }
        ReportPage& page = doc_.pages.back();
        page.bands.push_back({band.Name(), position_});
        for (const auto& label : band.Labels())
            PlaceLabel(*label, page_.leftMarginMm, position_ / 10.0, page);
        position_ += height;
    }

private:
    int SpaceLeft() const { return Tenths(page_.paperLengthMm - page_.bottomMarginMm) - position_; }

    static void PlaceLabel(const TextLabel& label, double bandLeft, double bandTop, ReportPage& page)
    {
        if (label.caption.isEmpty())
            return;
        const auto width = [&](const QString& s) { return TextWidthMm(label.font, s); };
        const QStringList lines = label.wrapWidthMm > 0 ? WrapCaption(label.caption, label.wrapWidthMm, width)
                                                        : CaptionLines(label.caption);
        const double lineHeight = LineHeightMm(label.font);
        const double ascent = AscentMm(label.font);
        const int shown = VisibleLineCount(int(lines.size()), lineHeight, label.heightMm);
        for (int i = 0; i < shown; ++i) {
            if (lines[i].isEmpty())
                continue;
            PlacedText t;
            t.label = label.name;
            t.text = lines[i];
            t.font = label.font;
            t.widthMm = width(lines[i]);
            const double anchor = bandLeft + label.anchorMm;
            switch (label.wrapWidthMm > 0 ? Alignment::Left : label.alignment) {
            case Alignment::Left: t.leftMm = anchor; break;
            case Alignment::Right: t.leftMm = anchor - t.widthMm; break;
            case Alignment::Centre: t.leftMm = anchor - t.widthMm / 2; break;
            }
            t.topMm = bandTop + label.topMm + i * lineHeight;
            t.baselineMm = t.topMm + ascent;
            page.texts.push_back(std::move(t));
        }
    }

    const PageSetup& page_;
    ReportDocument& doc_;
    int position_ = 0;
};

TextLabel* Band::AddLabel(TextLabel label)
{
    labels_.push_back(std::make_unique<TextLabel>(std::move(label)));
    return labels_.back().get();
}

ReportRun::ReportRun(BandedReport& report) : report_(report)
{
    bool printReport = true;
    if (report_.BeforePrint)
        report_.BeforePrint(printReport);
    if (!printReport || !MoreData()) {
        done_ = true;
        return;
    }
    flow_ = std::make_unique<PageFlow>(report_.Page, doc_);
    flow_->Place(report_.Title());
}

ReportRun::~ReportRun() = default;

bool ReportRun::MoreData()
{
    bool more = false;
    if (report_.NeedData)
        report_.NeedData(more);
    return more;
}

void ReportRun::Step(int bands)
{
    for (; bands > 0 && !done_; --bands) {
        bool printBand = true;
        Band& detail = report_.Detail();
        if (detail.BeforePrint)
            detail.BeforePrint(printBand);
        if (printBand)
            flow_->Place(detail);
        done_ = !MoreData();
    }
}

ReportDocument BandedReport::Run()
{
    ReportRun run(*this);
    while (!run.Done())
        run.Step(1 << 20);
    return run.Take();
}

}  // namespace report
