// The backup of a 100,000-entry book (copy beside the target, quick check and table check of the
// copy, flush, rename) against a plain online backup straight into address_backup.db, and the
// parts: SQLite's quick check alone, and a plain file copy flushed to disk.
// Prints "<case> <median ms> <ratio to the plain backup>" and the peak memory; asserts nothing.
#include "bench_data.h"
#include "store/address_store.h"
#include "store/paths.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <fcntl.h>
#include <sqlite3.h>
#include <unistd.h>

namespace {

const int kRuns = 5;

// What a backup was before: one online backup step of all pages into the target itself.
void PlainBackup(const QString& from, const QString& to)
{
    sqlite3* source = nullptr;
    sqlite3* target = nullptr;
    sqlite3_open(from.toUtf8().constData(), &source);
    sqlite3_open(to.toUtf8().constData(), &target);
    sqlite3_backup* backup = sqlite3_backup_init(target, "main", source, "main");
    sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    sqlite3_close(target);
    sqlite3_close(source);
}

void QuickCheck(const QString& path)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_exec(db, "PRAGMA quick_check", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

void CopyAndFlush(const QString& from, const QString& to)
{
    QFile::remove(to);
    QFile::copy(from, to);
    const int fd = ::open(QFile::encodeName(to).constData(), O_RDONLY);
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    SetExeFolder(dir.path());
    const QString book = ExeFolder() + QStringLiteral("address.db");
    const QString backup = ExeFolder() + QStringLiteral("address_backup.db");
    const QString other = ExeFolder() + QStringLiteral("other.db");
    MakeBenchBook(book, 100000);

    std::printf("backup benchmark: 100000 entries (%.1f MB), median of %d runs\n",
                double(QFileInfo(book).size()) / 1e6, kRuns);
    std::printf("%-22s %9s %6s\n", "case", "ms", "ratio");
    AddressStore::BackupDatabase();  // once unmeasured, so every case starts from a warm file cache
    const double plain = MedianMs([&] { PlainBackup(book, other); }, kRuns);
    const double store = MedianMs([&] { AddressStore::BackupDatabase(); }, kRuns);
    const double check = MedianMs([&] { QuickCheck(book); }, kRuns);
    const double copy = MedianMs([&] { CopyAndFlush(book, other); }, kRuns);
    auto report = [&](const char* name, double ms) { std::printf("%-22s %9.1f %6.2f\n", name, ms, ms / plain); };
    report("BackupDatabase", store);
    report("plain online backup", plain);
    report("quick_check alone", check);
    report("file copy + fsync", copy);
    std::printf("peak memory %ld kB\n", PeakRssKb());
    return 0;
}
