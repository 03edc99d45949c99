// The installed tree and the addressbook command as a user meets them: the build is installed
// under a temporary prefix with cmake --install, the program there is replaced by a stand-in that
// records where and as what it was started, and the command runs with a temporary home.
#include "processsupport.h"
#include "testsupport.h"
#include "xsession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using testsupport::ReadFile;
using testsupport::Run;
using testsupport::RunProcess;
using testsupport::WriteFile;

// Sets a file's modification time to now + seconds.
void Age(const QString& path, int seconds)
{
    timespec t[2];
    clock_gettime(CLOCK_REALTIME, &t[0]);
    t[0].tv_sec += seconds;
    t[1] = t[0];
    QVERIFY2(utimensat(AT_FDCWD, QFile::encodeName(path).constData(), t, 0) == 0, qPrintable(path));
}

qint64 MTimeNs(const QString& path)
{
    struct stat st {};
    if (stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

// Every row of a table as text, in rowid order.
QStringList Rows(const QString& path, const char* table)
{
    QStringList rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) ==
        SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        const QByteArray sql = QByteArray("SELECT * FROM ") + table + " ORDER BY rowid";
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) == SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW) {
                QStringList cells;
                for (int i = 0; i < sqlite3_column_count(st); ++i)
                    cells << QString::fromUtf8(
                        reinterpret_cast<const char*>(sqlite3_column_text(st, i)));
                rows << cells.join('|');
            }
        } else {
            rows << QStringLiteral("<no table %1>").arg(table);
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return rows;
}

// The stand-in writes the current folder and its own path into $HOME/started.
QByteArray StandIn(const QByteArray& version)
{
    return "#!/bin/sh\n# stand-in " + version + "\nprintf '%s\\n%s\\n' \"$PWD\" \"$0\" > \"$HOME/started\"\n";
}

}  // namespace

class TestLauncher : public QObject {
    Q_OBJECT

    QTemporaryDir root_;
    QString prefix_, program_, share_;

    QProcessEnvironment Env(const QString& home, const QString& xdg = {}) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home);
        if (xdg.isNull())
            env.remove("XDG_DATA_HOME");
        else
            env.insert("XDG_DATA_HOME", xdg);
        // No desktop: the message goes to standard error only.
        env.remove("DISPLAY");
        env.remove("WAYLAND_DISPLAY");
        return env;
    }

    Run Start(const QString& home, const QString& xdg = {}) const
    {
        QFile::remove(home + "/started");
        // Started from elsewhere, as a menu would: the command must move into the folder itself.
        return RunProcess(prefix_ + "/bin/addressbook", {}, Env(home, xdg), root_.path());
    }

    void InstallStandIn(const QByteArray& version)
    {
        QFile::remove(program_);
        WriteFile(program_, StandIn(version));
        QFile(program_).setPermissions(QFile::permissions(program_) | QFile::ExeOwner |
                                       QFile::ExeGroup | QFile::ExeOther);
    }

    QStringList Pictures() const
    {
        return QDir(share_ + "/image").entryList({"*.png"}, QDir::Files, QDir::Name);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(root_.isValid());
        prefix_ = root_.path() + "/usr";
        const Run r = RunProcess(CMAKE_COMMAND, {"--install", BINARY_DIR, "--prefix", prefix_},
                                 QProcessEnvironment::systemEnvironment());
        QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
        program_ = prefix_ + "/lib/addressbook/addressbook";
        share_ = prefix_ + "/share/addressbook";
    }

    void installedTree()
    {
        for (const char* exe : {"bin/addressbook", "lib/addressbook/addressbook",
                                   "lib/addressbook/newbook", "lib/addressbook/zipimport"}) {
            const QFileInfo info(prefix_ + "/" + QString::fromUtf8(exe));
            QVERIFY2(info.isFile() && info.isExecutable(), exe);
        }
        QVERIFY(!QFileInfo::exists(prefix_ + "/lib/addressbook/drawpictures"));
        QVERIFY(!QFileInfo::exists(prefix_ + "/bin/zipimport"));
        QCOMPARE(Pictures().size(), 12);
        QVERIFY(QFileInfo(share_ + "/zipcode.db").size() > 0);
        // Both postal samples, to import again by hand.
        QVERIFY(QFileInfo(share_ + "/samples/zipcode_sample.tsv").isFile());
        QVERIFY(QFileInfo(share_ + "/samples/zipcode_sample_5digit/road_range.txt").isFile());
        QVERIFY(QFileInfo(prefix_ + "/share/applications/addressbook.desktop").isFile());
        QVERIFY(QFileInfo(prefix_ + "/share/man/man1/addressbook.1.gz").isFile());
        for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
            const QString icon =
                QString("%1/share/icons/hicolor/%2x%2/apps/addressbook.png").arg(prefix_).arg(size);
            const QImage image(icon);
            QCOMPARE(image.size(), QSize(size, size));
            // Round corners: the corner pixel is see-through, the middle is not.
            QCOMPARE(qAlpha(image.pixel(0, 0)), 0);
            QCOMPARE(qAlpha(image.pixel(size / 2, size / 2)), 255);
        }
    }

    // The postal directory a new user gets is the one a developer's staged folder gets.
    void sampleDirectoryIsTheStagedOne()
    {
        QTemporaryDir staged;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("BUILD_DIR", BINARY_DIR);
        const Run r = RunProcess("bash", {QString(SOURCE_DIR) + "/scripts/stage.sh", staged.path()},
                                 env);
        QVERIFY2(r.code == 0, qPrintable(r.out + r.err));
        const QStringList rows = Rows(share_ + "/zipcode.db", "zipcode");
        QVERIFY(rows.size() > 100);
        QCOMPARE(rows, Rows(staged.path() + "/zipcode.db", "zipcode"));
    }

    // Where the folder goes: $XDG_DATA_HOME when it is an absolute path, else ~/.local/share.
    void firstStart_data()
    {
        QTest::addColumn<QString>("xdg");
        QTest::addColumn<QString>("folder");  // relative to the temporary home
        QTest::newRow("no XDG_DATA_HOME") << QString() << ".local/share/addressbook";
        QTest::newRow("XDG_DATA_HOME") << "<home>/data" << "data/addressbook";
        QTest::newRow("relative XDG_DATA_HOME is ignored") << "data" << ".local/share/addressbook";
    }
    void firstStart()
    {
        QFETCH(QString, xdg);
        QFETCH(QString, folder);
        InstallStandIn("1");
        QTemporaryDir home;
        const QString dir = home.path() + "/" + folder;
        if (!xdg.isNull())
            xdg.replace("<home>", home.path());

        const Run r = Start(home.path(), xdg);
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(QString::fromUtf8(ReadFile(home.path() + "/started")),
                 dir + "\n" + dir + "/addressbook\n");

        struct stat st {};
        QCOMPARE(stat(QFile::encodeName(dir).constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0700u);  // the book is the user's alone
        QCOMPARE(ReadFile(dir + "/addressbook"), StandIn("1"));
        QVERIFY(QFileInfo(dir + "/addressbook").isExecutable());
        // A new, empty book with its table, and the installed sample directory.
        QCOMPARE(Rows(dir + "/address.db", "ADDRESS_LIST"), QStringList());
        QCOMPARE(ReadFile(dir + "/zipcode.db"), ReadFile(share_ + "/zipcode.db"));
        QVERIFY(!QFileInfo::exists(dir + "/address_backup.db"));
        QCOMPARE(QDir(dir + "/image").entryList(QDir::Files, QDir::Name), Pictures());
        for (const QString& picture : Pictures())
            QCOMPARE(ReadFile(dir + "/image/" + picture), ReadFile(share_ + "/image/" + picture));
    }

    // A newer install refreshes the program and the pictures; the user's files come through
    // untouched, byte for byte and with their times.
    void laterStart()
    {
        InstallStandIn("1");
        QTemporaryDir home;
        const QString dir = home.path() + "/.local/share/addressbook";
        QCOMPARE(Start(home.path()).code, 0);

        QFile::remove(dir + "/address.db");
        testsupport::MakeBook(dir + "/address.db", {{"친구", "홍길동", "02-123-4567", "", "06236",
                                                     "서울특별시 강남구", "1층"}});
        testsupport::MakeBook(dir + "/address_backup.db", {{"가족", "김철수"}});
        QFile::remove(dir + "/zipcode.db");
        testsupport::Exec(dir + "/zipcode.db",
                          "CREATE TABLE zipcode (zipcode TEXT, sido TEXT, gugun TEXT, dong TEXT,"
                          " ri TEXT, bldg TEXT, bunji TEXT);"
                          "INSERT INTO zipcode VALUES ('06236','서울특별시','강남구','테헤란로','','','');");
        // A picture the user drew after the install is kept too.
        WriteFile(dir + "/image/3.png", "mine");
        const QStringList userFiles = {"address.db", "address_backup.db", "zipcode.db"};
        QMap<QString, QByteArray> bytes;
        QMap<QString, qint64> times;
        for (const QString& f : userFiles) {
            bytes[f] = ReadFile(dir + "/" + f);
            times[f] = MTimeNs(dir + "/" + f);
        }

        // Nothing newer installed: nothing is copied.
        const qint64 programTime = MTimeNs(dir + "/addressbook");
        QCOMPARE(Start(home.path()).code, 0);
        QCOMPARE(MTimeNs(dir + "/addressbook"), programTime);

        // A newer install: new program, pictures and sample directory.
        InstallStandIn("2");
        Age(program_, 60);
        for (const QString& picture : Pictures()) {
            if (picture != "3.png")
                Age(share_ + "/image/" + picture, 60);
        }
        Age(share_ + "/zipcode.db", 60);
        QFile::remove(dir + "/image/1_2.png");  // a picture lost meanwhile comes back

        const Run r = Start(home.path());
        QVERIFY2(r.code == 0, qPrintable(r.err));
        QCOMPARE(ReadFile(home.path() + "/started"), (dir + "\n" + dir + "/addressbook\n").toUtf8());
        QCOMPARE(ReadFile(dir + "/addressbook"), StandIn("2"));
        for (const QString& picture : Pictures()) {
            if (picture != "3.png")
                QCOMPARE(ReadFile(dir + "/image/" + picture), ReadFile(share_ + "/image/" + picture));
        }
        QCOMPARE(ReadFile(dir + "/image/3.png"), QByteArray("mine"));
        for (const QString& f : userFiles) {
            QVERIFY2(ReadFile(dir + "/" + f) == bytes[f], qPrintable(f));
            QVERIFY2(MTimeNs(dir + "/" + f) == times[f], qPrintable(f));
        }
        QCOMPARE(Rows(dir + "/address.db", "ADDRESS_LIST").size(), 1);
        // No temporary file is left behind.
        QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                 (QStringList{"address.db", "address_backup.db", "addressbook", "zipcode.db"}));
    }

    // An empty zipcode.db (what the program leaves when it found none) gets the sample; a missing
    // book is made again, never over one.
    void emptyDirectoryAndMissingBook()
    {
        InstallStandIn("1");
        QTemporaryDir home;
        const QString dir = home.path() + "/.local/share/addressbook";
        QVERIFY(QDir().mkpath(dir));
        WriteFile(dir + "/zipcode.db", "");
        QCOMPARE(Start(home.path()).code, 0);
        QCOMPARE(ReadFile(dir + "/zipcode.db"), ReadFile(share_ + "/zipcode.db"));
        QCOMPARE(Rows(dir + "/address.db", "ADDRESS_LIST"), QStringList());
    }

    // A home that cannot be written: a clear message on standard error, a failure status, and
    // the program is not started.
    void unwritableHome_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("home below a file") << "file";
        QTest::newRow("read-only home") << "read-only";
        QTest::newRow("read-only program folder") << "read-only folder";
    }
    void unwritableHome()
    {
        QFETCH(QString, how);
        InstallStandIn("1");
        QTemporaryDir temp;
        QString home = temp.path() + "/home";
        QString blocked = home + "/.local/share";
        if (how == "file") {
            WriteFile(temp.path() + "/file", "x");
            home = temp.path() + "/file/home";
            blocked = home + "/.local/share";
        } else {
            if (geteuid() == 0)
                QSKIP("root writes into read-only folders");
            const QString locked = how == "read-only" ? home : home + "/.local/share/addressbook";
            QVERIFY(QDir().mkpath(locked));
            QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner);
            blocked = how == "read-only" ? blocked : locked;
        }
        const Run r = Start(home);
        if (how != "file")
            QFile::setPermissions(how == "read-only" ? home : home + "/.local/share/addressbook",
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(r.code, 1);
        QVERIFY2(r.err.startsWith("addressbook: 주소록 폴더"), qPrintable(r.err));
        QVERIFY2(r.err.contains(blocked), qPrintable(r.err));
        QVERIFY2(r.err.contains("홈 폴더에 쓸 수 있는지"), qPrintable(r.err));
        QVERIFY(!QFileInfo::exists(home + "/started"));
    }

    // Where there is a desktop, the same message comes in a window that waits for its answer.
    void messageWindowOnADesktop()
    {
        if (QStandardPaths::findExecutable("xdotool").isEmpty())
            QSKIP("xdotool is needed to answer the message window");
        testsupport::PrivateDesktop desktop;
        if (!desktop.Start(testsupport::PrivateDesktop::Input::NoBus))
            QSKIP(qPrintable(desktop.Why()));
        const QString display = qEnvironmentVariable("DISPLAY");

        InstallStandIn("1");
        QTemporaryDir temp;
        WriteFile(temp.path() + "/file", "x");
        const QString home = temp.path() + "/file/home";
        QProcessEnvironment env = Env(home);
        env.insert("DISPLAY", display);
        QProcess launcher;
        launcher.setProcessEnvironment(env);
        launcher.start(prefix_ + "/bin/addressbook", {});
        QString window;
        for (int i = 0; i < 100 && window.isEmpty(); ++i) {
            QTest::qWait(100);
            window = RunProcess("xdotool", {"search", "--name", "^Addressbook$"}).out.section('\n', 0, 0);
        }
        QVERIFY2(!window.isEmpty(), "no message window");
        QCOMPARE(launcher.state(), QProcess::Running);  // waiting for the answer
        RunProcess("xdotool", {"windowfocus", "--sync", window});
        RunProcess("xdotool", {"key", "Return"});
        QVERIFY(launcher.waitForFinished(10000));
        QCOMPARE(launcher.exitCode(), 1);
        QVERIFY(QString::fromUtf8(launcher.readAllStandardError())
                    .startsWith("addressbook: 주소록 폴더를 만들 수 없습니다."));
    }
};

QTEST_GUILESS_MAIN(TestLauncher)
#include "test_launcher.moc"
