// The label pages against the layout they must have: page flow, pairing, fixed captions,
// positions, sizes and the text layout inside the labels.
#include "label_list.h"
#include "report/label_report.h"
#include "report/text_layout.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QRawFont>
#include <QtTest>
#include <cmath>

using namespace report;

namespace {

constexpr double kTol = 1e-6;

// The texts of one label band: those whose tops lie inside it.
std::vector<PlacedText> TextsOfBand(const ReportPage& page, int bandTopTenths)
{
    std::vector<PlacedText> out;
    const double top = bandTopTenths / 10.0;
    for (const PlacedText& t : page.texts)
        if (t.topMm >= top - kTol && t.topMm < top + 33.9 - kTol)
            out.push_back(t);
    return out;
}

QStringList LabelsOf(const std::vector<PlacedText>& texts)
{
    QStringList names;
    for (const PlacedText& t : texts)
        names << t.label;
    return names;
}

const PlacedText* Find(const std::vector<PlacedText>& texts, const QString& label, int line = 0)
{
    for (const PlacedText& t : texts)
        if (t.label == label && line-- == 0)
            return &t;
    return nullptr;
}

QStringList Lines(const std::vector<PlacedText>& texts, const QString& label)
{
    QStringList lines;
    for (const PlacedText& t : texts)
        if (t.label == label)
            lines << t.text;
    return lines;
}

// One band from one run of a single left/right pair.
std::vector<PlacedText> FirstBandOf(const std::vector<LabelEntry>& entries)
{
    LabelReport report;
    LabelList list(entries);
    const ReportDocument doc = report.Run(list);
    if (doc.pages.empty() || doc.pages[0].bands.size() < 2)
        return {};
    return TextsOfBand(doc.pages[0], doc.pages[0].bands[1].topTenths);
}

const QStringList kLeftFull = {"QRLabel1", "zip_code_1", "address_1", "name_1", "QRLabel3"};
const QStringList kRightFull = {"lb", "zip_code_2", "address_2", "name_2", "lb2"};

}  // namespace

class TestLabelPages : public QObject {
    Q_OBJECT
private slots:
    void pageFlow_data();
    void pageFlow();
    void laterRunsKeepTheOddLastBandEmpty();
    void listReadAfreshDuringARun();
    void headerRowNeverPrinted();
    void placement_data();
    void placement();
    void longNameGrowsLeft_data();
    void longNameGrowsLeft();
    void addressBox_data();
    void addressBox();
    void lineBreaksInCells_data();
    void lineBreaksInCells();
    void words_data();
    void words();
    void wrapRules_data();
    void wrapRules();
    void visibleLines_data();
    void visibleLines();
    void face();
};

void TestLabelPages::pageFlow_data()
{
    QTest::addColumn<int>("rowCount");  // header row included
    QTest::addColumn<bool>("blank");    // rows without texts, as after an empty search
    QTest::addColumn<int>("pages");
    QTest::addColumn<int>("bands");

    QTest::newRow("no rows at all") << 0 << false << 0 << 0;
    QTest::newRow("header row only") << 1 << false << 0 << 0;
    QTest::newRow("blank row of an empty result") << 2 << true << 1 << 1;
    QTest::newRow("one entry") << 2 << false << 1 << 1;
    QTest::newRow("two entries") << 3 << false << 1 << 1;
    QTest::newRow("three entries") << 4 << false << 1 << 2;
    QTest::newRow("fifteen entries") << 16 << false << 1 << 8;
    QTest::newRow("sixteen entries") << 17 << false << 1 << 8;
    QTest::newRow("seventeen entries") << 18 << false << 2 << 9;
    QTest::newRow("thirty-two entries") << 33 << false << 2 << 16;
    QTest::newRow("thirty-three entries") << 34 << false << 3 << 17;
}

void TestLabelPages::pageFlow()
{
    QFETCH(int, rowCount);
    QFETCH(bool, blank);
    QFETCH(int, pages);
    QFETCH(int, bands);

    LabelList list = LabelList::Numbered(std::max(0, rowCount - 1));
    if (blank)
        for (LabelEntry& e : list.entries)
            e = {};
    struct NoRows : LabelSource {
        int RowCount() const override { return 0; }
        QString Cell(int, int) const override { return {}; }
    } noRows;
    const LabelSource& source = rowCount == 0 ? static_cast<const LabelSource&>(noRows) : list;
    const int n = rowCount - 1;

    LabelReport report;
    const ReportDocument doc = report.Run(source);
    QCOMPARE(int(doc.pages.size()), pages);
    QCOMPARE(report.BandNumber, bands + 1);  // one need-data request per band and the final no

    int band = 0;
    for (int p = 0; p < pages; ++p) {
        const ReportPage& page = doc.pages[p];
        int expectedTop = 100;
        size_t b = 0;
        if (p == 0) {
            QCOMPARE(page.bands.at(0).band, QString("QRBand1"));
            QCOMPARE(page.bands.at(0).topTenths, 100);
            expectedTop = 156;
            b = 1;
        }
        QVERIFY(page.bands.size() - b <= 8);
        for (int k = 0; b < page.bands.size(); ++b, ++k) {
            QCOMPARE(page.bands[b].band, QString("QRBand10"));
            QCOMPARE(page.bands[b].topTenths, expectedTop + 339 * k);
            ++band;
            const std::vector<PlacedText> texts = TextsOfBand(page, page.bands[b].topTenths);
            const bool leftHasEntry = !blank;
            const bool rightExists = 2 * band <= n;
            QStringList expected = leftHasEntry ? kLeftFull : QStringList{"QRLabel1", "QRLabel3"};
            if (rightExists)
                expected += kRightFull;
            QCOMPARE(LabelsOf(texts), expected);
            if (leftHasEntry)
                QCOMPARE(Find(texts, "name_1")->text, list.entries[2 * band - 2].name);
            if (rightExists)
                QCOMPARE(Find(texts, "name_2")->text, list.entries[2 * band - 1].name);
        }
    }
    QCOMPARE(band, bands);
}

void TestLabelPages::laterRunsKeepTheOddLastBandEmpty()
{
    LabelReport report;
    LabelList four = LabelList::Numbered(4);
    LabelList three = LabelList::Numbered(3);
    report.Run(four);  // leaves both halves filled in the labels
    for (int run = 0; run < 3; ++run) {
        const ReportDocument doc = report.Run(three);
        QCOMPARE(doc.pages.size(), size_t(1));
        const ReportPage& page = doc.pages[0];
        QCOMPARE(page.bands.size(), size_t(3));
        QCOMPARE(LabelsOf(TextsOfBand(page, page.bands[1].topTenths)), kLeftFull + kRightFull);
        QCOMPARE(LabelsOf(TextsOfBand(page, page.bands[2].topTenths)), kLeftFull);
    }
}

void TestLabelPages::listReadAfreshDuringARun()
{
    // The list loses its last entry once the first band has been filled: the second band is
    // then the odd last band, with an empty right half.
    LabelList list = LabelList::Numbered(4);
    list.onRead = [&](int column, int row) {
        if (column == 2 && row == 2 && list.entries.size() == 4)
            list.entries.pop_back();
    };
    LabelReport report;
    const ReportDocument doc = report.Run(list);
    const ReportPage& page = doc.pages.at(0);
    QCOMPARE(page.bands.size(), size_t(3));
    const std::vector<PlacedText> second = TextsOfBand(page, page.bands[2].topTenths);
    QCOMPARE(LabelsOf(second), kLeftFull);
    QCOMPARE(Find(second, "name_1")->text, QString("이름3"));

    // Growing instead adds the band that the new rows need.
    LabelList growing = LabelList::Numbered(2);
    growing.onRead = [&](int column, int row) {
        if (column == 2 && row == 2 && growing.entries.size() == 2)
            growing.entries.push_back({"이름3", "103-203", "부산"});
    };
    const ReportDocument grown = report.Run(growing);
    QCOMPARE(grown.pages.at(0).bands.size(), size_t(3));
}

void TestLabelPages::headerRowNeverPrinted()
{
    LabelReport report;
    LabelList list = LabelList::Numbered(5);
    QList<int> rowsRead;
    list.onRead = [&](int, int row) { rowsRead << row; };
    const ReportDocument doc = report.Run(list);
    QVERIFY(!rowsRead.contains(0));
    QVERIFY(!rowsRead.contains(6));  // the missing right half of the odd last band
    for (const PlacedText& t : doc.pages.at(0).texts)
        QVERIFY2(t.text.trimmed() != "이름" && t.text.trimmed() != "우편번호" && t.text.trimmed() != "주소",
                 qPrintable(t.text));
}

void TestLabelPages::placement_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("edge");    // the edge that the layout fixes: left, centre or right
    QTest::addColumn<double>("xMm");      // from the sheet's left edge
    QTest::addColumn<double>("topMm");    // from the band's top
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("bold");

    QTest::newRow("(우) left") << "QRLabel1" << "left" << 12.38 << 3.44 << 9.0 << false;
    QTest::newRow("postal code left") << "zip_code_1" << "centre" << 26.27 << 3.70 << 9.0 << true;
    QTest::newRow("address left") << "address_1" << "left" << 12.38 << 9.53 << 9.0 << true;
    QTest::newRow("name left") << "name_1" << "right" << 88.05 << 19.31 << 11.0 << true;
    QTest::newRow("귀하 left") << "QRLabel3" << "left" << 92.29 << 20.90 << 9.0 << true;
    QTest::newRow("(우) right") << "lb" << "left" << 111.07 << 3.44 << 9.0 << false;
    QTest::newRow("postal code right") << "zip_code_2" << "centre" << 126.02 << 3.70 << 9.0 << true;
    QTest::newRow("address right") << "address_2" << "left" << 111.07 << 9.53 << 9.0 << true;
    QTest::newRow("name right") << "name_2" << "right" << 189.65 << 19.31 << 11.0 << true;
    QTest::newRow("귀하 right") << "lb2" << "left" << 190.97 << 20.90 << 9.0 << true;
}

void TestLabelPages::placement()
{
    QFETCH(QString, label);
    QFETCH(QString, edge);
    QFETCH(double, xMm);
    QFETCH(double, topMm);
    QFETCH(double, points);
    QFETCH(bool, bold);

    LabelReport report;
    LabelList list = LabelList::Numbered(18);
    const ReportDocument doc = report.Run(list);
    QCOMPARE(doc.pages.size(), size_t(2));
    // The first band of page 1 (15.6 mm below the sheet's top) and of page 2 (10.0 mm).
    for (const auto& [page, bandTop] : {std::pair{0, 15.6}, std::pair{1, 10.0}}) {
        const std::vector<PlacedText> texts = TextsOfBand(doc.pages[page], qRound(bandTop * 10));
        const PlacedText* t = Find(texts, label);
        QVERIFY(t);
        const double x = edge == "left" ? t->leftMm : edge == "right" ? t->leftMm + t->widthMm : t->leftMm + t->widthMm / 2;
        QVERIFY2(std::abs(x - xMm) < kTol, qPrintable(QString("%1 at %2").arg(t->text).arg(x)));
        QVERIFY(std::abs(t->topMm - (bandTop + topMm)) < kTol);
        QVERIFY(std::abs(t->baselineMm - t->topMm - AscentMm(t->font)) < kTol);
        QCOMPARE(t->font.pointSize, points);
        QCOMPARE(t->font.bold, bold);
        QVERIFY(t->widthMm > 0);
    }
}

void TestLabelPages::longNameGrowsLeft_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("one syllable") << "김";
    QTest::newRow("usual") << "홍길동";
    QTest::newRow("long, mixed") << "대한민국주식회사 Korea Trading Co.";
    QTest::newRow("longer than the label") << QString("가나다라마바사아자차카타파하").repeated(3);
}

void TestLabelPages::longNameGrowsLeft()
{
    QFETCH(QString, name);
    const std::vector<PlacedText> band = FirstBandOf({{name, "1", "a"}, {name, "2", "b"}});
    const double expectedWidth = TextWidthMm({11, true}, name);
    for (const auto& [label, rightEdge] : {std::pair{"name_1", 88.05}, std::pair{"name_2", 189.65}}) {
        const PlacedText* t = Find(band, label);
        QVERIFY(t);
        QCOMPARE(t->text, name);  // never wrapped
        QVERIFY(std::abs(t->leftMm + t->widthMm - rightEdge) < kTol);
        QVERIFY(std::abs(t->widthMm - expectedWidth) < kTol);
    }
}

void TestLabelPages::addressBox_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<QStringList>("lines");

    const QString seoul = "서울특별시 ";  // 5 full-width syllables and a space
    QTest::newRow("one line") << "서울특별시 강남구 역삼동 123-45 " << QStringList{"서울특별시 강남구 역삼동 123-45 "};
    // Four of these words fill 69.85 mm; a fifth would reach 87.3 mm, so it starts a new line
    // whole: Hangul is never broken inside a word.
    QTest::newRow("Hangul words wrap whole") << seoul.repeated(6)
                                             << QStringList{seoul.repeated(4), seoul.repeated(2)};
    QTest::newRow("too long for three lines") << seoul.repeated(14)
                                              << QStringList{seoul.repeated(4), seoul.repeated(4), seoul.repeated(4)};
    // 51 half-width letters are 80.96 mm, 52 would be 82.55 mm: the word is cut, its rest lost,
    // and the next word starts the next line.
    QTest::newRow("word wider than the box") << QString(60, 'A') + " 강남구"
                                             << QStringList{QString(51, 'A'), "강남구"};
    // 25 syllables are 79.38 mm, 26 would be 82.55 mm.
    QTest::newRow("Hangul word wider than the box") << QString("가").repeated(30) << QStringList{QString("가").repeated(25)};
    QTest::newRow("hyphens end words") << QString("12345-").repeated(9) + "X"
                                       << QStringList{QString("12345-").repeated(8), "12345-X"};
    QTest::newRow("carriage return starts a line") << "서울특별시 강남구\r\n역삼동 123-45"
                                                   << QStringList{"서울특별시 강남구", "역삼동 123-45"};
    QTest::newRow("line feed alone is dropped") << "서울특별시\n강남구" << QStringList{"서울특별시강남구"};
    QTest::newRow("empty line keeps its place") << "첫째 줄\r\r셋째 줄" << QStringList{"첫째 줄", "셋째 줄"};
    QTest::newRow("fourth line after returns is not drawn") << "1\r2\r3\r4" << QStringList{"1", "2", "3"};
}

void TestLabelPages::addressBox()
{
    QFETCH(QString, address);
    QFETCH(QStringList, lines);
    const std::vector<PlacedText> band = FirstBandOf({{"이름", "1", address}, {"이름", "2", address}});
    const double lineHeight = LineHeightMm({9, true});
    for (const auto& [label, left] : {std::pair{"address_1", 12.38}, std::pair{"address_2", 111.07}}) {
        QCOMPARE(Lines(band, label), lines);
        int line = 0;
        for (const PlacedText& t : band) {
            if (t.label != label)
                continue;
            QVERIFY(std::abs(t.leftMm - left) < kTol);
            QVERIFY(t.widthMm < 82.02);
            // Lines lie at the cell height; an empty line keeps its place.
            const double offset = (t.topMm - (15.6 + 9.53)) / lineHeight;
            QVERIFY(std::abs(offset - std::round(offset)) < kTol);
            QVERIFY(std::round(offset) >= line);
            QVERIFY(std::round(offset) <= 2);
            line = int(std::round(offset)) + 1;
        }
    }
}

void TestLabelPages::lineBreaksInCells_data()
{
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("zip");
    QTest::addColumn<QStringList>("lines");

    // Two 11 pt lines (7.75 mm) fit the name's 7.67 mm box within the 0.1 mm allowance.
    QTest::newRow("name over two lines") << "name_1" << "홍\r\n길동" << "1" << QStringList{"홍", "길동"};
    QTest::newRow("third name line not drawn") << "name_1" << "가\r나\r다" << "1" << QStringList{"가", "나"};
    QTest::newRow("line feed in a name") << "name_1" << "홍\n길동" << "1" << QStringList{"홍길동"};
    // A second 9 pt line (6.35 mm) lies below the 4.76 mm box.
    QTest::newRow("second postal code line not drawn") << "zip_code_1" << "홍" << "135\r\n080" << QStringList{"135"};
    QTest::newRow("line feed in a postal code") << "zip_code_1" << "홍" << "135\n-080" << QStringList{"135-080"};
}

void TestLabelPages::lineBreaksInCells()
{
    QFETCH(QString, label);
    QFETCH(QString, name);
    QFETCH(QString, zip);
    QFETCH(QStringList, lines);
    const std::vector<PlacedText> band = FirstBandOf({{name, zip, "a"}});
    QCOMPARE(Lines(band, label), lines);
    const PlacedText* first = Find(band, label, 0);
    for (int i = 0; i < lines.size(); ++i) {
        const PlacedText* t = Find(band, label, i);
        QVERIFY(std::abs(t->topMm - first->topMm - i * LineHeightMm(t->font)) < kTol);
        if (label == "name_1")  // every line ends at the right edge
            QVERIFY(std::abs(t->leftMm + t->widthMm - 88.05) < kTol);
        else  // every line centred
            QVERIFY(std::abs(t->leftMm + t->widthMm / 2 - 26.27) < kTol);
    }
}

void TestLabelPages::words_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("words");
    QTest::newRow("spaces") << "a bc d" << QStringList{"a ", "bc ", "d"};
    QTest::newRow("hyphens") << "12-34-5" << QStringList{"12-", "34-", "5"};
    QTest::newRow("double space") << "a  b" << QStringList{"a ", " ", "b"};
    QTest::newRow("Hangul run is one word") << "서울특별시강남구" << QStringList{"서울특별시강남구"};
    QTest::newRow("full-width space and dash do not end words") << "가\u3000나\u2010다" << QStringList{"가\u3000나\u2010다"};
    QTest::newRow("trailing space") << "가나 " << QStringList{"가나 "};
    QTest::newRow("empty") << "" << QStringList{};
}

void TestLabelPages::words()
{
    QFETCH(QString, text);
    QFETCH(QStringList, words);
    QCOMPARE(WrapWords(text), words);
}

void TestLabelPages::wrapRules_data()
{
    // Measured at 1 mm per character, in a box 5 mm wide.
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("fits") << "ab c" << QStringList{"ab c"};
    QTest::newRow("line must stay narrower than the box") << "ab cd" << QStringList{"ab ", "cd"};
    QTest::newRow("trailing space counts") << "ab c d" << QStringList{"ab ", "c d"};
    QTest::newRow("trailing space makes it too wide") << "abc d ef" << QStringList{"abc ", "d ef"};
    QTest::newRow("long word cut, rest dropped") << "abcdefgh ij" << QStringList{"abcd", "ij"};
    QTest::newRow("long word after others starts its own line") << "a bcdefgh" << QStringList{"a ", "bcde"};
    QTest::newRow("word of exactly the box width is cut") << "abcde" << QStringList{"abcd"};
    QTest::newRow("return inside") << "ab\r\ncd" << QStringList{"ab", "cd"};
    QTest::newRow("surrogate pair stays whole") << QString("abc") + QString::fromUcs4(U"\U0001F600") + "de"
                                                << QStringList{"abc"};
}

void TestLabelPages::wrapRules()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);
    // A surrogate pair counts as two characters here, so the emoji would reach 5 mm.
    QCOMPARE(WrapCaption(text, 5, [](const QString& s) { return double(s.size()); }), lines);
}

void TestLabelPages::visibleLines_data()
{
    QTest::addColumn<int>("lines");
    QTest::addColumn<double>("lineHeight");
    QTest::addColumn<double>("boxHeight");
    QTest::addColumn<int>("shown");
    QTest::newRow("address box at 9 pt") << 5 << 3.175 << 9.79 << 3;
    QTest::newRow("bottom exactly 0.1 mm below") << 5 << 3.175 << 9.425 << 3;
    QTest::newRow("bottom just over 0.1 mm below") << 5 << 3.175 << 9.42 << 2;
    QTest::newRow("fewer lines than room") << 1 << 3.175 << 9.79 << 1;
    QTest::newRow("name box at 11 pt") << 3 << 3.8735 << 7.67 << 2;
    QTest::newRow("first line too tall") << 1 << 5.0 << 4.76 << 0;
}

void TestLabelPages::visibleLines()
{
    QFETCH(int, lines);
    QFETCH(double, lineHeight);
    QFETCH(double, boxHeight);
    QFETCH(int, shown);
    QCOMPARE(VisibleLineCount(lines, lineHeight, boxHeight), shown);
}

void TestLabelPages::face()
{
    // This machine has no 굴림체: the fixed-pitch stand-in, Hangul twice as wide as Latin.
    QCOMPARE(ReportFaceFamily(), QString("NanumGothicCoding"));
    // fontconfig names a face in the locale's language where it can ("나눔고딕코딩" under ko_KR):
    // compare the font files' own name tables, which carry the English name in every locale.
    const QByteArray names = QRawFont::fromFont(ToQFont({9, true})).fontTable("name");
    const QString english = QStringLiteral("NanumGothicCoding");
    QByteArray utf16be;
    for (QChar c : english)
        utf16be.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xff));
    QVERIFY(names.contains(utf16be) || names.contains(english.toLatin1()));
    QVERIFY(std::abs(TextWidthMm({9, false}, "가") - 2 * TextWidthMm({9, false}, "a")) < kTol);
    QVERIFY(std::abs(LineHeightMm({9, false}) - 9 * 25.4 / 72) < 0.01);
    QVERIFY(std::abs(LineHeightMm({11, true}) - 11 * 25.4 / 72) < 0.01);

    // Widths add up per character, yet equal what shaping the whole text gives (what the
    // painter draws), also where characters join: jamo typed letter by letter, a combining mark.
    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(qRound(1200 / 0.0254));
    device.setDotsPerMeterY(qRound(1200 / 0.0254));
    const QStringList samples = {"서울특별시 강남구 역삼동 123-45 (한신빌딩)", "AVAWAY To.Ta", "Ｆｕｌｌ－ｗｉｄｔｈ　전각",
                                 QString::fromUtf8("한글"), "été",
                                 QString::fromUcs4(U"😀 a")};
    for (const ReportFont font : {ReportFont{9, false}, ReportFont{9, true}, ReportFont{11, true}})
        for (const QString& s : samples) {
            const double shaped = QFontMetricsF(ToQFont(font), &device).horizontalAdvance(s) * 25.4 / 1200;
            QVERIFY2(std::abs(TextWidthMm(font, s) - shaped) < 1e-6,
                     qPrintable(QString("%1: %2 vs %3").arg(s).arg(TextWidthMm(font, s)).arg(shaped)));
        }
}

QTEST_MAIN(TestLabelPages)
#include "test_label_pages.moc"
