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

// Median time in milliseconds of a whole run of program with args, over runs runs;
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
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
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

}  // namespace faultsupport
