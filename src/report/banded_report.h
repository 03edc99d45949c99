#pragma once
// A small banded report: page setup, a title band and a detail band of text labels, the
// report's events, the page flow, and pages of placed texts as the result. Nothing here paints.
#include "report/label_fonts.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace report {

// One line of text where it lands on the paper, in millimetres from the sheet's top-left corner.
struct PlacedText {
    QString label;      // the design label it comes from
    QString text;       // one line
    ReportFont font;
    double leftMm = 0;  // where the line's text starts
    double topMm = 0;   // top of the line's character cell
    double baselineMm = 0;
    double widthMm = 0;  // advance width of the text
};

struct PlacedBand {
    QString band;
    int topTenths = 0;  // from the sheet's top edge, in tenths of a millimetre
};

struct ReportPage {
    std::vector<PlacedBand> bands;
    std::vector<PlacedText> texts;
};

struct ReportDocument {
    std::vector<ReportPage> pages;
};

struct PageSetup {
    double paperWidthMm = 210;
    double paperLengthMm = 297;
    double topMarginMm = 10;
    double bottomMarginMm = 10;
    double leftMarginMm = 10;
    double rightMarginMm = 10;
};

enum class Alignment { Left, Right, Centre };

// A text label of a band. Positions are from the band's top-left corner. A label sized to its
// text never wraps: its anchor is its left edge, right edge or centre by its alignment. A label
// with a wrap width is a left-aligned box of that width starting at its anchor.
struct TextLabel {
    QString name;
    Alignment alignment = Alignment::Left;
    double anchorMm = 0;
    double topMm = 0;
    double heightMm = 0;
    double wrapWidthMm = 0;  // 0: sized to its text
    ReportFont font;
    QString caption;  // may change while a run is in progress
};

class Band {
public:
    Band(QString name, double heightMm) : name_(std::move(name)), heightMm_(heightMm) {}
    const QString& Name() const { return name_; }
    double HeightMm() const { return heightMm_; }
    TextLabel* AddLabel(TextLabel label);
    const std::vector<std::unique_ptr<TextLabel>>& Labels() const { return labels_; }

    // Asked before the band is placed; clearing the flag skips the band.
    std::function<void(bool& printBand)> BeforePrint;

private:
    QString name_;
    double heightMm_;
    std::vector<std::unique_ptr<TextLabel>> labels_;
};

class BandedReport;

// One run made a few bands at a time, so that a window can show its first pages while the
// rest are still being made. Starting it asks BeforePrint and the first NeedData.
class ReportRun {
public:
    explicit ReportRun(BandedReport& report);
    ~ReportRun();
    ReportRun(const ReportRun&) = delete;
    ReportRun& operator=(const ReportRun&) = delete;

    // Places up to `bands` more detail bands; the run is over once NeedData answers no.
    void Step(int bands);
    bool Done() const { return done_; }
    // The pages so far; the last one may still grow until the run is over.
    const ReportDocument& Document() const { return doc_; }
    ReportDocument Take() { return std::move(doc_); }

private:
    class PageFlow;
    bool MoreData();

    BandedReport& report_;
    ReportDocument doc_;
    std::unique_ptr<PageFlow> flow_;
    bool done_ = false;
};

class BandedReport {
public:
    BandedReport(Band title, Band detail) : title_(std::move(title)), detail_(std::move(detail)) {}
    virtual ~BandedReport() = default;

    // One run: BeforePrint, then NeedData before the first detail band and after every one.
    // The title band starts page 1 once the first answer is yes; a first no gives no page.
    ReportDocument Run();

    PageSetup Page;
    std::function<void(bool& printReport)> BeforePrint;
    std::function<void(bool& moreData)> NeedData;

    Band& Title() { return title_; }
    Band& Detail() { return detail_; }

private:
    Band title_;
    Band detail_;
};

}  // namespace report
