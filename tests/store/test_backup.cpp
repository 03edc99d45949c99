// The backup copy of the address book: what it copies, what it refuses, how it meets other
// programs' locks, and what is left when it is killed part-way. The test program is also its own
// helper: run with --backup-in <folder> it makes one backup there, with --write-book <book> <ms>
// it keeps committing small writes to a book for that long.
#include "faultsupport.h"
#include "store/address_store.h"
#include "store/file_replacement.h"
#include "store/paths.h"
#include "testsupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <thread>

using testsupport::Dump;
using testsupport::Lock;
using testsupport::MakeBook;
using testsupport::MessageOf;

namespace {

const char kAllRows[] = "SELECT * FROM ADDRESS_LIST ORDER BY num";


// The first row that sql reads from the file at path, as texts.
QStringList FirstRow(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    QStringList row;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        for (int c = 0; c < sqlite3_column_count(st); ++c)
            row << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)));
    sqlite3_finalize(st);
    sqlite3_close(db);
    return row;
}


// A book of count generated entries, all of them marked with tag.
void MakeLargeBook(const QString& path, int count, const QString& tag)
{
    std::vector<QStringList> rows;
    rows.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        rows.push_back({tag + QString::number(i % 40), QStringLiteral("이름%1").arg(i),
                        QStringLiteral("02-%1-%2").arg(100 + i % 900).arg(1000 + i % 9000),
                        QStringLiteral("010-%1").arg(10000000 + i), QStringLiteral("135-0%1").arg(10 + i % 90),
                        QStringLiteral("서울특별시 강남구 역삼동 %1번지").arg(i), tag + QString::number(i)});
    MakeBook(path, rows);
}


const QString kNotABook = QStringLiteral("Backup not made: address.db looks damaged or is not an address book.\r");

// ---- the helper modes ----

int BackupIn(const char* folder)
{
    SetExeFolder(QString::fromLocal8Bit(folder));
    try {
        return AddressStore::BackupDatabase() ? 0 : 3;
    } catch (const EError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}

// Each commit adds one row of unit 'w' named by its number and sets the marker row's tel to
// that number, so a state the book really had shows the marker equal to the count of such rows.
int WriteBook(const char* book, int milliseconds)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(book, &db) != SQLITE_OK)
        return 1;
    sqlite3_busy_timeout(db, 10000);
    sqlite3_exec(db, "PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    int commits = 0;
    while (std::chrono::steady_clock::now() < end) {
        const QByteArray n = QByteArray::number(commits + 1);
        const QByteArray sql = "INSERT INTO ADDRESS_LIST(unit,name) VALUES ('w','" + n +
                               "'); UPDATE ADDRESS_LIST SET tel='" + n + "' WHERE unit='marker'";
        // The lock is held for a few milliseconds of each commit, as by a program writing more.
        char* error = nullptr;
        bool ok = sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, &error) == SQLITE_OK &&
                  sqlite3_exec(db, sql.constData(), nullptr, nullptr, &error) == SQLITE_OK;
        std::this_thread::sleep_for(std::chrono::milliseconds(3));
        ok = ok && sqlite3_exec(db, "COMMIT", nullptr, nullptr, &error) == SQLITE_OK;
        if (!ok) {
            std::fprintf(stderr, "writer: %s\n", error);
            return 1;
        }
        ++commits;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    sqlite3_close(db);
    std::printf("%d\n", commits);
    return 0;
}

}  // namespace

class TestBackup : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    QString book_, backup_;

    QStringList Files() const
    {
        return QDir(dir_->path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                            QDir::Name);
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        SetExeFolder(dir_->path());
        book_ = ExeFolder() + QStringLiteral("address.db");
        backup_ = ExeFolder() + QStringLiteral("address_backup.db");
    }
    void cleanup() { SetExeFolder(QString()); }

    void withoutBook()
    {
        QCOMPARE(AddressStore::BackupDatabase(), false);
        QVERIFY(!QFile::exists(book_));
        QVERIFY(!QFile::exists(backup_));
        MakeBook(backup_, {{"old"}});
        QCOMPARE(AddressStore::BackupDatabase(), false);
        QCOMPARE(Dump(backup_), QStringList({"1|old||||||"}));
    }

    // Whatever was at address_backup.db, a good book replaces it whole; nothing else is left.
    void replacesThePreviousBackup_data()
    {
        QTest::addColumn<QString>("previous");
        QTest::newRow("a backup with other rows") << "backup";
        QTest::newRow("a private backup") << "private";
        QTest::newRow("no backup") << "none";
        QTest::newRow("an empty file") << "empty";
        QTest::newRow("something else") << "junk";
    }
    void replacesThePreviousBackup()
    {
        QFETCH(QString, previous);
        MakeBook(book_, {{"친구", "홍길동", "02-123-4567"}, {"회사", "김철수", "", "010-0000-0000"}});
        if (previous == "backup" || previous == "private")
            MakeBook(backup_, {{"old", "x"}, {"old", "y"}, {"old", "only in the old backup"}});
        if (previous == "private")
            QVERIFY(QFile::setPermissions(backup_, QFile::ReadOwner | QFile::WriteOwner));
        if (previous == "empty")
            faultsupport::WriteAll(backup_, {});
        if (previous == "junk")
            faultsupport::WriteAll(backup_, QByteArray(8192, 'x'));
        const QByteArray book = faultsupport::ReadAll(book_);

        QCOMPARE(MessageOf([] { QVERIFY(AddressStore::BackupDatabase()); }), QStringLiteral("<no error>"));
        QCOMPARE(Dump(backup_), Dump(book_));
        QCOMPARE(faultsupport::Read(backup_, kAllRows).integrity, QStringLiteral("ok"));
        QCOMPARE(faultsupport::ReadAll(book_), book);
        QCOMPARE(Files(), QStringList({"address.db", "address_backup.db"}));
        if (previous == "private")
        {
            struct stat st {};
            QCOMPARE(::stat(QFile::encodeName(backup_).constData(), &st), 0);
            QCOMPARE(st.st_mode & 07777, mode_t(0600));
        }
    }

    // A book that is no address book, or is damaged, is not copied: the error says so in plain
    // words and the previous backup stays exactly as it was.
    void refusesWhatIsNoSoundBook_data()
    {
        QTest::addColumn<QString>("book");
        QTest::addColumn<bool>("hadBackup");
        QTest::addColumn<QString>("finding");
        QTest::newRow("emptied to 0 bytes") << "empty" << true << "It has no table ADDRESS_LIST.";
        QTest::newRow("another SQLite file") << "foreign" << true << "It has no table ADDRESS_LIST.";
        QTest::newRow("a column missing") << "column" << true << "Its table ADDRESS_LIST has no column address2.";
        QTest::newRow("a text file") << "text" << true << "File opened that is not a database file.";
        QTest::newRow("a damaged page") << "damaged" << true << "SQLite's check found: ";
        QTest::newRow("a damaged page, no backup yet") << "damaged" << false << "SQLite's check found: ";
        QTest::newRow("a damaged header") << "header" << true << "";
    }
    void refusesWhatIsNoSoundBook()
    {
        QFETCH(QString, book);
        QFETCH(bool, hadBackup);
        QFETCH(QString, finding);
        if (book == "empty") {
            faultsupport::WriteAll(book_, {});
        } else if (book == "foreign") {
            testsupport::Exec(book_, "CREATE TABLE photos (id INTEGER, data BLOB); INSERT INTO photos VALUES (1, x'00')");
        } else if (book == "column") {
            testsupport::Exec(book_, "CREATE TABLE ADDRESS_LIST (num INTEGER PRIMARY KEY, unit, name, tel, cell, zip,"
                                     " address1); INSERT INTO ADDRESS_LIST(name) VALUES ('a')");
        } else if (book == "text") {
            faultsupport::WriteAll(book_, QByteArray("주소록 메모\n").repeated(1000));
        } else {
            MakeLargeBook(book_, 20000, QStringLiteral("책"));
            QFile f(book_);
            QVERIFY(f.open(QIODevice::ReadWrite));
            const qint64 pages = f.size() / 4096;
            QVERIFY(pages > 100);
            // A page in the middle of the table, or the file's first page, overwritten.
            QVERIFY(f.seek(book == "header" ? 16 : (pages / 2) * 4096));
            f.write(QByteArray(book == "header" ? 84 : 4096, '\x5a'));
        }
        if (hadBackup)
            MakeBook(backup_, {{"old", "the good copy"}});
        const QByteArray before = faultsupport::ReadAll(backup_);
        const QByteArray bookBefore = faultsupport::ReadAll(book_);
        const QStringList files = Files();

        const QString message = MessageOf([] { AddressStore::BackupDatabase(); });
        QVERIFY2(message.startsWith(kNotABook + (hadBackup ? QStringLiteral("The previous backup was kept.\r")
                                                           : QStringLiteral("No backup was written.\r")) +
                                    finding),
                 qPrintable(QString(message).replace(QLatin1Char('\r'), QLatin1Char('|'))));
        QCOMPARE(faultsupport::ReadAll(backup_), before);
        QCOMPARE(QFile::exists(backup_), hadBackup);
        QCOMPARE(faultsupport::ReadAll(book_), bookBefore);
        QCOMPARE(Files(), files);
    }

    // A lock on the book is waited out for about two seconds; a lock on the old backup no
    // longer matters, since the backup is replaced by a new file.
    void locks_data()
    {
        QTest::addColumn<QString>("held");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<int>("releaseAfter");  // milliseconds, -1: never
        QTest::addColumn<bool>("succeeds");
        QTest::newRow("book written elsewhere for a moment") << "book" << "BEGIN EXCLUSIVE" << 300 << true;
        QTest::newRow("book written elsewhere throughout") << "book" << "BEGIN EXCLUSIVE" << -1 << false;
        QTest::newRow("book read elsewhere") << "book" << "BEGIN; SELECT count(*) FROM ADDRESS_LIST" << -1 << true;
        QTest::newRow("old backup written elsewhere") << "backup" << "BEGIN EXCLUSIVE" << -1 << true;
        QTest::newRow("old backup read elsewhere") << "backup" << "BEGIN; SELECT count(*) FROM ADDRESS_LIST" << -1
                                                    << true;
    }
    void locks()
    {
        QFETCH(QString, held);
        QFETCH(QString, sql);
        QFETCH(int, releaseAfter);
        QFETCH(bool, succeeds);
        MakeBook(book_, {{"new", "a"}, {"new", "b"}});
        MakeBook(backup_, {{"old", "x"}});
        const QByteArray old = faultsupport::ReadAll(backup_);
        Lock lock(held == "book" ? book_ : backup_, sql.toUtf8().constData());
        QVERIFY(lock.ok());
        std::thread release;
        if (releaseAfter >= 0)
            release = std::thread([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(releaseAfter));
                lock.Release();
            });
        QElapsedTimer clock;
        clock.start();
        const QString message = MessageOf([] { AddressStore::BackupDatabase(); });
        const qint64 waited = clock.elapsed();
        if (release.joinable())
            release.join();
        if (succeeds) {
            QCOMPARE(message, QStringLiteral("<no error>"));
            QCOMPARE(Dump(backup_), Dump(book_));
        } else {
            QCOMPARE(message, QStringLiteral("Could not complete backup.\rError [5]: The database file is locked.\r"
                                             "database is locked"));
            QCOMPARE(faultsupport::ReadAll(backup_), old);
            // It did wait for the lock, and gave up after about two seconds.
            QVERIFY2(waited >= 1900 && waited < 10000, qPrintable(QString::number(waited)));
        }
        QCOMPARE(Files(), QStringList({"address.db", "address_backup.db"}));
        lock.Release();
    }

    // Beside a program that commits every few milliseconds, each backup succeeds and holds a
    // state the book really had.
    void besideAWriter()
    {
        MakeLargeBook(book_, 5000, QStringLiteral("filler"));
        testsupport::Exec(book_, "INSERT INTO ADDRESS_LIST(unit, tel) VALUES ('marker', '0')");
        QProcess writer;
        writer.start(QCoreApplication::applicationFilePath(), {"--write-book", book_, "2500"});
        QVERIFY(writer.waitForStarted());
        const auto stopWriter = qScopeGuard([&] {
            if (writer.state() != QProcess::NotRunning) {
                writer.kill();
                writer.waitForFinished();
            }
        });
        QTest::qWait(200);
        int backups = 0;
        int lastCount = -1;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 1800) {
            QCOMPARE(MessageOf([] { AddressStore::BackupDatabase(); }), QStringLiteral("<no error>"));
            ++backups;
            const QStringList state =
                FirstRow(backup_, "SELECT (SELECT tel FROM ADDRESS_LIST WHERE unit='marker'),"
                                             " count(*), coalesce(max(CAST(name AS INTEGER)), 0),"
                                             " coalesce(sum(CAST(name AS INTEGER)), 0)"
                                             " FROM ADDRESS_LIST WHERE unit='w'");
            QCOMPARE(state.size(), 4);
            const int count = state[1].toInt();
            QCOMPARE(state[0].toInt(), count);                                 // the marker agrees
            QCOMPARE(state[2].toInt(), count);                                 // rows 1..count,
            QCOMPARE(state[3].toLongLong(), qint64(count) * (count + 1) / 2);  // each once
            QVERIFY(count >= lastCount);
            lastCount = count;
            QCOMPARE(faultsupport::Read(backup_, kAllRows).integrity, QStringLiteral("ok"));
        }
        QVERIFY(writer.waitForFinished(20000));
        QCOMPARE(writer.exitCode(), 0);
        const int commits = writer.readAllStandardOutput().trimmed().toInt();
        qInfo("%d backups beside a writer that made %d commits; the last backup held %d of them", backups,
              commits, lastCount);
        QVERIFY(backups >= 5);
        QVERIFY(lastCount > 0 && lastCount < commits);
        QCOMPARE(Files(), QStringList({"address.db", "address_backup.db"}));
    }

    // A temporary file that an interrupted backup left is removed by the next one; one that a
    // running replacement holds, and files of other names, are not.
    void leftoversAreRemoved()
    {
        MakeBook(book_, {{"new", "a"}});
        const QStringList stale{"address_backup.db.tmp-Ab12Cd", "address_backup.db.tmp-Ab12Cd-journal",
                                "address_backup.db.tmp-zz99ZZ-journal"};
        const QStringList kept{"address_backup.db.tmp-notes.txt", "address.db.tmp-Ab12Cd",
                               "address_backup.db.tmp-Ab12C"};
        for (const QString& name : stale + kept)
            faultsupport::WriteAll(ExeFolder() + name, "partial");
        FileReplacement running(backup_, QString());
        faultsupport::WriteAll(running.Path(), "being written");

        QVERIFY(AddressStore::BackupDatabase());
        QStringList expected = kept + QStringList{"address.db", "address_backup.db",
                                                  QFileInfo(running.Path()).fileName()};
        expected.sort();
        QCOMPARE(Files(), expected);
        QCOMPARE(Dump(backup_), Dump(book_));
    }

    // A backup of a large book killed at random moments: address_backup.db alone is always a
    // sound database holding the whole old or the whole new backup, and the book is untouched.
    void killedAtRandomMoments()
    {
        MakeLargeBook(book_, 30000, QStringLiteral("새"));
        MakeLargeBook(backup_, 20000, QStringLiteral("옛"));
        faultsupport::CheckKills(QCoreApplication::applicationFilePath(), {"--backup-in", dir_->path()}, 40,
                                 20261211, {backup_, kAllRows, book_, {"address.db", "address_backup.db"}});
        if (QTest::currentTestFailed())
            return;

        // The next backup cleans up whatever the interrupted ones left.
        QVERIFY(AddressStore::BackupDatabase());
        QCOMPARE(Files(), QStringList({"address.db", "address_backup.db"}));
        QCOMPARE(Dump(backup_), Dump(book_));
    }
};

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "--backup-in") == 0)
        return BackupIn(argv[2]);
    if (argc == 4 && std::strcmp(argv[1], "--write-book") == 0)
        return WriteBook(argv[2], std::atoi(argv[3]));
    QCoreApplication app(argc, argv);
    TestBackup test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "test_backup.moc"
