// A real PDF of the labels, read back with poppler's pdftotext: every checked text lies where
// the layout puts it on the sheet, within 0.2 mm, and the face is embedded.
#include "label_list.h"
#include "report/label_painter.h"
#include "report/label_report.h"

#include <QGuiApplication>
#include <QPdfWriter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>

using namespace report;

namespace {

constexpr double kMmPerPt = 25.4 / 72;

struct Word {
    int page;
    double xMin, yMin, xMax, yMax;  // millimetres
    QString text;                   // spaces restored
};

QString Run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    return QString::fromUtf8(p.readAllStandardOutput());
}

std::vector<Word> ReadWords(const QString& pdf)
{
    const QString xhtml = Run("pdftotext", {"-bbox", pdf, "-"});
    std::vector<Word> words;
    int page = -1;
    static const QRegularExpression token(
        R"re(<page |<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="([\d.]+)" yMax="([\d.]+)">([^<]*)</word>)re");
    for (auto it = token.globalMatch(xhtml); it.hasNext();) {
        const auto m = it.next();
        if (m.captured(0).startsWith("<page")) {
            ++page;
            continue;
        }
        QString text = m.captured(5);
        // These faces' spaces come back as U+0001, joining a line into one word.
        text.replace(QChar(1), QChar(' '));
        text.replace("&amp;", "&").replace("&lt;", "<").replace("&gt;", ">");
        words.push_back({page, m.captured(1).toDouble() * kMmPerPt, m.captured(2).toDouble() * kMmPerPt,
                         m.captured(3).toDouble() * kMmPerPt, m.captured(4).toDouble() * kMmPerPt, text});
    }
    return words;
}

}  // namespace

class TestLabelPdf : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void positions_data();
    void positions();
    void pageContents();
    void fontsEmbedded();

private:
    QTemporaryDir dir_;
    QString pdf_;
    std::vector<Word> words_;
    LabelList list_ = LabelList::Numbered(17);
};

void TestLabelPdf::initTestCase()
{
    QVERIFY(dir_.isValid());
    pdf_ = dir_.filePath("labels.pdf");
    LabelReport report;
    const ReportDocument doc = report.Run(list_);
    QCOMPARE(doc.pages.size(), size_t(2));
    {
        QPdfWriter writer(pdf_);
        PaintPages(doc, report.Page, writer, "cannot paint");
    }
    words_ = ReadWords(pdf_);
    QVERIFY2(!words_.empty(), "pdftotext gave no words");
    if (qEnvironmentVariableIsSet("LABELS_KEEP_PDF"))
        QFile::copy(pdf_, qEnvironmentVariable("LABELS_KEEP_PDF"));
}

void TestLabelPdf::positions_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("edge");     // left, centre or right
    QTest::addColumn<double>("xMm");       // from the sheet's left edge
    QTest::addColumn<double>("topMm");     // the label's top from the sheet's top edge
    QTest::addColumn<double>("points");

    // Page 1: first band at 15.6 mm, rows 1 and 2; its last band at 15.6 + 7 x 33.9 mm.
    const double b1 = 15.6;
    QTest::newRow("p1 (우) left") << 0 << "(우)" << "left" << 12.38 << b1 + 3.44 << 9.0;
    QTest::newRow("p1 postal code left") << 0 << "101-201" << "centre" << 26.27 << b1 + 3.70 << 9.0;
    QTest::newRow("p1 address left") << 0 << "서울특별시 강남구 역삼동 1-2" << "left" << 12.38 << b1 + 9.53 << 9.0;
    QTest::newRow("p1 name left") << 0 << "이름1" << "right" << 88.05 << b1 + 19.31 << 11.0;
    QTest::newRow("p1 귀하 left") << 0 << "귀하" << "left" << 92.29 << b1 + 20.90 << 9.0;
    QTest::newRow("p1 (우) right") << 0 << "(우)" << "left" << 111.07 << b1 + 3.44 << 9.0;
    QTest::newRow("p1 postal code right") << 0 << "102-202" << "centre" << 126.02 << b1 + 3.70 << 9.0;
    QTest::newRow("p1 address right") << 0 << "서울특별시 강남구 역삼동 2-3" << "left" << 111.07 << b1 + 9.53 << 9.0;
    QTest::newRow("p1 name right") << 0 << "이름2" << "right" << 189.65 << b1 + 19.31 << 11.0;
    QTest::newRow("p1 귀하 right") << 0 << "귀하" << "left" << 190.97 << b1 + 20.90 << 9.0;
    const double b8 = 15.6 + 7 * 33.9;
    QTest::newRow("p1 last band name right") << 0 << "이름16" << "right" << 189.65 << b8 + 19.31 << 11.0;
    QTest::newRow("p1 last band postal code left") << 0 << "115-215" << "centre" << 26.27 << b8 + 3.70 << 9.0;
    // Page 2: one band at 10.0 mm with row 17 on its left only.
    const double b2 = 10.0;
    QTest::newRow("p2 (우)") << 1 << "(우)" << "left" << 12.38 << b2 + 3.44 << 9.0;
    QTest::newRow("p2 postal code") << 1 << "117-217" << "centre" << 26.27 << b2 + 3.70 << 9.0;
    QTest::newRow("p2 address") << 1 << "서울특별시 강남구 역삼동 17-18" << "left" << 12.38 << b2 + 9.53 << 9.0;
    QTest::newRow("p2 name") << 1 << "이름17" << "right" << 88.05 << b2 + 19.31 << 11.0;
    QTest::newRow("p2 귀하") << 1 << "귀하" << "left" << 92.29 << b2 + 20.90 << 9.0;
}

void TestLabelPdf::positions()
{
    QFETCH(int, page);
    QFETCH(QString, text);
    QFETCH(QString, edge);
    QFETCH(double, xMm);
    QFETCH(double, topMm);
    QFETCH(double, points);

    // The face's ascent and descent split the cell (800 and 200 of 1000 for this face); the
    // baseline lies one ascent below the label's top.
    const double cell = points * kMmPerPt;
    const double ascent = AscentMm({points, true});
    const double descentShare = 1 - ascent / cell;
    const double expectedBaseline = topMm + ascent;

    const Word* best = nullptr;
    double bestDistance = 1e9;
    for (const Word& w : words_) {
        if (w.page != page || w.text.trimmed() != text)
            continue;
        const double x = edge == "left" ? w.xMin : edge == "right" ? w.xMax : (w.xMin + w.xMax) / 2;
        const double baseline = w.yMax - (w.yMax - w.yMin) * descentShare;
        const double distance = std::hypot(x - xMm, baseline - expectedBaseline);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = &w;
        }
    }
    QVERIFY2(best, qPrintable("not found: " + text));
    const double x = edge == "left" ? best->xMin : edge == "right" ? best->xMax : (best->xMin + best->xMax) / 2;
    const double baseline = best->yMax - (best->yMax - best->yMin) * descentShare;
    QVERIFY2(std::abs(x - xMm) <= 0.2, qPrintable(QString("%1: x %2 mm, expected %3").arg(text).arg(x).arg(xMm)));
    QVERIFY2(std::abs(baseline - expectedBaseline) <= 0.2,
             qPrintable(QString("%1: baseline %2 mm, expected %3").arg(text).arg(baseline).arg(expectedBaseline)));
    // The cell's height is the font's size: the face is the one measured.
    QVERIFY(std::abs((best->yMax - best->yMin) - cell) <= 0.2);
}

void TestLabelPdf::pageContents()
{
    // Page 2 carries one left label and nothing on the right; no header text anywhere.
    int marks = 0, honorifics = 0;
    for (const Word& w : words_) {
        QVERIFY2(!w.text.contains("우편번호") && w.text.trimmed() != "이름" && w.text.trimmed() != "주소",
                 qPrintable(w.text));
        if (w.page != 1)
            continue;
        marks += w.text == "(우)";
        honorifics += w.text == "귀하";
        QVERIFY2(w.xMax < 105, qPrintable(w.text));
    }
    QCOMPARE(marks, 1);
    QCOMPARE(honorifics, 1);
    const QString info = Run("pdfinfo", {pdf_});
    QVERIFY2(info.contains(QRegularExpression(R"(Pages:\s+2\b)")), qPrintable(info));
    QVERIFY2(info.contains(QRegularExpression(R"(Page size:\s+595(\.\d+)? x 84[12](\.\d+)? pts \(A4\))")), qPrintable(info));
}

void TestLabelPdf::fontsEmbedded()
{
    const QStringList lines = Run("pdffonts", {pdf_}).split('\n', Qt::SkipEmptyParts).mid(2);
    QVERIFY(!lines.isEmpty());
    for (const QString& line : lines) {
        QVERIFY2(line.contains("NanumGothicCoding"), qPrintable(line));
        // Columns: name type encoding emb sub uni object ID
        const QStringList cols = line.split(' ', Qt::SkipEmptyParts);
        QVERIFY2(cols.size() >= 7 && cols[cols.size() - 5] == "yes", qPrintable(line));
    }
}

QTEST_MAIN(TestLabelPdf)
#include "test_label_pdf.moc"
