#include "report/label_report.h"

#include <cmath>

namespace report {

namespace {

constexpr ReportFont kRegular9{9, false};
constexpr ReportFont kBold9{9, true};
constexpr ReportFont kBold11{11, true};

constexpr int kNameColumn = 2;
constexpr int kZipColumn = 5;
constexpr int kAddressColumn = 6;

const QString kPostalMark = QStringLiteral("(우)");
const QString kHonorific = QStringLiteral("귀하");

}  // namespace

LabelReport::LabelReport()
    : BandedReport(Band(QStringLiteral("QRBand1"), 5.56), Band(QStringLiteral("QRBand10"), 33.87)),
      QRBand1(Title()),
      QRBand10(Detail())
{
    using A = Alignment;
    // name, alignment, anchor (left edge / right edge / centre / box left), top, box height, wrap width, font
    QRLabel1 = QRBand10.AddLabel({"QRLabel1", A::Left, 2.38, 3.44, 4.76, 0, kRegular9, kPostalMark});
    zip_code_1 = QRBand10.AddLabel({"zip_code_1", A::Centre, 16.27, 3.70, 4.76, 0, kBold9, {}});
    address_1 = QRBand10.AddLabel({"address_1", A::Left, 2.38, 9.53, 9.79, 82.02, kBold9, {}});
    name_1 = QRBand10.AddLabel({"name_1", A::Right, 78.05, 19.31, 7.67, 0, kBold11, {}});
    QRLabel3 = QRBand10.AddLabel({"QRLabel3", A::Left, 82.29, 20.90, 4.76, 0, kBold9, kHonorific});
    lb = QRBand10.AddLabel({"lb", A::Left, 101.07, 3.44, 4.76, 0, kRegular9, kPostalMark});
    zip_code_2 = QRBand10.AddLabel({"zip_code_2", A::Centre, 116.02, 3.70, 4.76, 0, kBold9, {}});
    address_2 = QRBand10.AddLabel({"address_2", A::Left, 101.07, 9.53, 9.79, 82.02, kBold9, {}});
    name_2 = QRBand10.AddLabel({"name_2", A::Right, 179.65, 19.31, 7.67, 0, kBold11, {}});
    lb2 = QRBand10.AddLabel({"lb2", A::Left, 180.97, 20.90, 4.76, 0, kBold9, kHonorific});

    BeforePrint = [this](bool& go) { qrBeforePrint(go); };
    NeedData = [this](bool& more) { qrNeedData(more); };
    QRBand10.BeforePrint = [this](bool& print) { QRBand10BeforePrint(print); };
}

ReportDocument LabelReport::Run(const LabelSource& grid)
{
    grid_ = &grid;
    ReportDocument doc = BandedReport::Run();
    grid_ = nullptr;
    return doc;
}

std::unique_ptr<ReportRun> LabelReport::Start(const LabelSource& grid)
{
    grid_ = &grid;
    return std::make_unique<ReportRun>(*this);
}

int LabelReport::ListedCount() const { return grid_->RowCount() - 1; }

int LabelReport::LabelBands() const { return int(std::ceil(ListedCount() / 2.0)); }

// A row that the list no longer has reads as empty, as a blank cell does.
QString LabelReport::CellOf(int column, int row) const
{
    if (row < 1 || row >= grid_->RowCount())
        return {};
    return grid_->Cell(column, row);
}

void LabelReport::qrBeforePrint(bool& PrintReport)
{
    BandNumber = 0;
    PrintReport = true;
}

void LabelReport::qrNeedData(bool& MoreData)
{
    ++BandNumber;
    MoreData = LabelBands() >= BandNumber;
}

void LabelReport::QRBand10BeforePrint(bool& PrintBand)
{
    const int c = BandNumber;
    const int n = ListedCount();
    zip_code_1->caption = CellOf(kZipColumn, 2 * c - 1);
    address_1->caption = CellOf(kAddressColumn, 2 * c - 1);
    name_1->caption = CellOf(kNameColumn, 2 * c - 1);
    if (c == LabelBands() && n % 2 != 0) {
        zip_code_2->caption.clear();
        address_2->caption.clear();
        name_2->caption.clear();
        lb->caption.clear();
        lb2->caption.clear();
    } else {
        zip_code_2->caption = CellOf(kZipColumn, 2 * c);
        address_2->caption = CellOf(kAddressColumn, 2 * c);
        name_2->caption = CellOf(kNameColumn, 2 * c);
        lb->caption = kPostalMark;
        lb2->caption = kHonorific;
    }
    PrintBand = true;
}

}  // namespace report
