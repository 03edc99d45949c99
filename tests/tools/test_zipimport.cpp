// The set-up tools as a user runs them: zipimport builds zipcode.db from a directory file,
// newbook creates an empty address book; neither may ever damage a file that is there.
#include "processsupport.h"
#include "testsupport.h"

#include "store/paths.h"
#include "store/zipcode_directory.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using Rows = QList<QStringList>;

namespace {

using testsupport::ReadFile;
using testsupport::Run;
using testsupport::WriteFile;

Run RunTool(const QString& tool, const QStringList& args)
{
    return testsupport::RunProcess(QString(BINARY_DIR) + "/" + tool, args);
}

const auto ToCp949 = testsupport::EncodeCp949;

// Single-row queries and whole-table reads through the C API, read-only.
QList<QStringList> Select(const QString& path, const char* sql)
{
    QList<QStringList> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW) {
                QStringList row;
                for (int c = 0; c < sqlite3_column_count(st); ++c)
                    row << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)));
                rows << row;
            }
        } else {
            rows << QStringList{"error: " + QString::fromUtf8(sqlite3_errmsg(db))};
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return rows;
}

Rows ZipRows(const QString& path)
{
    return Select(path, "SELECT zipcode, sido, gugun, dong, ri, bldg, bunji FROM zipcode ORDER BY rowid");
}

QStringList Entries(const QString& dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                               QDir::Name);
}

const QStringList kA{"135-080", "서울특별시", "강남구", "역삼동", "", "", ""};
const QStringList kB{"135-280", "서울특별시", "강남구", "대치동", "", "은마아파트 (1∼28동)", "316"};
const QStringList kC{"417-830", "인천광역시", "강화군", "길상면", "온수리", "", ""};
const QStringList kD{"110-012", "서울특별시", "종로구", "평창동", "", "", "산1∼20"};
const QStringList kE{"100-070", "서울특별시", "중구", "소공동", "", "똠빌딩", ""};  // 똠: CP949 beyond EUC-KR
const Rows kRows{kA, kB, kC, kD, kE};
const QString kHeader = "ZIPCODE\tSIDO\tGUGUN\tDONG\tRI\tBLDG\tBUNJI";

QString Lines(const Rows& rows, const QString& sep, const QString& header, const QString& eol = "\n")
{
    QString text = header + eol;
    for (const QStringList& r : rows)
        text += r.join(sep) + eol;
    return text;
}

// A good directory at dir/zipcode.db, built by the tool itself.
QByteArray MakeDirectory(const QString& dir)
{
    const QString source = dir + "/good.tsv";
    WriteFile(source, Lines({kA, kC}, "\t", kHeader).toUtf8());
    const Run r = RunTool("zipimport", {source, dir + "/zipcode.db"});
    if (r.code != 0)
        return {};
    QFile::remove(source);
    return ReadFile(dir + "/zipcode.db");
}


// Korea Post's five-digit layouts, with the header spellings of two kinds of release.
const QString kRoadHeader =
    "우편번호|시도|시도영문|시군구|시군구영문|읍면|읍면영문|도로명|도로명영문|지하여부|"
    "시작건물번호(주)|시작건물번호(부)|끝건물번호(주)|끝건물번호(부)|범위종류";
const QString kRoadHeader2 =
    "구역번호|시도명|시도명(영문)|시군구명|시군구명(영문)|읍면명|읍면명(영문)|도로명|도로명(영문)|지하여부|"
    "건물번호본번(시작)|건물번호부번(시작)|건물번호본번(종료)|건물번호부번(종료)|범위종류";
const QString kLotHeader =
    "우편번호|시도|시도영문|시군구|시군구영문|읍면동|읍면동영문|리명|산여부|행정동|시작주번지|시작부번지|끝주번지|끝부번지";
const QString kLotHeader2 =
    "구역번호|시도명|시도명(영문)|시군구명|시군구명(영문)|읍면동명|읍면동명(영문)|리|산여부|행정동명|"
    "지번본번(시작)|지번부번(시작)|지번본번(종료)|지번부번(종료)";
QString BuildingHeader(const QString& zip)
{
    return zip + "|시도|시도영문|시군구|시군구영문|읍면|읍면영문|도로명코드|도로명|도로명영문|지하여부|건물번호본번|"
                 "건물번호부번|건물관리번호|다량배달처명|시군구용건물명|법정동코드|법정동명|리명|행정동명|산여부|"
                 "지번본번|읍면동일련번호|지번부번|구우편번호|우편번호일련번호";
}

// Rows in the source layouts and the directory rows they become.
const QString kRoadCity = "06236|서울특별시|Seoul|강남구|Gangnam-gu|||테헤란로|Teheran-ro|0|152|0|152|0|0";
const QString kRoadMyeon =
    "25627|강원특별자치도|Gangwon-do|강릉시|Gangneung-si|강동면|Gangdong-myeon|심곡길|Simgok-gil|0|1|0|99|0|3";
const QString kRoadUnder = "04524|서울특별시|Seoul|중구|Jung-gu|||세종대로|Sejong-daero|1|2|0|14|0|2";
const QString kRoadOdd = "01000|서울특별시|Seoul|강북구|Gangbuk-gu|||삼양로177길|Samyang-ro 177-gil|0|93|0|125|0|1";
const QString kRoadSub =
    "48058|부산광역시|Busan|해운대구|Haeundae-gu|||해운대해변로|Haeundaehaebyeon-ro|0|197|3|209|0|3";
const QString kLotRi = "25627|강원특별자치도|Gangwon-do|강릉시|Gangneung-si|강동면|Gangdong-myeon|모전리|0||2|0|878|0";
const QString kLotSan = "03000|서울특별시|Seoul|종로구|Jongno-gu|평창동|Pyeongchang-dong||1|평창동|12|1|15|0";
const QString kLotOne = "06236|서울특별시|Seoul|강남구|Gangnam-gu|역삼동|Yeoksam-dong||0|역삼1동|737|0|737|0";
const QString kBuilding =
    "06236|서울특별시|Seoul|강남구|Gangnam-gu|||116803122001|테헤란로|Teheran-ro|0|152|0|1168010100107370000000001||"
    "강남파이낸스센터|1168010100|역삼동||역삼1동|0|737|01|0|135984|001";
const QString kBuildingMyeon =
    "25627|강원특별자치도|Gangwon-do|강릉시|Gangneung-si|강동면|Gangdong-myeon|421503000000|심곡길|Simgok-gil|1|5|2|"
    "4215036022100010000000001|||4215036022|심곡리|심곡리|강동면|0|1|01|0|210934|001";

const QStringList kRoadCityRow{"06236", "서울특별시", "강남구", "테헤란로", "", "", "152"};
const QStringList kRoadMyeonRow{"25627", "강원특별자치도", "강릉시", "강동면 심곡길", "", "", "1∼99"};
const QStringList kRoadUnderRow{"04524", "서울특별시", "중구", "세종대로", "", "", "지하 2∼14 (짝수)"};
const QStringList kRoadOddRow{"01000", "서울특별시", "강북구", "삼양로177길", "", "", "93∼125 (홀수)"};
const QStringList kRoadSubRow{"48058", "부산광역시", "해운대구", "해운대해변로", "", "", "197-3∼209"};
const QStringList kLotRiRow{"25627", "강원특별자치도", "강릉시", "강동면", "모전리", "", "2∼878"};
const QStringList kLotSanRow{"03000", "서울특별시", "종로구", "평창동", "", "", "산 12-1∼15"};
const QStringList kLotOneRow{"06236", "서울특별시", "강남구", "역삼동", "", "", "737"};
const QStringList kBuildingRow{"06236", "서울특별시", "강남구", "테헤란로", "", "강남파이낸스센터", "152"};
const QStringList kBuildingMyeonRow{"25627", "강원특별자치도", "강릉시", "강동면 심곡길", "", "", "지하 5-2"};

QString Text(const QString& header, const QStringList& lines, const QString& eol)
{
    return header + eol + lines.join(eol) + eol;
}

// Korea Post's five-digit layouts, in both header spellings and every encoding.
void AddKoreaPostLayouts()
{
    const QStringList road{kRoadCity, kRoadMyeon, kRoadUnder, kRoadOdd, kRoadSub};
    const Rows roadRows{kRoadCityRow, kRoadMyeonRow, kRoadUnderRow, kRoadOddRow, kRoadSubRow};
    const QStringList lot{kLotRi, kLotSan, kLotOne};
    const Rows lotRows{kLotRiRow, kLotSanRow, kLotOneRow};
    const QStringList building{kBuilding, kBuildingMyeon};
    const Rows buildingRows{kBuildingRow, kBuildingMyeonRow};

    QTest::newRow("road-name range, UTF-8, CRLF") << Text(kRoadHeader, road, "\r\n").toUtf8() << roadRows
                                                  << "road-name range layout, UTF-8, '|'-separated";
    QTest::newRow("road-name range, other spellings, CP949, LF")
        << ToCp949(Text(kRoadHeader2, road, "\n")) << roadRows << "road-name range layout, CP949, '|'-separated";
    QTest::newRow("lot-number range, UTF-8 with BOM, LF")
        << "\xEF\xBB\xBF" + Text(kLotHeader, lot, "\n").toUtf8() << lotRows
        << "lot-number range layout, UTF-8 with BOM, '|'-separated";
    QTest::newRow("lot-number range, other spellings, CP949, CRLF")
        << ToCp949(Text(kLotHeader2, lot, "\r\n")) << lotRows << "lot-number range layout, CP949, '|'-separated";
    QTest::newRow("building, UTF-8, CRLF") << Text(BuildingHeader("우편번호"), building, "\r\n").toUtf8()
                                           << buildingRows << "full building layout, UTF-8, '|'-separated";
    QTest::newRow("building, 새우편번호, CP949, LF")
        << ToCp949(Text(BuildingHeader("새우편번호"), building, "\n")) << buildingRows
        << "full building layout, CP949, '|'-separated";

    // Blanks in header names, a trailing separator on every line, tab-separated.
    QString loose = QString(kLotHeader).replace("|", " \t ").replace("시작주번지", "시작 주번지") + "\t\n";
    for (const QString& line : lot)
        loose += QString(line).replace('|', '\t') + "\t\n";
    QTest::newRow("lot-number range, loose, tab") << loose.toUtf8() << lotRows
                                                  << "lot-number range layout, UTF-8, tab-separated";
}

}  // namespace

class TestZipimport : public QObject {
    Q_OBJECT

private slots:
    void importsEachLayout_data();
    void importsEachLayout();
    void rejectsBadRows_data();
    void rejectsBadRows();
    void badSourceLeavesDirectoryIntact_data();
    void badSourceLeavesDirectoryIntact();
    void replacesAPreviousDirectory();
    void neverReplacesOtherFiles_data();
    void neverReplacesOtherFiles();
    void sampleDirectoryImportsCleanly();
    void addressTextsOfEachKind_data();
    void addressTextsOfEachKind();
    void rejectsBadFiveDigitRows_data();
    void rejectsBadFiveDigitRows();
    void importsFoldersOfFiles();
    void oneUnreadableFileChangesNothing();
    void fiveDigitSampleImportsCleanly();

    void newbookCreatesTheSchema();
    void newbookAddsTheUnitIndexOnRequest();
    void newbookRefusesAnythingAtThePath_data();
    void newbookRefusesAnythingAtThePath();
};

void TestZipimport::importsEachLayout_data()
{
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<Rows>("expected");
    QTest::addColumn<QString>("reported");  // encoding and separator as the tool names them

    const QString tab = Lines(kRows, "\t", kHeader);
    const QString comma = Lines(kRows, ",", QString(kHeader).replace('\t', ','));
    QTest::newRow("UTF-8, tab") << tab.toUtf8() << kRows << "six-digit layout, UTF-8, tab-separated";
    QTest::newRow("UTF-8 with BOM, tab") << "\xEF\xBB\xBF" + tab.toUtf8() << kRows
                                         << "six-digit layout, UTF-8 with BOM, tab-separated";
    QTest::newRow("UTF-8, comma") << comma.toUtf8() << kRows << "six-digit layout, UTF-8, comma-separated";
    QTest::newRow("CP949, tab") << ToCp949(tab) << kRows << "six-digit layout, CP949, tab-separated";
    QTest::newRow("CP949, comma") << ToCp949(comma) << kRows << "six-digit layout, CP949, comma-separated";
    // CP949 bytes written out, so the decoding does not rest on our own encoder.
    QTest::newRow("CP949 bytes")
        << QByteArray("ZIPCODE,SIDO,GUGUN,DONG,BUNJI\r\n135-080,\xbc\xad\xbf\xef\xc6\xaf\xba\xb0\xbd\xc3,"
                      "\xb0\xad\xb3\xb2\xb1\xb8,\xbf\xaa\xbb\xef\xb5\xbf,\r\n")
        << Rows{kA} << "CP949, comma-separated";

    // Quoted fields: separators and doubled quotes inside, blanks outside, empty quotes.
    QStringList bQuoted = kB;
    bQuoted[5] = "은마아파트 (1∼28동), \"상가\"";
    const QByteArray quoted =
        "\"ZIPCODE\",\"SIDO\",\"GUGUN\",\"DONG\",\"RI\",\"BLDG\",\"BUNJI\"\n"
        "\"135-080\",\"서울특별시\",\"강남구\",\"역삼동\",\"\",\"\",\"\"\n"
        "\"135-280\", \"서울특별시\" ,강남구,\"대치동\",,\"은마아파트 (1∼28동), \"\"상가\"\"\",\"316\"\n";
    QTest::newRow("quoted, comma") << quoted << Rows{kA, bQuoted} << "UTF-8, comma-separated";

    Rows noRiBldg;
    QString korean = "우편번호,시도,시군구,읍면동,번지\n";
    for (const QStringList& r : kRows) {
        noRiBldg << QStringList{r[0], r[1], r[2], r[3], "", "", r[6]};
        korean += QStringList{r[0], r[1], r[2], r[3], r[6]}.join(',') + "\n";
    }
    QTest::newRow("Korean names, no ri and bldg") << korean.toUtf8() << noRiBldg
                                                  << "UTF-8, comma-separated";

    QString reordered = "seq|bunji|Dong|zipcode|gugun|sido|bldg|ri\r\n";
    for (int i = 0; i < kRows.size(); ++i) {
        const QStringList& r = kRows[i];
        reordered += QStringList{QString::number(i + 1), r[6], r[3], r[0], r[2], r[1], r[5], r[4]}.join('|') +
                     "\r\n";
    }
    QTest::newRow("any case and order, '|', CRLF") << reordered.toUtf8() << kRows << "UTF-8, '|'-separated";

    // Six digits get their hyphen; blanks around values, a trailing separator and blank
    // lines are not data.
    const QByteArray loose = (kHeader + "\n\n 135080 \t 서울특별시\t강남구 \t역삼동\t\t\t\t\n"
                                        "110-012\t서울특별시\t종로구\t평창동\t\t\t산1∼20\n\n")
                                 .toUtf8();
    QTest::newRow("loose") << loose << Rows{kA, kD} << "UTF-8, tab-separated";

    // Five digits stay five digits; lots may come as a first and a last column.
    const QByteArray firstLast = "ZIPCODE\tSIDO\tGUGUN\tDONG\tST_BUNJI\tED_BUNJI\tSEQ\n"
                                 "06236\t서울특별시\t강남구\t역삼동\t1\t99\t1\n"
                                 "135-080\t서울특별시\t강남구\t역삼동\t12\t12\t2\n"
                                 "135-080\t서울특별시\t강남구\t역삼동\t\t\t3\n";
    QTest::newRow("five digits, ST_BUNJI and ED_BUNJI")
        << firstLast
        << Rows{{"06236", "서울특별시", "강남구", "역삼동", "", "", "1∼99"},
                {"135-080", "서울특별시", "강남구", "역삼동", "", "", "12"},
                {"135-080", "서울특별시", "강남구", "역삼동", "", "", ""}}
        << "six-digit layout, UTF-8, tab-separated";

    AddKoreaPostLayouts();
}

void TestZipimport::importsEachLayout()
{
    QFETCH(QByteArray, source);
    QFETCH(Rows, expected);
    QFETCH(QString, reported);
    QVERIFY(!source.isEmpty());
    QTemporaryDir dir;
    WriteFile(dir.filePath("source.txt"), source);

    const Run r = RunTool("zipimport", {dir.filePath("source.txt"), dir.filePath("zipcode.db")});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QVERIFY2(r.out.contains(reported), qPrintable(r.out));
    QVERIFY2(r.out.contains(QString("%1 rows read, 0 rejected, %1 written").arg(expected.size())),
             qPrintable(r.out));
    QCOMPARE(ZipRows(dir.filePath("zipcode.db")), expected);
    QCOMPARE(Entries(dir.path()), (QStringList{"source.txt", "zipcode.db"}));

    // The lookup by postal code goes through an index.
    const auto plan = Select(dir.filePath("zipcode.db"),
                             "EXPLAIN QUERY PLAN select * from zipcode where zipcode='135-080'");
    QVERIFY(!plan.isEmpty());
    QVERIFY2(plan.first().last().contains("USING INDEX"), qPrintable(plan.first().join(' ')));
}

void TestZipimport::rejectsBadRows_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("reason");
    QTest::newRow("too few fields") << "135-090\t서울특별시\t강남구" << "wrong field count (expected 7, found 3)";
    QTest::newRow("text in an extra field") << kA.join('\t') + "\tmore"
                                            << "wrong field count (expected 7, found 8)";
    QTest::newRow("empty zipcode") << "\t서울특별시\t강남구\t삼성동\t\t\t" << "empty zipcode";
    QTest::newRow("hyphen misplaced") << "13-5090\t서울특별시\t강남구\t삼성동\t\t\t"
                                      << "malformed zipcode \"13-5090\" (expected NNNNN or NNN-NNN)";
    QTest::newRow("four digits") << "0623\t서울특별시\t강남구\t역삼동\t\t\t" << "malformed zipcode \"0623\"";
    QTest::newRow("letter O") << "135-09O\t서울특별시\t강남구\t삼성동\t\t\t" << "malformed zipcode \"135-09O\"";
    QTest::newRow("unterminated quote") << "\"135-090\t서울특별시\t강남구\t삼성동\t\t\t"
                                        << "unterminated quoted field";
    QTest::newRow("text after a quote") << "\"135-090\"x\t서울특별시\t강남구\t삼성동\t\t\t"
                                        << "text after a closing quote";
}

void TestZipimport::rejectsBadRows()
{
    QFETCH(QString, line);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    WriteFile(dir.filePath("source.tsv"), (Lines({kA}, "\t", kHeader) + line + "\n" + kD.join('\t')).toUtf8());

    const Run r = RunTool("zipimport", {dir.filePath("source.tsv"), dir.filePath("zipcode.db")});
    QCOMPARE(r.code, 0);
    QVERIFY2(r.err.contains("line 3: rejected: " + reason), qPrintable(r.err));
    QCOMPARE(r.err.count("rejected"), 1);
    QVERIFY2(r.out.contains("3 rows read, 1 rejected, 2 written"), qPrintable(r.out));
    QCOMPARE(ZipRows(dir.filePath("zipcode.db")), (Rows{kA, kD}));
}

void TestZipimport::badSourceLeavesDirectoryIntact_data()
{
    QTest::addColumn<QByteArray>("source");  // null: no source file at all
    QTest::addColumn<QString>("message");
    const QByteArray header = kHeader.toUtf8() + "\n";
    QTest::newRow("no source file") << QByteArray() << "cannot read";
    QTest::newRow("empty file") << QByteArray("") << "the file is empty";
    QTest::newRow("header only") << header << "no row could be imported; ";
    QTest::newRow("every row rejected") << header + "1350\tx\ty\tz\t\t\t\n\t\t\t\t\t\t\n"
                                        << "no row could be imported; ";
    QTest::newRow("no zipcode column") << QByteArray("SIDO\tGUGUN\tDONG\tBUNJI\n서울특별시\t강남구\t역삼동\t\n")
                                       << "line 1: the header line does not name the columns ZIPCODE (우편번호)";
    QTest::newRow("a column named twice") << QByteArray("ZIPCODE\tSIDO\tGUGUN\tDONG\tBUNJI\t우편번호\n")
                                          << "names the column 우편번호 twice";
    QTest::newRow("neither UTF-8 nor CP949") << header + kA.join('\t').toUtf8() + "\n135-090\t\x80\x80\t\t\t\t\t\n"
                                             << "neither valid UTF-8 (first fault on line 3) nor valid CP949";
    QTest::newRow("BOM but not UTF-8") << "\xEF\xBB\xBF" + header + ToCp949(kA.join('\t'))
                                       << "line 2: not valid UTF-8";
    QTest::newRow("UTF-16") << QByteArray("\xFF\xFEZ\0I\0P\0", 8) << "UTF-16";
}

void TestZipimport::badSourceLeavesDirectoryIntact()
{
    QFETCH(QByteArray, source);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QByteArray before = MakeDirectory(dir.path());
    QVERIFY(!before.isEmpty());
    if (!source.isNull())
        WriteFile(dir.filePath("source.txt"), source);
    const QStringList entries = Entries(dir.path());

    const Run r = RunTool("zipimport", {dir.filePath("source.txt"), dir.filePath("zipcode.db")});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(ReadFile(dir.filePath("zipcode.db")), before);
    QCOMPARE(Entries(dir.path()), entries);
}

void TestZipimport::replacesAPreviousDirectory()
{
    QTemporaryDir dir;
    const QString target = dir.filePath("zipcode.db");
    WriteFile(dir.filePath("new.tsv"), Lines({kB, kD}, "\t", kHeader).toUtf8());

    // A previous directory is replaced as a whole...
    QVERIFY(!MakeDirectory(dir.path()).isEmpty());
    Run r = RunTool("zipimport", {dir.filePath("new.tsv"), target});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QVERIFY2(r.out.contains("(the previous directory was replaced)"), qPrintable(r.out));
    QCOMPARE(ZipRows(target), (Rows{kB, kD}));

    // ...and so is the empty file the program leaves behind when zipcode.db was missing.
    WriteFile(target, "");
    r = RunTool("zipimport", {dir.filePath("new.tsv"), target});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QCOMPARE(ZipRows(target), (Rows{kB, kD}));
    QCOMPARE(Entries(dir.path()), (QStringList{"new.tsv", "zipcode.db"}));
}

void TestZipimport::neverReplacesOtherFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("content");  // "book", "text" or "none"
    QTest::addColumn<QString>("message");
    QTest::newRow("address book named zipcode.db") << "zipcode.db" << "book" << "holds the table ADDRESS_LIST";
    QTest::newRow("text file") << "zipcode.db" << "text" << "not a readable SQLite database";
    QTest::newRow("existing address.db") << "address.db" << "book" << "is the name of an address book";
    QTest::newRow("new address.db") << "Address.DB" << "none" << "is the name of an address book";
    QTest::newRow("address_backup.db") << "address_backup.db" << "book" << "is the name of an address book";
}

void TestZipimport::neverReplacesOtherFiles()
{
    QFETCH(QString, name);
    QFETCH(QString, content);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString target = dir.filePath(name);
    if (content == "book")
        testsupport::MakeBook(target, {{"친구", "홍길동", "02-123-4567", "", "135-080", "서울", ""}});
    else if (content == "text")
        WriteFile(target, "not a database\n");
    const QByteArray before = ReadFile(target);
    WriteFile(dir.filePath("source.tsv"), Lines(kRows, "\t", kHeader).toUtf8());
    const QStringList entries = Entries(dir.path());

    const Run r = RunTool("zipimport", {dir.filePath("source.tsv"), target});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(ReadFile(target), before);
    QCOMPARE(Entries(dir.path()), entries);
}

void TestZipimport::sampleDirectoryImportsCleanly()
{
    QTemporaryDir dir;
    const QString target = dir.filePath("zipcode.db");
    const QString source = QString(SOURCE_DIR) + "/data/zipcode_sample.tsv";
    const Run r = RunTool("zipimport", {source, target});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QVERIFY2(!r.err.contains("rejected"), qPrintable(r.err));
    const qsizetype lines = ReadFile(source).count('\n');
    QVERIFY2(r.out.contains(QString("%1 rows read, 0 rejected, %1 written").arg(lines - 1)), qPrintable(r.out));

    const QStringList provinces{"강원도", "경기도", "경상남도", "경상북도", "광주광역시", "대구광역시",
                                "대전광역시", "부산광역시", "서울특별시", "세종특별자치시", "울산광역시",
                                "인천광역시", "전라남도", "전라북도", "제주특별자치도", "충청남도", "충청북도"};
    QStringList found;
    for (const QStringList& row : Select(target, "SELECT DISTINCT sido FROM zipcode ORDER BY sido"))
        found << row.first();
    QCOMPARE(found, provinces);

    const auto counts = Select(target,
                               "SELECT count(*), count(DISTINCT zipcode), sum(ri <> ''), sum(bldg <> ''),"
                               " sum(bunji <> '') FROM zipcode");
    QCOMPARE(counts.size(), 1);
    const QStringList& c = counts.first();
    QVERIFY2(c[1].toInt() < c[0].toInt(), "some postal codes are shared by several rows");
    QVERIFY(c[2].toInt() > 0 && c[3].toInt() > 0 && c[4].toInt() > 0);
    QCOMPARE(Select(target, "SELECT dong FROM zipcode WHERE zipcode = '135-080' AND bldg = ''"),
             (QList<QStringList>{{"역삼동"}}));
}

void TestZipimport::addressTextsOfEachKind_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("full");  // FullAddress; LocalAddress is the same without the province

    QTest::newRow("road") << kRoadHeader << kRoadCity << "서울특별시 강남구 테헤란로   152";
    QTest::newRow("읍/면 road") << kRoadHeader << kRoadMyeon << "강원특별자치도 강릉시 강동면 심곡길   1∼99";
    QTest::newRow("underground, even") << kRoadHeader << kRoadUnder << "서울특별시 중구 세종대로   지하 2∼14 (짝수)";
    QTest::newRow("odd only") << kRoadHeader << kRoadOdd << "서울특별시 강북구 삼양로177길   93∼125 (홀수)";
    QTest::newRow("산 lot") << kLotHeader << kLotSan << "서울특별시 종로구 평창동   산 12-1∼15";
    QTest::newRow("리") << kLotHeader << kLotRi << "강원특별자치도 강릉시 강동면 모전리  2∼878";
    QTest::newRow("building") << BuildingHeader("우편번호") << kBuilding
                              << "서울특별시 강남구 테헤란로  강남파이낸스센터 152";
    QTest::newRow("세종, no district")
        << kRoadHeader << "30151|세종특별자치시|Sejong-si|||||한누리대로|Hannuri-daero|0|2130|0|2130|0|0"
        << "세종특별자치시  한누리대로   2130";
}

void TestZipimport::addressTextsOfEachKind()
{
    QFETCH(QString, header);
    QFETCH(QString, line);
    QFETCH(QString, full);
    QTemporaryDir dir;
    WriteFile(dir.filePath("source.txt"), (header + "\r\n" + line + "\r\n").toUtf8());
    const Run r = RunTool("zipimport", {dir.filePath("source.txt"), dir.filePath("zipcode.db")});
    QVERIFY2(r.code == 0, qPrintable(r.err));

    SetExeFolder(dir.path());
    const ZipcodeRows rows = ZipcodeDirectory::FindByZipcode(line.left(5));
    SetExeFolder(QString());
    QCOMPARE(rows.size(), size_t(1));
    QCOMPARE(ZipcodeDirectory::FullAddress(rows[0]), full);
    QCOMPARE(ZipcodeDirectory::LocalAddress(rows[0]), full.mid(rows[0].sido.size() + 1));
}

void TestZipimport::rejectsBadFiveDigitRows_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("line");
    QTest::addColumn<QString>("reason");
    const QString road = "|서울특별시|Seoul|강남구|Gangnam-gu|||테헤란로|Teheran-ro|";
    QTest::newRow("four digits") << kRoadHeader << "0623" + road + "0|1|0|9|0|3"
                                 << "malformed zipcode \"0623\" (expected five digits)";
    QTest::newRow("old six digits") << kRoadHeader << "135-080" + road + "0|1|0|9|0|3"
                                    << "malformed zipcode \"135-080\" (expected five digits)";
    QTest::newRow("empty code") << kRoadHeader << road + "0|1|0|9|0|3" << "empty zipcode";
    QTest::newRow("number with a letter") << kRoadHeader << "06236" + road + "0|1a|0|9|0|3"
                                          << "시작건물번호(주) \"1a\" is not a number";
    QTest::newRow("underground flag 2") << kRoadHeader2 << "06236" + road + "2|1|0|9|0|3"
                                        << "지하여부 \"2\" is neither 0 nor 1";
    QTest::newRow("range kind 4") << kRoadHeader << "06236" + road + "0|1|0|9|0|4"
                                  << "범위종류 \"4\" is not 0, 1, 2 or 3";
    QTest::newRow("too few fields") << kRoadHeader << "06236|서울특별시|Seoul"
                                    << "wrong field count (expected 15, found 3)";
    QTest::newRow("산 flag Y") << kLotHeader2
                               << "03000|서울특별시|Seoul|종로구|Jongno-gu|평창동|Pyeongchang-dong||Y||12|0|15|0"
                               << "산여부 \"Y\" is neither 0 nor 1";
    QTest::newRow("building number") << BuildingHeader("우편번호")
                                     << QString(kBuilding).replace("|0|152|0|", "|0|15-2|0|")
                                     << "건물번호본번 \"15-2\" is not a number";
}

void TestZipimport::rejectsBadFiveDigitRows()
{
    QFETCH(QString, header);
    QFETCH(QString, line);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString good = header.startsWith("우편번호|시도|시도영문|시군구|시군구영문|읍면|읍면영문|도로명코드")
                             ? kBuilding
                             : header.contains("주번지") || header.contains("지번본번") ? kLotRi : kRoadCity;
    WriteFile(dir.filePath("source.txt"), Text(header, {good, line, good}, "\r\n").toUtf8());

    const Run r = RunTool("zipimport", {dir.filePath("source.txt"), dir.filePath("zipcode.db")});
    QCOMPARE(r.code, 0);
    QVERIFY2(r.err.contains("source.txt: line 3: rejected: " + reason), qPrintable(r.err));
    QCOMPARE(r.err.count("rejected"), 1);
    QVERIFY2(r.out.contains("3 rows read, 1 rejected, 2 written"), qPrintable(r.out));
}

void TestZipimport::importsFoldersOfFiles()
{
    QTemporaryDir dir;
    // As Korea Post's archive unpacks: one file per province, CP949 and CRLF, and other files.
    QVERIFY(QDir(dir.path()).mkpath("korea/extra"));
    WriteFile(dir.filePath("korea/서울특별시.txt"), ToCp949(Text(kRoadHeader, {kRoadCity, kRoadUnder}, "\r\n")));
    WriteFile(dir.filePath("korea/강원특별자치도.TXT"), ToCp949(Text(kLotHeader, {kLotRi}, "\r\n")));
    WriteFile(dir.filePath("korea/부산광역시.txt"), Text(kRoadHeader2, {kRoadSub}, "\n").toUtf8());
    WriteFile(dir.filePath("korea/읽어보기.hwp"), "not a directory file");
    WriteFile(dir.filePath("building.txt"), Text(BuildingHeader("우편번호"), {kBuilding}, "\n").toUtf8());

    const Run r = RunTool("zipimport", {dir.filePath("korea"), dir.filePath("building.txt"), dir.filePath("zipcode.db")});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QVERIFY2(r.out.contains("skipping " + dir.filePath("korea/extra")), qPrintable(r.out));
    QVERIFY2(r.out.contains("skipping " + dir.filePath("korea/읽어보기.hwp")), qPrintable(r.out));
    QVERIFY2(r.out.contains("서울특별시.txt: 2 rows read, 0 rejected"), qPrintable(r.out));
    QVERIFY2(r.out.contains("5 rows read, 0 rejected, 5 written"), qPrintable(r.out));
    // Files of a folder in name order, then the next source.
    QCOMPARE(ZipRows(dir.filePath("zipcode.db")),
             (Rows{kLotRiRow, kRoadSubRow, kRoadCityRow, kRoadUnderRow, kBuildingRow}));
}

void TestZipimport::oneUnreadableFileChangesNothing()
{
    QTemporaryDir dir;
    const QByteArray before = MakeDirectory(dir.path());
    QVERIFY(!before.isEmpty());
    QVERIFY(QDir(dir.path()).mkdir("korea"));
    WriteFile(dir.filePath("korea/a.txt"), Text(kRoadHeader, {kRoadCity}, "\n").toUtf8());
    WriteFile(dir.filePath("korea/b.txt"), QString("우편번호|시도|주소\n06236|서울특별시|테헤란로 152\n").toUtf8());
    QVERIFY(QDir(dir.path()).mkdir("empty"));
    const QStringList entries = Entries(dir.path());

    Run r = RunTool("zipimport", {dir.filePath("korea"), dir.filePath("zipcode.db")});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(dir.filePath("korea/b.txt") + ": line 1: the header line does not name the columns"),
             qPrintable(r.err));
    QCOMPARE(ReadFile(dir.filePath("zipcode.db")), before);
    QCOMPARE(Entries(dir.path()), entries);

    r = RunTool("zipimport", {dir.filePath("korea/a.txt"), dir.filePath("empty"), dir.filePath("zipcode.db")});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains("holds no .txt, .csv or .tsv file"), qPrintable(r.err));
    QCOMPARE(ReadFile(dir.filePath("zipcode.db")), before);
    QCOMPARE(Entries(dir.path()), entries);
}

void TestZipimport::fiveDigitSampleImportsCleanly()
{
    QTemporaryDir dir;
    const QString target = dir.filePath("zipcode.db");
    const QString source = QString(SOURCE_DIR) + "/data/zipcode_sample_5digit";
    const Run r = RunTool("zipimport", {source, target});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QVERIFY2(!r.err.contains("rejected"), qPrintable(r.err));
    QVERIFY2(r.out.contains("road-name range layout") && r.out.contains("lot-number range layout"), qPrintable(r.out));

    // Every province under its current name, every code in its province's range.
    const QList<QPair<QString, QStringList>> ranges{
        {"서울특별시", {"01", "09"}}, {"경기도", {"10", "18"}},       {"인천광역시", {"21", "23"}},
        {"강원특별자치도", {"24", "26"}}, {"충청북도", {"27", "29"}},   {"세종특별자치시", {"30", "30"}},
        {"충청남도", {"31", "33"}},   {"대전광역시", {"34", "35"}},   {"경상북도", {"36", "40"}},
        {"대구광역시", {"41", "43"}}, {"울산광역시", {"44", "45"}},   {"부산광역시", {"46", "49"}},
        {"경상남도", {"50", "53"}},   {"전북특별자치도", {"54", "56"}}, {"전라남도", {"57", "59"}},
        {"광주광역시", {"61", "62"}}, {"제주특별자치도", {"63", "63"}}};
    for (const auto& [province, range] : ranges) {
        const auto found = Select(target, QString("SELECT count(*), min(substr(zipcode, 1, 2)), max(substr(zipcode, 1, 2))"
                                                  " FROM zipcode WHERE sido = '%1'")
                                              .arg(province)
                                              .toUtf8()
                                              .constData());
        QVERIFY2(found.first()[0].toInt() > 0, qPrintable(province));
        QVERIFY2(found.first()[1] >= range[0] && found.first()[2] <= range[1], qPrintable(province + found.first().join(' ')));
    }
    QCOMPARE(Select(target, "SELECT count(DISTINCT sido) FROM zipcode"), (Rows{{"17"}}));
    QCOMPARE(Select(target, "SELECT count(*) FROM zipcode WHERE zipcode NOT GLOB '[0-9][0-9][0-9][0-9][0-9]'"),
             (Rows{{"0"}}));

    // The kinds of row a user meets.
    const auto kinds = Select(target,
                              "SELECT count(*), count(DISTINCT zipcode), sum(bunji LIKE '지하 %'), sum(bunji LIKE '% (홀수)'),"
                              " sum(bunji LIKE '% (짝수)'), sum(bunji LIKE '산 %'), sum(ri <> ''),"
                              " sum(dong LIKE '%면 %' OR dong LIKE '%읍 %') FROM zipcode");
    const QStringList& k = kinds.first();
    QVERIFY2(k[1].toInt() < k[0].toInt(), "some codes are shared by several rows");
    for (int i = 2; i < k.size(); ++i)
        QVERIFY2(k[i].toInt() > 0, qPrintable(k.join(' ')));

    SetExeFolder(dir.path());
    const ZipcodeRows road = ZipcodeDirectory::FindByDong("테헤란로");
    const ZipcodeRows dong = ZipcodeDirectory::FindByDong("역삼동");
    const ZipcodeRows code = ZipcodeDirectory::FindByZipcode("06236");
    SetExeFolder(QString());
    QVERIFY(!road.empty() && !dong.empty() && !code.empty());
    QCOMPARE(road.front().gugun, QString("강남구"));
}

void TestZipimport::newbookCreatesTheSchema()
{
    QTemporaryDir dir;
    const QString book = dir.filePath("address.db");
    const Run r = RunTool("newbook", {book});
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QCOMPARE(Select(book, "SELECT sql FROM sqlite_master WHERE name = 'ADDRESS_LIST'"),
             (QList<QStringList>{{testsupport::kBookSchema}}));
    QCOMPARE(Select(book, "SELECT count(*) FROM ADDRESS_LIST"), (QList<QStringList>{{"0"}}));
    QCOMPARE(Select(book, "SELECT sql FROM sqlite_master WHERE type = 'index' AND tbl_name = 'ADDRESS_LIST' AND sql IS NOT NULL"),
             (QList<QStringList>{{QString::fromLatin1(Schema::kAddressListUnitIndex).remove(" IF NOT EXISTS")}}));
    QCOMPARE(Entries(dir.path()), QStringList{"address.db"});

    // A deleted key is never handed out again.
    testsupport::Exec(book, "INSERT INTO ADDRESS_LIST(name) VALUES ('가'); INSERT INTO ADDRESS_LIST(name) VALUES ('나');"
                            "DELETE FROM ADDRESS_LIST WHERE num = 2; INSERT INTO ADDRESS_LIST(name) VALUES ('다');");
    QCOMPARE(Select(book, "SELECT num, name FROM ADDRESS_LIST ORDER BY num"),
             (QList<QStringList>{{"1", "가"}, {"3", "다"}}));
}

// The index on unit is added to an existing book only when asked, and nothing else changes.
void TestZipimport::newbookAddsTheUnitIndexOnRequest()
{
    QTemporaryDir dir;
    const QString book = dir.filePath("address.db");
    testsupport::Exec(book, QString::fromLatin1(Schema::kAddressList) +
                                QStringLiteral("; INSERT INTO ADDRESS_LIST(unit, name) VALUES ('친구', '가')"));
    const auto indexes = [&] { return Select(book, "SELECT name FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL"); };
    QCOMPARE(indexes(), QList<QStringList>());
    for (int run = 0; run < 2; ++run) {  // a second request finds it there and is content
        const Run r = RunTool("newbook", {"--add-unit-index", book});
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(indexes(), (QList<QStringList>{{"ADDRESS_LIST_unit"}}));
        QCOMPARE(Select(book, "SELECT num, unit, name FROM ADDRESS_LIST"), (QList<QStringList>{{"1", "친구", "가"}}));
    }
    // a missing book is not created
    const QString missing = dir.filePath("none.db");
    const Run r = RunTool("newbook", {"--add-unit-index", missing});
    QVERIFY(r.code != 0);
    QVERIFY2(r.err.contains("unable to open database file"), qPrintable(r.err));
    QVERIFY(!QFile::exists(missing));
}

void TestZipimport::newbookRefusesAnythingAtThePath_data()
{
    QTest::addColumn<QString>("existing");
    QTest::addColumn<QString>("message");
    QTest::newRow("address book with entries") << "book" << "already exists";
    QTest::newRow("empty file") << "empty" << "already exists";
    QTest::newRow("other file") << "text" << "already exists";
    QTest::newRow("folder") << "folder" << "already exists";
    QTest::newRow("dangling link") << "link" << "already exists";
    QTest::newRow("no such folder") << "nofolder" << "does not exist";
}

void TestZipimport::newbookRefusesAnythingAtThePath()
{
    QFETCH(QString, existing);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QString book = dir.filePath("address.db");
    if (existing == "book")
        testsupport::MakeBook(book, {{"가족", "김철수", "031-222-3333", "010-1234-5678", "417-830", "인천", "1"}});
    else if (existing == "empty")
        WriteFile(book, "");
    else if (existing == "text")
        WriteFile(book, "notes\n");
    else if (existing == "folder")
        QVERIFY(QDir(dir.path()).mkdir("address.db"));
    else if (existing == "link")
        QVERIFY(QFile::link(dir.filePath("gone.db"), book));
    else
        book = dir.filePath("missing/address.db");
    const QByteArray before = ReadFile(book);
    const QStringList entries = Entries(dir.path());

    const Run r = RunTool("newbook", {book});
    QCOMPARE(r.code, 1);
    QVERIFY2(r.err.contains(message), qPrintable(r.err));
    QCOMPARE(ReadFile(book), before);
    QCOMPARE(Entries(dir.path()), entries);
    if (existing == "link")
        QVERIFY(!QFileInfo::exists(dir.filePath("gone.db")));
}

QTEST_GUILESS_MAIN(TestZipimport)
#include "test_zipimport.moc"
