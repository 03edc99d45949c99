// Contacts in and out: phone vCards (2.1 quoted-printable, 3.0 with groups and folding, 4.0),
// Google, Outlook, Naver and Excel CSV files mapped to the seven values; broken cards and rows
// reported with their lines while the rest comes in; duplicates; the one transaction against a
// locked or missing book; the export read back.
#include "store/address_store.h"
#include "store/contacts_io.h"
#include "store/paths.h"
#include "processsupport.h"
#include "testsupport.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Contacts;
using Values = QStringList;  // unit, name, tel, cell, zip, address1, address2

Q_DECLARE_METATYPE(QList<QStringList>)

namespace {

Values ValuesOf(const AddressEntry& e)
{
    return {e.unit, e.name, e.tel, e.cell, e.zip, e.address1, e.address2};
}

QList<Values> ValuesOf(const FileResult& r)
{
    QList<Values> list;
    for (const Record& rec : r.records)
        list << ValuesOf(rec.entry);
    return list;
}

QList<Values> BookValues()
{
    QList<Values> list;
    for (const AddressEntry& e : AddressStore::ListAll())
        list << ValuesOf(e);
    return list;
}

QStringList RejectTexts(const std::vector<Reject>& rejects)
{
    QStringList texts;
    for (const Reject& r : rejects)
        texts << RejectLine(r);
    return texts;
}

// text's UTF-8 bytes as quoted-printable, in lines of at most width characters joined by soft
// line breaks, as Samsung phones write them.
QString Qp(const QString& text, int width = 76)
{
    QString out;
    int column = 0;
    for (char b : text.toUtf8()) {
        const QString piece = QStringLiteral("=%1").arg(uchar(b), 2, 16, QLatin1Char('0')).toUpper();
        if (column + piece.size() > width - 1) {
            out += QStringLiteral("=\r\n");
            column = 0;
        }
        out += piece;
        column += int(piece.size());
    }
    return out;
}

QByteArray Crlf(const QString& text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QStringLiteral("\n"), QStringLiteral("\r\n"));
    return t.toUtf8();
}

}  // namespace

class TestContactsIo : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    int books_ = 0;

    // A fresh book with the rows given, made the current DatabasePath.
    QString NewBook(const std::vector<QStringList>& rows = {})
    {
        const QString path = dir_.filePath(QStringLiteral("book%1.db").arg(++books_));
        testsupport::MakeBook(path, rows);
        SetDatabasePath(path);
        return path;
    }
    QString WriteFile(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir_.filePath(name);
        testsupport::WriteFile(path, bytes);
        return path;
    }

private slots:
    void initTestCase() { QVERIFY(dir_.isValid()); }

    // Every kind of file the users bring, with the seven values each entry must get.
    void sources_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("encoding");
        QTest::addColumn<QList<QStringList>>("expected");

        // A Samsung phone's 2.1 card: Hangul in quoted-printable, broken across lines with '='.
        QTest::newRow("samsung 2.1 quoted-printable")
            << Crlf(QStringLiteral("BEGIN:VCARD\nVERSION:2.1\n"
                                   "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:%1;%2;;;\n"
                                   "FN;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:%3\n"
                                   "TEL;HOME:02-123-4567\n"
                                   "TEL;CELL;PREF:010-1234-5678\n"
                                   "TEL;CELL:010-9999-8888\n"
                                   "ADR;HOME;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:;%4;%5;%6;%7;06236;%8\n"
                                   "END:VCARD\n"
                                   "BEGIN:VCARD\nVERSION:2.1\n"
                                   "N;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:%9;%10;;;\n"
                                   "TEL;WORK;VOICE:031-555-0000\n"
                                   "END:VCARD\n")
                        .arg(Qp(QStringLiteral("김")), Qp(QStringLiteral("철수")),
                             Qp(QStringLiteral("김철수"), 20), Qp(QStringLiteral("101호")),
                             Qp(QStringLiteral("테헤란로 123 한빛빌딩 사무동 앞 동쪽 출입구 옆"), 40),
                             Qp(QStringLiteral("강남구")), Qp(QStringLiteral("서울특별시")),
                             Qp(QStringLiteral("대한민국")), Qp(QStringLiteral("박")))
                        .arg(Qp(QStringLiteral("지민"))))
            << "vCard" << "UTF-8"
            << QList<QStringList>{
                   {"", "김철수", "02-123-4567", "010-1234-5678", "06236",
                    "서울특별시 강남구 테헤란로 123 한빛빌딩 사무동 앞 동쪽 출입구 옆", "101호"},
                   {"", "박지민", "031-555-0000", "", "", "", ""}};

        // Some old exports declare EUC-KR for the quoted bytes.
        QTest::newRow("2.1 quoted-printable EUC-KR")
            << Crlf(QStringLiteral("BEGIN:VCARD\nVERSION:2.1\nFN;CHARSET=EUC-KR;ENCODING=QUOTED-PRINTABLE:=C8=AB=B1=E6=B5=BF\n"
                                   "TEL;CELL:010-1111-2222\nEND:VCARD\n"))
            << "vCard" << "UTF-8"
            << QList<QStringList>{{"", "홍길동", "", "010-1111-2222", "", "", ""}};

        // ... or write the whole file in EUC-KR, 8-bit.
        QTest::newRow("2.1 in EUC-KR")
            << testsupport::EncodeCp949(QStringLiteral("BEGIN:VCARD\r\nVERSION:2.1\r\nN;CHARSET=EUC-KR:홍;길동;;;\r\n"
                                                       "TEL;CELL:010-1111-2222\r\nEND:VCARD\r\n"))
            << "vCard" << "CP949"
            << QList<QStringList>{{"", "홍길동", "", "010-1111-2222", "", "", ""}};

        // An iPhone's 3.0 card: TYPE lists written both ways, grouped properties with Apple's
        // labels, a folded line, escapes, a photo folded over several lines.
        QTest::newRow("iphone 3.0 item1.ADR")
            << Crlf(QStringLiteral(
                   "BEGIN:VCARD\nVERSION:3.0\nPRODID:-//Apple Inc.//iPhone OS 17.2//EN\n"
                   "N:이;영희;;;\nFN:이영희\nORG:한빛상사;\n"
                   "item1.ADR;type=HOME;type=pref:;;팔달로 1\\, 2층;수원시 팔\n 달구;경기도;16455;대한민국\n"
                   "item1.X-ABADR:kr\n"
                   "TEL;type=HOME;type=VOICE;type=pref:031-222-3333\n"
                   "item2.TEL:010-2222-3333\nitem2.X-ABLabel:_$!<Mobile>!$_\n"
                   "PHOTO;ENCODING=b;TYPE=JPEG:/9j/4AAQSkZJRgABAQAAAQABAAD/2wBDAAgGBgcGBQgHBwcJCQgKDBQNDAsL\n"
                   "  DBkSEx8UHRofHh0aHBwgJC4nICIsIxwcKDcpLDAxNDQ0Hyc5PTgyPC4zNDL/\n"
                   "NOTE:첫 줄\\n둘째 줄\\; 끝\nEND:VCARD\n"
                   "BEGIN:VCARD\nVERSION:3.0\nN:Smith;John;;;\nTEL;TYPE=CELL,VOICE:+1 555 0100\n"
                   "item1.TEL:02-000-1111\nitem1.X-ABLabel:회사\nEND:VCARD\n"))
            << "vCard" << "UTF-8"
            << QList<QStringList>{
                   {"", "이영희", "031-222-3333", "010-2222-3333", "16455", "경기도 수원시 팔달구 팔달로 1, 2층", ""},
                   {"", "Smith John", "02-000-1111", "+1 555 0100", "", "", ""}};

        // A 4.0 card: quoted TYPE list, telephones as tel: URIs, categories.
        QTest::newRow("vcard 4.0")
            << Crlf(QStringLiteral(
                   "BEGIN:VCARD\nVERSION:4.0\nFN:최민호\nN:최;민호;;;\n"
                   "TEL;VALUE=uri;TYPE=work:tel:+82-2-555-6666\n"
                   "TEL;VALUE=uri;TYPE=\"cell,voice\";PREF=1:tel:010-4444-5555\n"
                   "ADR;TYPE=work;LABEL=\"서울특별시 중구 세종대로 110\":;5층;세종대로 110;중구;서울특별시;04524;\n"
                   "CATEGORIES:회사,거래처\nEND:VCARD\n"))
            << "vCard" << "UTF-8"
            << QList<QStringList>{{"회사", "최민호", "+82-2-555-6666", "010-4444-5555", "04524",
                                   "서울특별시 중구 세종대로 110", "5층"}};

        // Google's current export: family and given name apart, numbered phones and addresses
        // with their labels, several values in one cell, a formatted address over two lines.
        QTest::newRow("google csv")
            << Crlf(QStringLiteral(
                   "First Name,Middle Name,Last Name,Phonetic First Name,Nickname,Labels,E-mail 1 - Label,"
                   "E-mail 1 - Value,Phone 1 - Label,Phone 1 - Value,Phone 2 - Label,Phone 2 - Value,"
                   "Address 1 - Label,Address 1 - Formatted,Address 1 - Street,Address 1 - City,"
                   "Address 1 - PO Box,Address 1 - Region,Address 1 - Postal Code,Address 1 - Country,"
                   "Address 1 - Extended Address\n"
                   "지민,,박,,,* myContacts ::: 친구 ::: 동창,* Home,jimin@example.com,Home,02-777-8888,"
                   "Mobile,010-5555-6666 ::: 010-5555-7777,Home,\"해운대로 10\n부산광역시 48094\","
                   "해운대로 10,해운대구,,부산광역시,48094,대한민국,101동 202호\n"
                   "John,,Smith,,,* myContacts,,,Work,+1 555 0100,,,,,,,,,,,\n"))
            << "CSV" << "UTF-8"
            << QList<QStringList>{
                   {"친구", "박지민", "02-777-8888", "010-5555-6666", "48094", "부산광역시 해운대구 해운대로 10",
                    "101동 202호"},
                   {"", "Smith John", "+1 555 0100", "", "", "", ""}};

        // Google's older export: Name, Group Membership, "Type" columns.
        QTest::newRow("google csv, older layout")
            << (QByteArray("\xEF\xBB\xBF") +
                Crlf(QStringLiteral(
                    "Name,Given Name,Additional Name,Family Name,Yomi Name,Group Membership,Phone 1 - Type,"
                    "Phone 1 - Value,Phone 2 - Type,Phone 2 - Value,Address 1 - Type,Address 1 - Formatted,"
                    "Address 1 - Street,Address 1 - City,Address 1 - PO Box,Address 1 - Region,"
                    "Address 1 - Postal Code,Address 1 - Country,Address 1 - Extended Address\n"
                    "정수진,수진,,정,,* My Contacts ::: 가족,Mobile,010-3333-4444,Home,051-111-2222,Home,"
                    "\"중앙대로 1\n동구 부산광역시\",중앙대로 1,동구,,부산광역시,48821,,\n")))
            << "CSV" << "UTF-8 with BOM"
            << QList<QStringList>{
                   {"가족", "정수진", "051-111-2222", "010-3333-4444", "48821", "부산광역시 동구 중앙대로 1", ""}};

        // Outlook's export; the business phone comes before the home phone, the first address
        // with content is taken.
        QTest::newRow("outlook csv")
            << Crlf(QStringLiteral(
                   "Title,First Name,Middle Name,Last Name,Suffix,Company,Business Street,Business City,"
                   "Business State,Business Postal Code,Home Street,Home Street 2,Home City,Home State,"
                   "Home Postal Code,Business Fax,Business Phone,Home Phone,Mobile Phone,Categories,"
                   "E-mail Address\n"
                   ",Minsu,,Kim,,,,,,,12 Sejong-daero,Apt 3,Jung-gu,Seoul,04524,02-000-0000,02-111-2222,"
                   "02-333-4444,010-1212-3434,Friends;Golf,minsu@example.com\n"))
            << "CSV" << "UTF-8"
            << QList<QStringList>{{"Friends", "Kim Minsu", "02-111-2222", "010-1212-3434", "04524",
                                   "Seoul Jung-gu 12 Sejong-daero", "Apt 3"}};

        // A Korean Outlook: 이름 and 성 apart, Korean address columns.
        QTest::newRow("korean outlook csv")
            << Crlf(QStringLiteral("이름,성,전자 메일 주소,휴대폰,집 전화,회사 전화,집 주소 번지,집 구/군/시,"
                                   "집 시/도,집 우편 번호,범주\n"
                                   "서연,윤,yoon@example.com,010-8888-9999,064-123-4567,,연동 1,제주시,"
                                   "제주특별자치도,63125,가족;친척\n"))
            << "CSV" << "UTF-8"
            << QList<QStringList>{{"가족", "윤서연", "064-123-4567", "010-8888-9999", "63125",
                                   "제주특별자치도 제주시 연동 1", ""}};

        // Naver's address book: tab-separated, UTF-8 with a BOM, Korean headers of its own.
        QTest::newRow("naver tab-separated")
            << (QByteArray("\xEF\xBB\xBF") +
                Crlf(QStringLiteral("이름\t휴대폰 번호\t전화번호\t그룹\t우편번호\t주소\t상세주소\n"
                                    "강민호\t010-6666-7777\t\t친구\t48300\t부산광역시 수영구 광안해변로 219\t\"3층, 안쪽\"\n")))
            << "CSV" << "UTF-8 with BOM"
            << QList<QStringList>{{"친구", "강민호", "", "010-6666-7777", "48300",
                                   "부산광역시 수영구 광안해변로 219", "3층, 안쪽"}};

        // Excel's "CSV (쉼표로 분리)" on a Korean Windows: CP949, plain Korean headers, a value
        // with a comma and a line break in quotes, a trailing row of separators.
        QTest::newRow("excel cp949 csv")
            << testsupport::EncodeCp949(QStringLiteral(
                   "분류,이름,전화번호,핸드폰,우편번호,주소,상세주소\r\n"
                   "친구,한가람,02-345-6789,010-7777-8888,03045,서울특별시 종로구 사직로 161,\"경복궁, 관리동\r\n2층\"\r\n"
                   "회사,  오세훈 ,0031-1,,00123,, \r\n"
                   ",,,,,,\r\n"))
            << "CSV" << "CP949"
            << QList<QStringList>{
                   {"친구", "한가람", "02-345-6789", "010-7777-8888", "03045", "서울특별시 종로구 사직로 161",
                    "경복궁, 관리동\r\n2층"},
                   {"회사", "  오세훈 ", "0031-1", "", "00123", "", " "}};
    }

    void sources()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, kind);
        QFETCH(QString, encoding);
        QFETCH(QList<QStringList>, expected);
        QVERIFY(!bytes.isEmpty());
        const FileResult r = ReadBytes(bytes, QStringLiteral("contacts"));
        QCOMPARE(RejectTexts(r.rejects), QStringList());
        QCOMPARE(r.kind, kind);
        QCOMPARE(r.encoding, encoding);
        QCOMPARE(ValuesOf(r), expected);
    }

    // A broken card or row is reported with its line; everything else comes in.
    void faultsReportedWithTheirLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("names");
        QTest::addColumn<QStringList>("rejects");

        QTest::newRow("vcard")
            << Crlf(QStringLiteral("stray text\n"                           // 1
                                   "BEGIN:VCARD\nVERSION:3.0\nFN:하나\n"     // 2-4
                                   "END:VCARD\n"                             // 5
                                   "BEGIN:VCARD\nVERSION:3.0\nFN:끝없음\n"   // 6-8: no END
                                   "BEGIN:VCARD\nVERSION:3.0\nFN:셋\n"       // 9-11
                                   "this line has no colon\nEND:VCARD\n"     // 12-13
                                   "BEGIN:VCARD\nVERSION:3.0\nORG:회사뿐\nEND:VCARD\n"  // 14-17
                                   "BEGIN:VCARD\nVERSION:2.1\n"              // 18-19
                                   "FN;ENCODING=QUOTED-PRINTABLE:=EA=B9=ZZ\nEND:VCARD\n"  // 20-21
                                   "\n"
                                   "BEGIN:VCARD\nVERSION:3.0\nFN:다섯\nTEL:02-5\nEND:VCARD\n"  // 23-27
                                   "BEGIN:VCARD\nVERSION:3.0\nFN:마지막\n"))  // 28-30: no END
            << QStringList{"하나", "다섯"}
            << QStringList{"f:1: text outside a card", "f:6: card without END:VCARD",
                           "f:12: line is not NAME:VALUE", "f:14: no name and no telephone number",
                           "f:20: value cannot be decoded: FN", "f:28: card without END:VCARD"};

        QTest::newRow("csv")
            << Crlf(QStringLiteral("이름,전화번호,주소\n"
                                   "가,02-1,\"서울\n종로\"\n"  // 2-3
                                   ",,주소만 있음\n"           // 4
                                   "나,,\n"                    // 5
                                   "다,02-3,\"닫히지 않은\n"   // 6
                                   "라,02-4,\n"))
            << QStringList{"가", "나"}
            << QStringList{"f:4: no name and no telephone number",
                           "f:6: a quoted field is never closed: line 6"};

        QTest::newRow("csv without known columns")
            << QByteArray("alpha,beta\n1,2\n") << QStringList{}
            << QStringList{"f:1: the header line names no known column"};

        QTest::newRow("neither utf-8 nor cp949")
            << QByteArray("\xEF\xBB\xBF\xFF\xFE,x\n") << QStringList{}
            << QStringList{"f: not a text file in UTF-8, UTF-16 or CP949"};
    }

    void faultsReportedWithTheirLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, names);
        QFETCH(QStringList, rejects);
        const FileResult r = ReadBytes(bytes, QStringLiteral("f"));
        QStringList read;
        for (const Record& rec : r.records)
            read << rec.entry.name;
        QCOMPARE(read, names);
        QCOMPARE(RejectTexts(r.rejects), rejects);
        QCOMPARE(r.Read(), int(names.size() + rejects.size()));
    }

    void unreadableFile()
    {
        const FileResult r = ReadFile(dir_.filePath(QStringLiteral("no such file.vcf")));
        QCOMPARE(r.rejects.size(), size_t(1));
        QCOMPARE(r.rejects[0].fault, Fault::Unreadable);
        QCOMPARE(r.rejects[0].line, 0);
    }

    // One run: entries already in the book and those repeated within the run are skipped, the
    // category given replaces the cards' own, rejects are counted, and all is in the book.
    void importSkipsDuplicates()
    {
        NewBook({{"친구", "김철수", "02-1", "010-1", "", "", ""}});
        const QString vcf = WriteFile(QStringLiteral("dupes.vcf"),
                                      Crlf(QStringLiteral("BEGIN:VCARD\nVERSION:3.0\nFN:김철수\nTEL:02-1\n"
                                                          "TEL;TYPE=CELL:010-1\nCATEGORIES:가족\nEND:VCARD\n"
                                                          "BEGIN:VCARD\nVERSION:3.0\nFN:이영희\nEND:VCARD\n"
                                                          "BEGIN:VCARD\nVERSION:3.0\nORG:x\nEND:VCARD\n")));
        const QString csv = WriteFile(QStringLiteral("dupes.csv"),
                                      Crlf(QStringLiteral("분류,이름,전화번호,휴대폰\n친구,이영희,,\n"
                                                          "친구,이영희,,\n친구,이영희 ,,\n")));

        // Without a category: the vCard's 김철수 is in 가족, so it is new.
        ImportReport dry = Import({vcf, csv}, std::nullopt, true);
        QCOMPARE(dry.read, 6);
        QCOMPARE(dry.added, 4);
        QCOMPARE(dry.duplicates, 1);
        QCOMPARE(dry.Rejected(), 1);
        QCOMPARE(BookValues().size(), 1);  // a dry run writes nothing

        const ImportReport r = Import({vcf, csv}, QStringLiteral("친구"), false);
        QCOMPARE(r.read, 6);
        QCOMPARE(r.added, 2);       // 이영희 and "이영희 "
        QCOMPARE(r.duplicates, 3);  // 김철수 (in the book), 이영희 twice
        QCOMPARE(RejectTexts(r.rejects), QStringList{vcf + ":12: no name and no telephone number"});
        QCOMPARE(ReportTotals(r), QStringLiteral("read 6, added 2, skipped as duplicates 3, rejected 1"));
        QCOMPARE(BookValues(), (QList<Values>{{"친구", "김철수", "02-1", "010-1", "", "", ""},
                                              {"친구", "이영희", "", "", "", "", ""},
                                              {"친구", "이영희 ", "", "", "", "", ""}}));

        // The same run again adds nothing.
        const ImportReport again = Import({vcf, csv}, QStringLiteral("친구"), false);
        QCOMPARE(again.added, 0);
        QCOMPARE(again.duplicates, 5);
    }

    // A book that another program is writing: a clear error, and nothing of the run is written.
    void lockedBook_data()
    {
        QTest::addColumn<QByteArray>("lockSql");
        QTest::newRow("reserved") << QByteArray("BEGIN IMMEDIATE");
        QTest::newRow("exclusive") << QByteArray("BEGIN EXCLUSIVE");
    }

    void lockedBook()
    {
        QFETCH(QByteArray, lockSql);
        const QString book = NewBook({{"", "있던 사람", "02-0", "", "", "", ""}});
        const QString vcf = WriteFile(QStringLiteral("locked.vcf"),
                                      Crlf(QStringLiteral("BEGIN:VCARD\nVERSION:3.0\nFN:새 사람\nEND:VCARD\n")));
        {
            testsupport::Lock lock(book, lockSql.constData());
            QVERIFY(lock.ok());
            const QString message = testsupport::MessageOf([&] { Import({vcf}, std::nullopt, false); });
            QVERIFY2(message.contains(QStringLiteral("The database file is locked")), qPrintable(message));
        }
        QCOMPARE(BookValues(), (QList<Values>{{"", "있던 사람", "02-0", "", "", "", ""}}));
        QCOMPARE(Import({vcf}, std::nullopt, false).added, 1);  // once the lock is gone
    }

    // A statement failing halfway leaves none of the run's entries behind; without the fault
    // the same long run comes in whole and in order.
    void failureMidwayWritesNothing()
    {
        const QString book = NewBook();
        testsupport::Exec(book, QStringLiteral("CREATE TRIGGER refuse BEFORE INSERT ON ADDRESS_LIST "
                                               "WHEN new.name = 'e450' BEGIN SELECT RAISE(ABORT, 'refused'); END"));
        std::vector<AddressEntry> entries(600);
        for (int i = 0; i < 600; ++i) {
            entries[size_t(i)].name = QStringLiteral("e%1").arg(i);
            entries[size_t(i)].tel = QString::number(i % 7);
        }
        const QString message = testsupport::MessageOf([&] { AddressStore::InsertEntries(entries); });
        QVERIFY2(message.contains(QStringLiteral("refused")), qPrintable(message));
        QCOMPARE(BookValues().size(), 0);

        testsupport::Exec(book, QStringLiteral("DROP TRIGGER refuse"));
        const std::vector<AddressEntry> again(entries.begin(), entries.begin() + 10);
        entries.insert(entries.end(), again.begin(), again.end());
        const AddressStore::InsertResult r = AddressStore::InsertEntries(entries);
        QCOMPARE(r.added, 600);
        QCOMPARE(r.duplicates, 10);
        const QList<Values> rows = BookValues();
        QCOMPARE(rows.size(), 600);
        for (int i = 0; i < 600; ++i)
            QCOMPARE(rows[i], (Values{"", QStringLiteral("e%1").arg(i), QString::number(i % 7), "", "", "", ""}));
    }

    // The book is never created: a missing book is an error and stays missing.
    void missingBookIsNotCreated()
    {
        const QString missing = dir_.filePath(QStringLiteral("missing.db"));
        SetDatabasePath(missing);
        const QString vcf = WriteFile(QStringLiteral("one.vcf"),
                                      Crlf(QStringLiteral("BEGIN:VCARD\nVERSION:3.0\nFN:가\nEND:VCARD\n")));
        for (bool dry : {true, false}) {
            const QString message = testsupport::MessageOf([&] { Import({vcf}, std::nullopt, dry); });
            QVERIFY2(message.startsWith(QStringLiteral("Failed to open database")), qPrintable(message));
            QVERIFY(!QFileInfo::exists(missing));
        }
        const QString out = dir_.filePath(QStringLiteral("never.vcf"));
        QVERIFY(testsupport::MessageOf([&] { Export(Format::VCard, out); }).startsWith("Failed to open"));
        QVERIFY(!QFileInfo::exists(out));
    }

    // Export, then import into an empty book: the same seven values, awkward ones included.
    void roundTrip_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("vcard") << int(Format::VCard);
        QTest::newRow("csv") << int(Format::Csv);
    }

    void roundTrip()
    {
        QFETCH(int, format);
        const std::vector<QStringList> rows = {
            {"가족", "김철수", "02-123-4567", "010-1234-5678", "06236", "서울특별시 강남구 테헤란로 123", "101호"},
            {"", "\"따옴표\" 씨", "", "010-0000-0001", "", "", ""},
            {"a,b;c", "쉼표, 세미콜론; 역슬래시\\ 끝\\", "02-1,2", "", "", "주소; 하나, 둘", "줄\n바꿈"},
            {"  앞뒤 공백  ", "  홍길동  ", " 0010 ", "010 ", "01234", "  ", " "},
            {"", "", "02-0", "", "", "", ""},
            {"", "이름만", "", "", "", "", "상세만"},
            {"", "Kim Minsu", "+82 10-1234-5678", "", "00000", "", ""},
            {"",
             "아주 긴 이름이 접힌 줄에서도 그대로 돌아오는지 보려고 일부러 길게 쓴 이름입니다 가나다라마바사아자차카타파하",
             "", "010-1", "",
             "한 줄이 75바이트를 넘는 주소: 경상북도 울릉군 울릉읍 독도이사부길 55 동도 선착장 옆 관리사무소", ""},
            {"", "\tTab\t", "", "1", "", "", "=SUM(1)"},
        };
        const QString source = NewBook(rows);
        const QList<Values> before = BookValues();
        const QString out = dir_.filePath(format == int(Format::VCard) ? QStringLiteral("round.vcf")
                                                                       : QStringLiteral("round.csv"));
        QCOMPARE(Export(Format(format), out), int(rows.size()));
        const QByteArray bytes = testsupport::ReadFile(out);
        if (format == int(Format::Csv)) {
            QVERIFY(bytes.startsWith("\xEF\xBB\xBF\xEB\xB6\x84\xEB\xA5\x98,"));  // BOM, then 분류
        } else {
            QVERIFY(bytes.startsWith("BEGIN:VCARD\r\nVERSION:3.0\r\n"));
            for (const QByteArray& line : bytes.split('\n'))
                QVERIFY2(line.size() <= 76, line.constData());  // 75 octets and the CR
        }

        NewBook();
        const ImportReport r = Import({out}, std::nullopt, false);
        QCOMPARE(RejectTexts(r.rejects), QStringList());
        QCOMPARE(r.added, int(rows.size()));
        QCOMPARE(BookValues(), before);
        Q_UNUSED(source);
    }

    // The export never overwrites a database, the book itself least of all.
    void exportRefusesADatabase()
    {
        const QString book = NewBook({{"", "가", "1", "", "", "", ""}});
        const QByteArray was = testsupport::ReadFile(book);
        const QString message = testsupport::MessageOf([&] { Export(Format::Csv, book); });
        QVERIFY2(message.contains(QStringLiteral("is a database")), qPrintable(message));
        QCOMPARE(testsupport::ReadFile(book), was);
    }

    void exportedCard()
    {
        NewBook({{"친구", "김철수", "02-1", "010-2", "06236", "서울 강남구", "1층"}});
        const QString out = dir_.filePath(QStringLiteral("one.vcf"));
        Export(Format::VCard, out);
        QCOMPARE(QString::fromUtf8(testsupport::ReadFile(out)),
                 QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nN:김철수;;;;\r\nFN:김철수\r\n"
                                "TEL;TYPE=CELL:010-2\r\nTEL;TYPE=VOICE:02-1\r\n"
                                "ADR;TYPE=HOME:;1층;서울 강남구;;;06236;\r\nCATEGORIES:친구\r\nEND:VCARD\r\n"));
    }

    void koreanSummary()
    {
        ImportReport r;
        r.read = 14;
        r.added = 10;
        r.duplicates = 1;
        for (int i = 1; i <= 12; ++i)
            r.rejects.push_back({QStringLiteral("/home/me/연락처.csv"), i + 1, Fault::NoNameNoNumber, {}});
        const QString text = ReportSummaryKorean(r);
        QVERIFY(text.startsWith(QStringLiteral("가져오기를 마쳤습니다.\n읽음 14건, 추가 10건, 중복으로 건너뜀 1건, "
                                               "거부 12건\n\n거부된 항목:\n연락처.csv 2행: 이름도 전화번호도 없습니다\n")));
        QVERIFY(text.endsWith(QStringLiteral("연락처.csv 11행: 이름도 전화번호도 없습니다\n외 2건")));
    }
};

QTEST_GUILESS_MAIN(TestContactsIo)
#include "test_contacts_io.moc"
