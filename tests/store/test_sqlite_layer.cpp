// The database-access layer: its messages, its results and the text form of values.
#include "store/sqlite_layer.h"
#include "testsupport.h"

#include <QFile>
#include <QtTest>
#include <chrono>
#include <clocale>
#include <functional>
#include <string>
#include <thread>

namespace {

// Another process's connection, holding a lock on a file while the test runs.
class OtherConnection {
public:
    explicit OtherConnection(const QString& path) { sqlite3_open(path.toUtf8().constData(), &db_); }
    ~OtherConnection() { sqlite3_close(db_); }
    void Run(const char* sql)
    {
        char* err = nullptr;
        if (sqlite3_exec(db_, sql, nullptr, nullptr, &err) != SQLITE_OK) {
            const QString message = QString::fromUtf8(err);
            sqlite3_free(err);
            QFAIL(qPrintable("lock set-up failed: " + message));
        }
    }

private:
    sqlite3* db_ = nullptr;
};

QString MessageOf(const std::function<void()>& action)
{
    return testsupport::MessageOf<ESQLiteException>(action);
}

QString Details(int code, const QString& sql, const QString& sqliteMessage)
{
    return QStringLiteral(".\rError [%1]: %2.\r\"%3\": %4")
        .arg(code)
        .arg(SQLiteResultText(code), sql, sqliteMessage);
}

}  // namespace

class TestSqliteLayer : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path_;

private slots:
    void init()
    {
        path_ = dir_.filePath(QStringLiteral("layer-%1.db").arg(QTest::currentTestFunction()) +
                              QTest::currentDataTag());
        QFile::remove(path_);
        testsupport::Exec(path_, "CREATE TABLE t (k INTEGER UNIQUE, v TEXT);"
                                 "INSERT INTO t VALUES (1, 'one'), (2, 'two');");
    }

    void missingTable()
    {
        TSQLiteDatabase db(path_);
        const QString sql = QStringLiteral("select * from nowhere");
        const QString expected =
            QStringLiteral("Error executing SQL") + Details(1, sql, QStringLiteral("no such table: nowhere"));
        QCOMPARE(MessageOf([&] { db.Query(sql); }), expected);
        QCOMPARE(MessageOf([&] { db.Execute(sql); }), expected);
        QCOMPARE(expected.count(QLatin1Char('\r')), 2);
    }

    void writeWhileAnotherConnectionHoldsALock()
    {
        OtherConnection other(path_);
        other.Run("BEGIN IMMEDIATE");
        TSQLiteDatabase db(path_);
        // the message shows the statement as it reads, each value in its place
        const QString sql = QStringLiteral("insert into t values (?, \"?\")");
        QCOMPARE(MessageOf([&] { db.Execute(sql, {qint64(3), QStringLiteral("three")}); }),
                 QStringLiteral("Error executing SQL statement") +
                     Details(5, QStringLiteral("insert into t values (3, \"three\")"),
                             QStringLiteral("database is locked")));
        other.Run("ROLLBACK");
        QCOMPARE(db.Query(QStringLiteral("select * from t")).RowCount(), 2);
    }

    void queryWhileAnotherConnectionHoldsAnExclusiveLock()
    {
        TSQLiteDatabase fresh(path_);
        TSQLiteDatabase warm(path_);
        warm.Query(QStringLiteral("select * from t"));  // schema already read
        OtherConnection other(path_);
        other.Run("BEGIN EXCLUSIVE");
        const QString sql = QStringLiteral("select * from t");
        // a new connection cannot even read the schema: the compile fails
        QCOMPARE(MessageOf([&] { fresh.Query(sql); }),
                 QStringLiteral("Error executing SQL") + Details(5, sql, QStringLiteral("database is locked")));
        // one that has the schema compiles, and meets the lock while reading rows
        QCOMPARE(MessageOf([&] { warm.Query(sql); }), QStringLiteral("Could not prepare SQL statement"));
    }

    void textWithoutStatement_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::newRow("empty") << QString();
        QTest::newRow("blanks") << QStringLiteral("   ");
        QTest::newRow("comment") << QStringLiteral("-- nothing here");
    }
    void textWithoutStatement()
    {
        QFETCH(QString, sql);
        TSQLiteDatabase db(path_);
        QCOMPARE(MessageOf([&] { db.Query(sql); }), QStringLiteral("Could not prepare SQL statement"));
        QCOMPARE(MessageOf([&] { db.Execute(sql); }), QStringLiteral("Could not prepare SQL statement"));
    }

    void stepFailures_data()
    {
        QTest::addColumn<bool>("query");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("expected");
        const QString overflow = QStringLiteral("select abs(-9223372036854775808)");
        QTest::newRow("row error") << true << overflow
                                   << QStringLiteral("Could not retrieve data") +
                                          Details(1, overflow, QStringLiteral("integer overflow"));
        // the primary code (19), not the extended one, with the system's own text
        const QString duplicate = QStringLiteral("insert into t values (1, 'again')");
        QTest::newRow("constraint") << false << duplicate
                                    << QStringLiteral("Error executing SQL statement") +
                                           Details(19, duplicate, QStringLiteral("UNIQUE constraint failed: t.k"));
        // a statement that yields a row has not finished
        QTest::newRow("row from execute") << false << QStringLiteral("select * from t")
                                          << QStringLiteral("Error executing SQL statement");
    }
    void stepFailures()
    {
        QFETCH(bool, query);
        QFETCH(QString, sql);
        QFETCH(QString, expected);
        TSQLiteDatabase db(path_);
        QCOMPARE(MessageOf([&] {
                     if (query)
                         db.Query(sql);
                     else
                         db.Execute(sql);
                 }),
                 expected);
        QCOMPARE(db.Query(QStringLiteral("select * from t")).RowCount(), 2);
    }

    void openFailure()
    {
        const QString path = dir_.filePath(QStringLiteral("no/such/folder/x.db"));
        QCOMPARE(MessageOf([&] { TSQLiteDatabase db(path); }),
                 QStringLiteral("Failed to open database \"") + path +
                     QStringLiteral("\" : unable to open database file"));
    }

    void openCreatesMissingFile()
    {
        const QString path = dir_.filePath(QStringLiteral("fresh.db"));
        QVERIFY(!QFile::exists(path));
        { TSQLiteDatabase db(path); }
        QVERIFY(QFile::exists(path));
    }

    void onlyFirstStatementRuns()
    {
        TSQLiteDatabase db(path_);
        QCOMPARE(db.Query(QStringLiteral("select * from t; drop table t")).RowCount(), 2);
        db.Execute(QStringLiteral("delete from t where k=1; drop table t"));
        QCOMPARE(db.Query(QStringLiteral("select * from t")).RowCount(), 1);
    }

    void fieldLookupOnEmptyResult()
    {
        TSQLiteDatabase db(path_);
        const TSQLiteTable table = db.Query(QStringLiteral("select * from t where k=?"), {qint64(99)});
        QCOMPARE(table.RowCount(), 0);
        QCOMPARE(table.ColumnCount(), 0);  // no row, no columns
        QVERIFY(table.Eof());
        QCOMPARE(MessageOf([&] { table.FieldIndex(QStringLiteral("k")); }),
                 QStringLiteral("Field k Not found. Empty dataset"));
        QCOMPARE(MessageOf([&] { table.FieldAsString(QStringLiteral("v")); }),
                 QStringLiteral("Field v Not found. Empty dataset"));
    }

    void fieldLookupOnRows()
    {
        TSQLiteDatabase db(path_);
        const TSQLiteTable table = db.Query(QStringLiteral("select k, v as Value_1 from t"));
        QCOMPARE(table.ColumnCount(), 2);
        QCOMPARE(table.ColumnName(0), QStringLiteral("K"));
        QCOMPARE(table.ColumnName(1), QStringLiteral("VALUE_1"));
        QCOMPARE(table.FieldIndex(QStringLiteral("value_1")), 1);
        QCOMPARE(table.FieldIndex(QStringLiteral("VaLuE_1")), 1);
        QCOMPARE(table.FieldAsString(QStringLiteral("value_1")), QStringLiteral("one"));
        QCOMPARE(MessageOf([&] { table.FieldIndex(QStringLiteral("v")); }),
                 QStringLiteral("Field not found in dataset: v"));
    }

    void readingPastTheEnd()
    {
        TSQLiteDatabase db(path_);
        TSQLiteTable table = db.Query(QStringLiteral("select v from t"));
        db.Close();  // the result stands on its own
        QStringList seen;
        for (; !table.Eof(); table.Next())
            seen << table.FieldAsString(0);
        QCOMPARE(seen, QStringList({"one", "two"}));
        table.Next();
        QVERIFY(table.Eof());
        QCOMPARE(MessageOf([&] { table.FieldAsString(0); }), QStringLiteral("Table is at End of File"));
        QCOMPARE(MessageOf([&] { table.FieldAsString(QStringLiteral("v")); }),
                 QStringLiteral("Table is at End of File"));
    }

    // A large result, with texts that repeat (stored once) and texts that do not; a copy of
    // the result reads the same, on its own position.
    void largeResultReadsBackExactly()
    {
        const int rows = 40000;
        auto repeated = [](int i) { return QStringLiteral("분류%1").arg(i % 7); };
        auto unique = [](int i) { return QStringLiteral("이름 %1").arg(i); };
        auto mixed = [](int i) { return i % 3 == 0 ? QString() : i % 3 == 1 ? QString("") : QString("x%1").arg(i % 2); };
        {
            TSQLiteDatabase db(path_);
            db.Execute(QStringLiteral("create table big (r TEXT, u TEXT, m TEXT, n INTEGER)"));
            db.Execute(QStringLiteral("begin"));
            for (int i = 0; i < rows; ++i)
                db.Execute(QStringLiteral("insert into big values (?, ?, ?, ?)"),
                           {repeated(i), unique(i), i % 3 == 0 ? QVariant() : QVariant(mixed(i)), qint64(i)});
            db.Execute(QStringLiteral("commit"));
        }
        TSQLiteDatabase db(path_);
        TSQLiteTable table = db.Query(QStringLiteral("select * from big order by n"));
        QCOMPARE(table.RowCount(), rows);
        for (int i = 0; i < rows / 2; ++i, table.Next()) {
            if (table.FieldAsString(0) != repeated(i) || table.FieldAsString(1) != unique(i) ||
                table.FieldAsString(2) != mixed(i) || table.FieldAsString(3) != QString::number(i))
                QFAIL(qPrintable(QStringLiteral("row %1 differs").arg(i)));
        }
        TSQLiteTable copy = table;
        for (int i = rows / 2; i < rows; ++i, table.Next()) {
            if (table.FieldAsString(0) != repeated(i) || table.FieldAsString(1) != unique(i) ||
                table.FieldAsString(2) != mixed(i) || table.FieldAsString(3) != QString::number(i))
                QFAIL(qPrintable(QStringLiteral("row %1 differs").arg(i)));
        }
        QVERIFY(table.Eof());
        QVERIFY(!copy.Eof());
        QCOMPARE(copy.FieldAsString(1), unique(rows / 2));
    }

    // How a message shows a statement: each value between the quotes around its placeholder,
    // bare where the placeholder is bare, numbers alike in every locale; SQLite still gets the
    // values bound, so a value that looks like statement text stays a value.
    void statementInMessages_data()
    {
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QVariantList>("values");
        QTest::addColumn<QString>("shown");
        QTest::newRow("apostrophes") << "select * from nowhere where v='?'" << QVariantList{"친구"}
                                     << "select * from nowhere where v='친구'";
        QTest::newRow("double quotes") << "select * from nowhere where v like \"?\"" << QVariantList{"%김%"}
                                       << "select * from nowhere where v like \"%김%\"";
        QTest::newRow("bare number") << "select * from nowhere where k=?" << QVariantList{qint64(42)}
                                     << "select * from nowhere where k=42";
        QTest::newRow("real") << "select * from nowhere where k=?" << QVariantList{0.1}
                              << "select * from nowhere where k=0.1";
        QTest::newRow("several, a value with quotes and ?")
            << "select * from nowhere where a='?' and b=\"?\" and c=?" << QVariantList{"'?'", "\"?\"", qint64(-7)}
            << "select * from nowhere where a=''?'' and b=\"\"?\"\" and c=-7";
    }
    void statementInMessages()
    {
        QFETCH(QString, sql);
        QFETCH(QVariantList, values);
        QFETCH(QString, shown);
        TSQLiteDatabase db(path_);
        QCOMPARE(MessageOf([&] { db.Query(sql, values); }),
                 QStringLiteral("Error executing SQL") + Details(1, shown, QStringLiteral("no such table: nowhere")));
    }

    // A result is a plain value: read after its file is closed, copied, moved, empty.
    void resultIsAPlainValue()
    {
        TSQLiteDatabase db(path_);
        db.Execute(QStringLiteral("insert into t values (?, ?)"), {qint64(3), QVariant()});
        TSQLiteTable table = db.Query(QStringLiteral("select k, v from t order by k"));
        db.Close();
        QCOMPARE(table.RowCount(), 3);
        QCOMPARE(table.Text(1, 1), QStringLiteral("two"));  // any row, the position kept
        QCOMPARE(table.Text(2, 1), QString());               // NULL: empty text
        QCOMPARE(QByteArray(table.Utf8(0, 1).data(), qsizetype(table.Utf8(0, 1).size())), QByteArray("one"));
        QCOMPARE(table.FieldAsString(1), QStringLiteral("one"));
        QCOMPARE(MessageOf([&] { table.Text(3, 0); }), QStringLiteral("Table is at End of File"));
        QCOMPARE(MessageOf([&] { table.Text(0, 2); }), QStringLiteral("Column index out of range: 2"));

        table.Next();
        TSQLiteTable copy = table;  // a copy reads the same, from the same position, on its own
        copy.Next();
        QCOMPARE(table.FieldAsString(0), QStringLiteral("2"));
        QCOMPARE(copy.FieldAsString(0), QStringLiteral("3"));

        TSQLiteTable moved = std::move(table);  // a move takes the rows away
        QCOMPARE(moved.RowCount(), 3);
        QCOMPARE(moved.FieldAsString(1), QStringLiteral("two"));
        QCOMPARE(table.RowCount(), 0);
        QCOMPARE(table.ColumnCount(), 0);
        QVERIFY(table.Eof());
        copy = std::move(moved);
        QCOMPARE(moved.RowCount(), 0);
        QCOMPARE(copy.Text(0, 1), QStringLiteral("one"));
        copy = TSQLiteTable();
        QCOMPARE(copy.RowCount(), 0);
        QVERIFY(copy.Eof());
        QCOMPARE(MessageOf([&] { copy.FieldAsString(0); }), QStringLiteral("Table is at End of File"));
    }

    void boundValues()
    {
        TSQLiteDatabase db(path_);
        const QString awkward = QStringLiteral("a'b\"c; drop table t --");
        db.Execute(QStringLiteral("insert into t values (?, ?)"), {qint64(7), awkward});
        db.Execute(QStringLiteral("insert into t values (?, ?)"), {qint64(8), QVariant()});
        TSQLiteTable table = db.Query(QStringLiteral("select v, v is null from t where k>=? order by k"),
                                      {qint64(7)});
        QCOMPARE(table.FieldAsString(0), awkward);
        QCOMPARE(table.FieldAsString(1), QStringLiteral("0"));
        table.Next();
        QCOMPARE(table.FieldAsString(0), QString());
        QCOMPARE(table.FieldAsString(1), QStringLiteral("1"));
    }

    // The declared type, compared exactly and with case, picks the text form.
    void valueAsText_data()
    {
        QTest::addColumn<QString>("declared");  // empty: no declared type
        QTest::addColumn<QString>("literal");
        QTest::addColumn<QString>("expected");
        QTest::newRow("INTEGER") << "INTEGER" << "42" << "42";
        QTest::newRow("INTEGER negative") << "INTEGER" << "-5" << "-5";
        QTest::newRow("INTEGER 64-bit") << "INTEGER" << "9223372036854775807" << "9223372036854775807";
        QTest::newRow("INTEGER holding text") << "INTEGER" << "'abc'" << "0";
        QTest::newRow("INTEGER holding real") << "INTEGER" << "2.75" << "2";
        // SQLite itself reports its standard names (INTEGER, REAL, TEXT) upper-cased; the
        // others come back as declared, and only the exact upper-case form counts
        QTest::newRow("boolean lower case: as stored") << "boolean" << "'abc'" << "abc";
        QTest::newRow("BOOLEAN") << "BOOLEAN" << "1" << "1";
        QTest::newRow("NUMERIC whole") << "NUMERIC" << "12345.0" << "12345";
        QTest::newRow("REAL whole") << "REAL" << "12345" << "12345";
        QTest::newRow("REAL fraction") << "REAL" << "0.1" << "0.1";
        QTest::newRow("DOUBLE 15 digits") << "DOUBLE" << "1.0/3" << "0.333333333333333";
        QTest::newRow("FLOAT large") << "FLOAT" << "123456789012345678" << "1.23456789012346e+17";
        QTest::newRow("FLOAT negative") << "FLOAT" << "-2.5" << "-2.5";
        QTest::newRow("double lower case: as stored") << "double" << "12345" << "12345.0";
        QTest::newRow("Float mixed case: as stored") << "Float" << "2" << "2.0";
        QTest::newRow("TEXT leading zero") << "TEXT" << "'007'" << "007";
        QTest::newRow("TEXT holding real") << "TEXT" << "12345.0" << "12345.0";
        QTest::newRow("VARCHAR Hangul") << "VARCHAR(20)" << "'홍길동'" << "홍길동";
        QTest::newRow("TEXT blanks") << "TEXT" << "'  a  '" << "  a  ";
        QTest::newRow("INTEGER NULL") << "INTEGER" << "NULL" << "";
        QTest::newRow("REAL NULL") << "REAL" << "NULL" << "";
        QTest::newRow("TEXT NULL") << "TEXT" << "NULL" << "";
        QTest::newRow("untyped integer") << "" << "3" << "3";
        QTest::newRow("untyped real") << "" << "3.0" << "3";
        QTest::newRow("untyped text") << "" << "'x y'" << "x y";
        // a leading U+FEFF is part of the text, not a byte-order mark
        // (written with QChar: a literal read as UTF-8 would lose it on the way into the test)
        const QString bom(QChar(0xFEFF));
        QTest::newRow("TEXT leading U+FEFF") << "TEXT" << "char(65279) || 'x'" << bom + "x";
        QTest::newRow("TEXT only U+FEFF") << "TEXT" << "char(65279, 65279)" << bom + bom;
    }
    void valueAsText()
    {
        QFETCH(QString, declared);
        QFETCH(QString, literal);
        QFETCH(QString, expected);
        TSQLiteDatabase db(path_);
        db.Execute(QStringLiteral("create table typed (x ") + declared + QStringLiteral(")"));
        db.Execute(QStringLiteral("insert into typed values (") + literal + QStringLiteral(")"));
        const TSQLiteTable table = db.Query(QStringLiteral("select x from typed"));
        QCOMPARE(table.FieldAsString(QStringLiteral("x")), expected);
        // the same under a locale that writes a decimal comma, where one is installed
        const std::string numeric = std::setlocale(LC_NUMERIC, nullptr);
        if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8")) {
            const QString german = db.Query(QStringLiteral("select x from typed")).FieldAsString(0);
            std::setlocale(LC_NUMERIC, numeric.c_str());
            QCOMPARE(german, expected);
        }
    }

    void backup()
    {
        TSQLiteDatabase source(path_);
        QCOMPARE(MessageOf([&] { source.BackupTo(source); }), QStringLiteral("Could not initialize backup"));
        TSQLiteDatabase target(dir_.filePath(QStringLiteral("copy.db")));
        QCOMPARE(source.BackupTo(target), 101);
        QCOMPARE(target.Query(QStringLiteral("select v from t where k=2")).FieldAsString(0), QStringLiteral("two"));
    }

    // A connection told to wait for locks waits that long and then fails as one that does not.
    void waitForLocks()
    {
        TSQLiteDatabase source(path_);
        source.WaitForLocks(300);
        TSQLiteDatabase target(dir_.filePath(QStringLiteral("copy.db")));
        QElapsedTimer clock;
        clock.start();
        {
            OtherConnection other(path_);
            other.Run("BEGIN EXCLUSIVE");
            QCOMPARE(source.BackupTo(target), 5);
            QVERIFY2(clock.elapsed() >= 300, qPrintable(QString::number(clock.elapsed())));
            clock.restart();
            QCOMPARE(MessageOf([&] { source.Query(QStringLiteral("select * from t")); }).left(19),
                     QStringLiteral("Error executing SQL"));
            QVERIFY(clock.elapsed() < 300);  // the time allowed is spent
            other.Run("ROLLBACK");
        }
        source.WaitForLocks(2000);
        {
            OtherConnection other(path_);
            other.Run("BEGIN EXCLUSIVE");
            std::thread release([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(200));
                other.Run("ROLLBACK");
            });
            QCOMPARE(source.BackupTo(target), 101);
            release.join();
        }
        QCOMPARE(target.Query(QStringLiteral("select count(*) from t")).FieldAsString(0), QStringLiteral("2"));
    }

    // The quick check tells damage from a file that cannot be read for the moment.
    void quickCheck()
    {
        TSQLiteDatabase db(path_);
        QCOMPARE(db.QuickCheck(), QString());
        {
            OtherConnection other(path_);
            other.Run("BEGIN EXCLUSIVE");
            QVERIFY(MessageOf([&] { db.QuickCheck(); }).contains(QStringLiteral("Error [5]")));
            other.Run("ROLLBACK");
        }
        db.Close();

        const QString text = dir_.filePath(QStringLiteral("notes.db"));
        QFile notes(text);
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write(QByteArray("not a database\n").repeated(500));
        notes.close();
        TSQLiteDatabase other(text);
        QCOMPARE(other.QuickCheck(), QStringLiteral("file is not a database"));

        const QString damaged = dir_.filePath(QStringLiteral("damaged.db"));
        testsupport::MakeBook(damaged, std::vector<QStringList>(3000, {"unit", "a name", "02-000-0000"}));
        QFile f(damaged);
        QVERIFY(f.open(QIODevice::ReadWrite));
        QVERIFY(f.seek((f.size() / 4096 / 2) * 4096));
        f.write(QByteArray(4096, '\x5a'));
        f.close();
        TSQLiteDatabase book(damaged);
        QVERIFY(!book.QuickCheck().isEmpty());
    }

    void resultCodeTexts_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("text");
        QTest::newRow("0") << 0 << "Successful result";
        QTest::newRow("5") << 5 << "The database file is locked";
        QTest::newRow("12") << 12 << "(Internal Only) Table or record not found";
        QTest::newRow("19") << 19 << "Abort due to contraint violation";
        QTest::newRow("25") << 25 << "2nd parameter to sqlite3_bind out of range";
        QTest::newRow("26") << 26 << "File opened that is not a database file";
        QTest::newRow("100") << 100 << "sqlite3_step() has another row ready";
        QTest::newRow("101") << 101 << "sqlite3_step() has finished executing";
        QTest::newRow("27") << 27 << "Unknown SQLite Error Code \"27\"";
        QTest::newRow("-1") << -1 << "Unknown SQLite Error Code \"-1\"";
    }
    void resultCodeTexts()
    {
        QFETCH(int, code);
        QFETCH(QString, text);
        QCOMPARE(SQLiteResultText(code), text);
    }
};

QTEST_GUILESS_MAIN(TestSqliteLayer)
#include "test_sqlite_layer.moc"
