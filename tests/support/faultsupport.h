#pragma once
// Interrupting a program at random moments: runs it again and again and kills it (SIGKILL, as a
// crash or a power cut would stop it, with no chance to tidy up) after a random delay.
#include <QByteArray>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QString>
#include <QTemporaryDir>
#include <QFileInfo>
#include <QStringList>
#include <QTest>
#include <sqlite3.h>
#include <algorithm>
#include <functional>
#include <vector>

namespace faultsupport {

struct Outcome {
    bool killed = false;   // stopped by the kill, not by its own end
    int exitCode = -1;     // when it ended by itself
    QString errors;        // its error output
};

// The longest time in milliseconds of a whole run of program with args, over runs runs;
// prepare() is called before each.
inline qint64 TimeOfRun(const QString& program, const QStringList& args, int runs,
                        const std::function<void()>& prepare)
{
    std::vector<qint64> times;
    for (int i = 0; i < runs; ++i) {
        prepare();
        QProcess p;
        QElapsedTimer clock;
        clock.start();
        p.start(program, args);
        if (!p.waitForFinished(60000) || p.exitCode() != 0) {
            qWarning("%s did not run to its end: %s", qPrintable(program), p.readAllStandardError().constData());
            return -1;
        }
        times.push_back(clock.elapsed());
    }
    return *std::max_element(times.begin(), times.end());
}

// Runs program with args trials times; each run is killed after a delay drawn evenly from
// [0, windowMs) by a generator seeded with seed, unless it ends first. prepare() runs before
// each run, check(trial, outcome) after it.
inline void KillAtRandomMoments(const QString& program, const QStringList& args, int trials, quint32 seed,
                                qint64 windowMs, const std::function<void()>& prepare,
                                const std::function<void(int, const Outcome&)>& check)
{
    QRandomGenerator random(seed);
    for (int trial = 0; trial < trials; ++trial) {
        prepare();
        const int delay = int(random.bounded(quint32(std::max<qint64>(windowMs, 1))));
        QProcess p;
        p.start(program, args);
        QVERIFY2(p.waitForStarted(10000), qPrintable(p.errorString()));
        Outcome outcome;
        if (!p.waitForFinished(delay)) {
            p.kill();
            outcome.killed = true;
            QVERIFY(p.waitForFinished(10000));
        }
        // A run that ended just as the kill was sent counts as ended by itself.
        if (p.exitStatus() == QProcess::NormalExit) {
            outcome.killed = false;
            outcome.exitCode = p.exitCode();
        }
        outcome.errors = QString::fromUtf8(p.readAllStandardError());
        check(trial, outcome);
        if (QTest::currentTestFailed())
            return;
    }
}

inline QByteArray ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(f.write(bytes), bytes.size());
}

// Copies the one file at path, and nothing beside it, into a fresh folder under scratch;
// returns the copy's path.
inline QString CopyAlone(const QString& path, const QString& scratch)
{
    const QString folder = scratch + QStringLiteral("/alone");
    QDir(folder).removeRecursively();
    QDir().mkpath(folder);
    const QString copy = folder + QLatin1Char('/') + QFileInfo(path).fileName();
    QFile::copy(path, copy);
    return copy;
}

// What a database file holds, read past the program: SQLite's integrity check ("ok" or what it
// found) and a hash of every value that the query sql reads (or the error met).
struct Reading {
    QString integrity;
    QByteArray content;
};
inline Reading Read(const QString& path, const char* sql)
{
    Reading r;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        r.integrity = QStringLiteral("cannot open: ") + QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_close(db);
        return r;
    }
    auto run = [&](const char* statement, const std::function<void(sqlite3_stmt*)>& row) {
        sqlite3_stmt* st = nullptr;
        int rc = sqlite3_prepare_v2(db, statement, -1, &st, nullptr);
        if (rc == SQLITE_OK)
            while ((rc = sqlite3_step(st)) == SQLITE_ROW)
                row(st);
        const QString error = rc == SQLITE_DONE ? QString() : QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_finalize(st);
        return error;
    };
    QStringList found;
    QString error = run("PRAGMA integrity_check", [&](sqlite3_stmt* st) {
        found << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    });
    r.integrity = error.isEmpty() ? found.join(QLatin1Char('\n')) : error;
    QCryptographicHash hash(QCryptographicHash::Sha256);
    error = run(sql, [&](sqlite3_stmt* st) {
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            hash.addData(QByteArrayView(reinterpret_cast<const char*>(sqlite3_column_text(st, c)),
                                        sqlite3_column_bytes(st, c)));
            hash.addData(QByteArrayView("\x1f", 1));
        }
        hash.addData(QByteArrayView("\x1e", 1));
    });
    r.content = error.isEmpty() ? hash.result() : (QByteArrayLiteral("error: ") + error.toUtf8());
    sqlite3_close(db);
    return r;
}

// The names in folder that are not in expected and are not temporary files of one of them
// (<name>.tmp-XXXXXX, perhaps with SQLite's -journal beside it).
inline QStringList Strangers(const QString& folder, const QStringList& expected)
{
    QStringList strangers;
    for (const QString& name : QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                                      QDir::NoDotAndDotDot)) {
        bool known = expected.contains(name);
        for (const QString& e : expected)
            known = known || QRegularExpression(QStringLiteral("^") + QRegularExpression::escape(e) +
                                                QStringLiteral("\\.tmp-[A-Za-z0-9]{6}(-journal)?$"))
                                 .match(name)
                                 .hasMatch();
        if (!known)
            strangers << name;
    }
    return strangers;
}

// A program that replaces one file, killed at random moments: before each run the target gets
// its old bytes back; after each run the target, copied away alone, passes SQLite's integrity
// check and holds the whole old or the whole new content (as read by sql), the file the program
// only reads is unchanged, and the folder holds nothing but names and temporary files of them.
// The kills fall within one and a half times the longest of three whole runs (the time a run
// takes varies with the machine's load); the tally is printed. Returns the
// new content.
struct Replacement {
    QString target;
    const char* sql;
    QString untouched;
    QStringList names;
};
inline QByteArray CheckKills(const QString& program, const QStringList& args, int trials, quint32 seed,
                             const Replacement& r)
{
    const QString folder = QFileInfo(r.target).absolutePath();
    const QByteArray oldBytes = ReadAll(r.target);
    const QByteArray untouchedBytes = ReadAll(r.untouched);
    const QByteArray oldContent = Read(r.target, r.sql).content;
    auto restore = [&] {
        if (ReadAll(r.target) != oldBytes)
            WriteAll(r.target, oldBytes);
    };
    const qint64 whole = TimeOfRun(program, args, 3, restore);
    const QByteArray newContent = Read(r.target, r.sql).content;
    if (whole <= 0 || oldContent == newContent) {
        QTest::qFail("a whole run did not replace the file", __FILE__, __LINE__);
        return {};
    }

    QTemporaryDir scratch;
    int killed = 0, asOld = 0, asNew = 0, leftTemp = 0;
    KillAtRandomMoments(program, args, trials, seed, whole + whole / 2, restore, [&](int trial, const Outcome& o) {
        if (!o.killed)
            QVERIFY2(o.exitCode == 0, qPrintable(o.errors));
        killed += o.killed;
        const Reading alone = Read(CopyAlone(r.target, scratch.path()), r.sql);
        QVERIFY2(alone.integrity == "ok", qPrintable(QString("trial %1: %2").arg(trial).arg(alone.integrity)));
        QVERIFY2(alone.content == oldContent || alone.content == newContent, qPrintable(QString("trial %1").arg(trial)));
        (alone.content == oldContent ? asOld : asNew)++;
        QVERIFY(ReadAll(r.untouched) == untouchedBytes);
        const QStringList strangers = Strangers(folder, r.names);
        QVERIFY2(strangers.isEmpty(), qPrintable(strangers.join(", ")));
        leftTemp += QDir(folder).entryList(QDir::Files | QDir::Hidden).size() > r.names.size();
    });
    if (QTest::currentTestFailed())
        return {};
    qInfo("%d trials (seed %u, kills within %lld ms, the longest whole run %lld ms): %d killed; %s held the old content"
          " %d times, the new %d times; a temporary file was left %d times",
          trials, seed, whole + whole / 2, whole, killed, qPrintable(QFileInfo(r.target).fileName()), asOld, asNew,
          leftTemp);
    if (killed == 0)  // how often each outcome comes depends on the load of the machine; kills must come
        QTest::qFail("no run was killed", __FILE__, __LINE__);
    return newContent;
}

}  // namespace faultsupport
