#pragma once
// The address label report: two labels side by side on each detail band, filled from the main
// list's rows, eight pairs to an A4 page.
#include "report/banded_report.h"
#include "report/label_source.h"

namespace report {

class LabelReport : public BandedReport {
public:
    LabelReport();

    // One run against the list as it stands while the run goes on.
    ReportDocument Run(const LabelSource& grid);
    // The same run made in steps; the grid must outlive it.
    std::unique_ptr<ReportRun> Start(const LabelSource& grid);

    // The number (from 1) of the label band being filled; 0 at the start of every run.
    int BandNumber = 0;

    void qrBeforePrint(bool& PrintReport);
    void qrNeedData(bool& MoreData);
    void QRBand10BeforePrint(bool& PrintBand);

    Band& QRBand1;   // title band, nothing on it
    Band& QRBand10;  // label band
    TextLabel* QRLabel1;
    TextLabel* zip_code_1;
    TextLabel* address_1;
    TextLabel* name_1;
    TextLabel* QRLabel3;
    TextLabel* lb;
    TextLabel* zip_code_2;
    TextLabel* address_2;
    TextLabel* name_2;
    TextLabel* lb2;

private:
    int ListedCount() const;   // n: the grid's rows without the header row
    int LabelBands() const;    // Ceil(n / 2)
    QString CellOf(int column, int row) const;

    const LabelSource* grid_ = nullptr;
};

}  // namespace report
