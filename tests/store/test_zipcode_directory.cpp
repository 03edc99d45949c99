// ZipcodeDirectory: its searches over a small zipcode.db and its two address texts.
#include "store/paths.h"
#include "store/zipcode_directory.h"
#include "testsupport.h"

#include <QFile>
#include <QFileInfo>
#include <QtTest>
#include <functional>

using testsupport::MessageOf;

namespace {

QStringList Rows(const ZipcodeRows& rows)
{
    QStringList out;
    for (const ZipcodeRow& r : rows)
        out << QStringList({r.zipcode, r.sido, r.gugun, r.dong, r.ri, r.bldg, r.bunji}).join(QLatin1Char('|'));
    return out;
}

QStringList Dongs(const ZipcodeRows& rows)
{
    QStringList out;
    for (const ZipcodeRow& r : rows)
        out << r.dong;
    out.sort();
    return out;
}

}  // namespace

class TestZipcodeDirectory : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    QString file_;

    void MakeDirectory(const char* schema = "CREATE TABLE zipcode (seq INTEGER, zipcode TEXT, sido TEXT,"
                                            " gugun TEXT, dong TEXT, ri TEXT, bldg TEXT, bunji TEXT)")
    {
        testsupport::Exec(file_, schema);
        testsupport::Exec(file_, R"(INSERT INTO zipcode(zipcode, sido, gugun, dong, ri, bldg, bunji) VALUES
            ('135-080', '서울', '강남구', '역삼동', '', '', ''),
            ('135-080', '서울', '강남구', '역삼1동', '', '', '600~700'),
            ('135-280', '서울', '강남구', '대치동', '', '', ''),
            ('614-865', '부산', '부산진구', 'Yeonji-dong', '', '', '1~10'),
            ('363-881', '충북', '청원군', '남이면', '갈원리', '', ''),
            ('010', NULL, NULL, NULL, NULL, NULL, NULL),
            ('999-999', '', '', '', '', '', ''))");
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        SetExeFolder(dir_->path());
        file_ = ExeFolder() + QStringLiteral("zipcode.db");
    }
    void cleanup()
    {
        SetExeFolder(QString());
        dir_.reset();
    }

    void textForms_data()
    {
        QTest::addColumn<QStringList>("parts");  // sido, gugun, dong, ri, bldg, bunji
        QTest::addColumn<QString>("local");
        QTest::newRow("all parts") << QStringList({"충북", "청원군", "남이면", "갈원리", "현대아파트", "1~10"})
                                   << "청원군 남이면 갈원리 현대아파트 1~10";
        QTest::newRow("no ri, no bldg") << QStringList({"서울", "강남구", "역삼동", "", "", "600~700"})
                                        << "강남구 역삼동   600~700";
        QTest::newRow("no gugun") << QStringList({"세종", "", "조치원읍", "", "", "1"}) << " 조치원읍   1";
        QTest::newRow("no bunji") << QStringList({"서울", "강남구", "역삼동", "", "", ""}) << "강남구 역삼동   ";
        QTest::newRow("all empty") << QStringList({"", "", "", "", "", ""}) << "    ";
        QTest::newRow("blanks kept") << QStringList({" 서울 ", " 강남구", "역삼동 ", "", " ", ""})
                                     << " 강남구 역삼동     ";
    }
    void textForms()
    {
        QFETCH(QStringList, parts);
        QFETCH(QString, local);
        const ZipcodeRow row{"135-080", parts[0], parts[1], parts[2], parts[3], parts[4], parts[5]};
        QCOMPARE(ZipcodeDirectory::LocalAddress(row), local);
        QCOMPARE(ZipcodeDirectory::FullAddress(row), parts[0] + QLatin1Char(' ') + local);
    }

    void findByDong_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QStringList>("dongs");
        QTest::newRow("empty: every non-NULL dong")
            << "" << QStringList({"", "Yeonji-dong", "남이면", "대치동", "역삼1동", "역삼동"});
        QTest::newRow("Hangul") << "역삼" << QStringList({"역삼1동", "역삼동"});
        QTest::newRow("syllable") << "동" << QStringList({"대치동", "역삼1동", "역삼동"});
        QTest::newRow("_ wildcard") << "역삼_" << QStringList({"역삼1동", "역삼동"});
        QTest::newRow("% wildcard") << "역%동" << QStringList({"역삼1동", "역삼동"});
        QTest::newRow("Latin case") << "YEONJI" << QStringList({"Yeonji-dong"});
        QTest::newRow("nothing") << "없는동" << QStringList();
        QTest::newRow("quote") << "\" or \"\"=\"" << QStringList();
    }
    void findByDong()
    {
        QFETCH(QString, keyword);
        QFETCH(QStringList, dongs);
        MakeDirectory();
        QCOMPARE(Dongs(ZipcodeDirectory::FindByDong(keyword)), dongs);
    }

    void findByZipcode()
    {
        MakeDirectory();
        // shared code: every row, in result order
        QCOMPARE(Rows(ZipcodeDirectory::FindByZipcode(QStringLiteral("135-080"))),
                 QStringList({"135-080|서울|강남구|역삼동|||", "135-080|서울|강남구|역삼1동|||600~700"}));
        QCOMPARE(Rows(ZipcodeDirectory::FindByZipcode(QStringLiteral("010"))), QStringList({"010||||||"}));
        QVERIFY(ZipcodeDirectory::FindByZipcode(QStringLiteral("135-08")).empty());
        QVERIFY(ZipcodeDirectory::FindByZipcode(QStringLiteral("135%")).empty());  // equality, no wildcard
        QVERIFY(ZipcodeDirectory::FindByZipcode(QStringLiteral("135-080 ")).empty());
        QVERIFY(ZipcodeDirectory::FindByZipcode(QStringLiteral("' or '1'='1")).empty());
        QCOMPARE(ZipcodeDirectory::FullAddress(ZipcodeDirectory::FindByZipcode(QStringLiteral("363-881")).at(0)),
                 QStringLiteral("충북 청원군 남이면 갈원리  "));
    }

    void missingFile()
    {
        QVERIFY(!QFile::exists(file_));
        // the statement as it reads, the value in its quotes
        const auto expected = [](const QString& where) {
            return QStringLiteral("Error executing SQL.\rError [1]: SQL error or missing database.\r"
                                  "\"select * from zipcode where ") +
                   where + QStringLiteral("\": no such table: zipcode");
        };
        QCOMPARE(MessageOf([] { ZipcodeDirectory::FindByDong(QStringLiteral("역삼")); }),
                 expected(QStringLiteral("dong like \"%역삼%\"")));
        QVERIFY(QFile::exists(file_));  // the open left an empty database behind
        QCOMPARE(QFileInfo(file_).size(), 0);
        QCOMPARE(MessageOf([] { ZipcodeDirectory::FindByDong(QString()); }), expected(QStringLiteral("dong like \"%%\"")));
        QCOMPARE(MessageOf([] { ZipcodeDirectory::FindByZipcode(QStringLiteral("135-080")); }),
                 expected(QStringLiteral("zipcode='135-080'")));
    }

    void missingColumn()
    {
        testsupport::Exec(file_, "CREATE TABLE zipcode (zipcode TEXT, sido TEXT, gugun TEXT, dong TEXT,"
                                 " ri TEXT, bunji TEXT);"
                                 "INSERT INTO zipcode VALUES ('135-080', '서울', '강남구', '역삼동', '', '');");
        QVERIFY(ZipcodeDirectory::FindByDong(QStringLiteral("없는동")).empty());
        QCOMPARE(MessageOf([] { ZipcodeDirectory::FindByDong(QStringLiteral("역삼")); }),
                 QStringLiteral("Field not found in dataset: bldg"));
    }
};

QTEST_GUILESS_MAIN(TestZipcodeDirectory)
#include "test_zipcode_directory.moc"
