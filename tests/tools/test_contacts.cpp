// The contacts command as a user runs it: its report, a dry run, a locked or missing book, an
// export read back, and its arguments.
#include "processsupport.h"
#include "testsupport.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using testsupport::RunProcess;

namespace {
testsupport::Run RunContacts(const QStringList& args)
{
    return RunProcess(QStringLiteral(BINARY_DIR "/contacts"), args);
}
}  // namespace

namespace {

QStringList Names(const QString& book)
{
    QStringList names;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(book.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "select name, unit from ADDRESS_LIST order by num", -1, &st, nullptr) ==
            SQLITE_OK)
            while (sqlite3_step(st) == SQLITE_ROW)
                names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))) + "/" +
                             QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 1)));
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return names;
}

const QByteArray kCards = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:\xEA\xB9\x80\xEC\xB2\xA0\xEC\x88\x98\r\n"  // 김철수
                          "TEL;TYPE=CELL:010-1\r\nCATEGORIES:\xEA\xB0\x80\xEC\xA1\xB1\r\nEND:VCARD\r\n"  // 가족
                          "BEGIN:VCARD\r\nVERSION:3.0\r\nNOTE:nobody\r\nEND:VCARD\r\n";

}  // namespace

class TestContacts : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;

    QString Path(const QString& name) const { return dir_.filePath(name); }
    QString NewBook(const QString& name, const std::vector<QStringList>& rows = {})
    {
        const QString path = Path(name);
        QFile::remove(path);
        testsupport::MakeBook(path, rows);
        return path;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        testsupport::WriteFile(Path("cards.vcf"), kCards);
        testsupport::WriteFile(
            Path("sheet.csv"), testsupport::EncodeCp949(QStringLiteral("이름,휴대폰\r\n김철수,010-1\r\n이영희,010-2\r\n")));
    }

    void importReport()
    {
        const QString book = NewBook("import.db", {{"가족", "김철수", "", "010-1", "", "", ""}});
        const auto r = RunContacts({"import", Path("cards.vcf"), Path("sheet.csv"),
                                                 Path("missing.vcf"), book});
        QCOMPARE(r.code, 0);
        const QStringList lines = r.out.trimmed().split('\n');
        QCOMPARE(lines, (QStringList{
                            Path("cards.vcf") + ": vCard, UTF-8, 2 read",
                            Path("sheet.csv") + ": CSV, CP949, 2 read",
                            "rejected: " + Path("cards.vcf") + ":7: no name and no telephone number",
                            "rejected: " + Path("missing.vcf") + ": cannot read the file: No such file or directory",
                            "read 4, added 2, skipped as duplicates 1, rejected 2",
                        }));
        QCOMPARE(Names(book), (QStringList{"김철수/가족", "김철수/", "이영희/"}));
    }

    void dryRunAndCategory()
    {
        const QString book = NewBook("dry.db");
        auto r = RunContacts({"import", "--dry-run", "--category", "동창", Path("sheet.csv"), book});
        QCOMPARE(r.code, 0);
        QVERIFY2(r.out.endsWith("dry run: nothing was written to " + book +
                                "\nread 2, would add 2, skipped as duplicates 0, rejected 0\n"),
                 qPrintable(r.out));
        QCOMPARE(Names(book), QStringList());
        r = RunContacts({"import", "--category", "동창", Path("sheet.csv"), book});
        QCOMPARE(r.code, 0);
        QCOMPARE(Names(book), (QStringList{"김철수/동창", "이영희/동창"}));
    }

    void lockedOrMissingBook()
    {
        const QString book = NewBook("locked.db");
        {
            testsupport::Lock lock(book, "BEGIN IMMEDIATE");
            QVERIFY(lock.ok());
            const auto r = RunContacts({"import", Path("sheet.csv"), book});
            QCOMPARE(r.code, 1);
            QVERIFY2(r.err.contains("The database file is locked"), qPrintable(r.err));
            QVERIFY2(r.err.endsWith("contacts: nothing was written\n"), qPrintable(r.err));
        }
        QCOMPARE(Names(book), QStringList());

        const QString missing = Path("nobook.db");
        const auto r = RunContacts({"import", Path("sheet.csv"), missing});
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.startsWith("contacts: Failed to open database"), qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(missing));
    }

    void exportBothFormats()
    {
        const QString book = NewBook("export.db", {{"친구", "김철수", "02-1", "010-1", "01234", "서울", "1층"}});
        auto r = RunContacts({"export", "csv", book, Path("out.csv")});
        QCOMPARE(r.code, 0);
        QCOMPARE(r.out, "exported 1 entries to " + Path("out.csv") + "\n");
        QCOMPARE(testsupport::ReadFile(Path("out.csv")),
                 "\xEF\xBB\xBF" + QStringLiteral("분류,이름,전화번호,휴대폰,우편번호,주소,상세주소\r\n"
                                                  "친구,김철수,02-1,010-1,01234,서울,1층\r\n")
                                        .toUtf8());
        r = RunContacts({"export", "vcf", book, Path("out.vcf")});
        QCOMPARE(r.code, 0);
        QVERIFY(testsupport::ReadFile(Path("out.vcf")).contains("ADR;TYPE=HOME:;1\xEC\xB8\xB5;"));

        // The book named as the output is refused and left as it was.
        const QByteArray was = testsupport::ReadFile(book);
        r = RunContacts({"export", "csv", book, book});
        QCOMPARE(r.code, 1);
        QCOMPARE(testsupport::ReadFile(book), was);
    }

    void wrongArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("nothing") << QStringList{};
        QTest::newRow("unknown command") << QStringList{"merge", "a", "b"};
        QTest::newRow("import without book") << QStringList{"import", "a.vcf"};
        QTest::newRow("unknown option") << QStringList{"import", "--fast", "a.vcf", "b.db"};
        QTest::newRow("export format") << QStringList{"export", "xml", "b.db", "out"};
        QTest::newRow("export without out") << QStringList{"export", "vcf", "b.db"};
    }

    void wrongArguments()
    {
        QFETCH(QStringList, args);
        const auto r = RunContacts(args);
        QCOMPARE(r.code, 2);
        QVERIFY(r.err.startsWith("usage: contacts import"));
    }
};

QTEST_GUILESS_MAIN(TestContacts)
#include "test_contacts.moc"
