// Contacts in and out at 100,000 entries: the export of a generated book as vCard and as CSV,
// and the import of that vCard file (and of the CSV) into an empty book, against plain sqlite3
// loops: one that inserts the same rows in one transaction with one prepared statement, and
// one that reads the book's rows into memory. Each case runs in a child process of its own, so
// its peak memory is its own. Prints "<case> <median ms> <ratio> <peak MB>"; asserts nothing.
#include "bench_data.h"
#include "store/address_store.h"
#include "store/contacts_io.h"
#include "store/paths.h"

#include <QFile>
#include <QTemporaryDir>
#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

const int kEntries = 100000;
const int kRuns = 3;
const char* kSchema =
    "CREATE TABLE ADDRESS_LIST (num INTEGER PRIMARY KEY AUTOINCREMENT, unit TEXT, name TEXT,"
    " tel TEXT, cell TEXT, zip TEXT, address1 TEXT, address2 TEXT)";

void EmptyBook(const QString& path)
{
    QFile::remove(path);
    sqlite3* db = nullptr;
    benchdata::Check(sqlite3_open(path.toUtf8().constData(), &db), db, "open");
    benchdata::Check(sqlite3_exec(db, kSchema, nullptr, nullptr, nullptr), db, "schema");
    sqlite3_close(db);
}

using BookRow = std::array<std::string, 7>;

std::vector<BookRow> ReadRows(const QString& book)
{
    std::vector<BookRow> rows;
    sqlite3* db = nullptr;
    sqlite3_open(book.toUtf8().constData(), &db);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "select unit,name,tel,cell,zip,address1,address2 from ADDRESS_LIST", -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW) {
        BookRow r;
        for (int c = 0; c < 7; ++c)
            r[size_t(c)].assign(reinterpret_cast<const char*>(sqlite3_column_text(st, c)),
                                size_t(sqlite3_column_bytes(st, c)));
        rows.push_back(std::move(r));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

// The reference for the import: the same rows inserted in one transaction, one prepared
// statement, nothing read, nothing compared.
void PlainInsert(const QString& book, const std::vector<BookRow>& rows)
{
    sqlite3* db = nullptr;
    sqlite3_open(book.toUtf8().constData(), &db);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO ADDRESS_LIST(unit,name,tel,cell,zip,address1,address2) VALUES (?,?,?,?,?,?,?)",
                       -1, &st, nullptr);
    for (const BookRow& r : rows) {
        for (int c = 0; c < 7; ++c)
            sqlite3_bind_text(st, c + 1, r[size_t(c)].data(), int(r[size_t(c)].size()), SQLITE_STATIC);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

struct Measure {
    double ms = 0;
    double peakMb = 0;  // the child's peak resident memory above what it started with
};

// Runs prepare and then the timed work in a child process; returns its time and peak memory.
Measure InChild(const std::function<void()>& prepare, const std::function<void()>& work)
{
    int pipeFd[2];
    if (pipe(pipeFd) != 0)
        throw std::runtime_error("pipe");
    const pid_t pid = fork();
    if (pid == 0) {
        close(pipeFd[0]);
        prepare();
        const long before = PeakRssKb();
        Measure m;
        m.ms = ElapsedMs(work);
        m.peakMb = double(PeakRssKb() - before) / 1024.0;
        if (write(pipeFd[1], &m, sizeof m) != sizeof m)
            _exit(1);
        _exit(0);
    }
    close(pipeFd[1]);
    Measure m;
    const bool ok = read(pipeFd[0], &m, sizeof m) == sizeof m;
    close(pipeFd[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (!ok)
        throw std::runtime_error("benchmark child failed");
    return m;
}

Measure Median(const std::function<void()>& prepare, const std::function<void()>& work)
{
    std::vector<double> times, peaks;
    for (int i = 0; i < kRuns; ++i) {
        const Measure m = InChild(prepare, work);
        times.push_back(m.ms);
        peaks.push_back(m.peakMb);
    }
    return {benchdata::Median(times), benchdata::Median(peaks)};
}

void Print(const char* name, const Measure& m, const Measure& reference)
{
    std::printf("%-38s %9.0f ms %6.2fx %7.1f MB\n", name, m.ms, m.ms / reference.ms, m.peakMb);
}

}  // namespace

int main()
{
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("source.db"));
    const QString target = dir.filePath(QStringLiteral("target.db"));
    const QString vcf = dir.filePath(QStringLiteral("all.vcf"));
    const QString csv = dir.filePath(QStringLiteral("all.csv"));
    MakeBenchBook(source, kEntries);

    // The files to import, written once by the export itself.
    SetDatabasePath(source);
    Contacts::Export(Contacts::Format::VCard, vcf);
    Contacts::Export(Contacts::Format::Csv, csv);
    std::printf("%d entries; vCard file %.1f MB, CSV file %.1f MB; median of %d runs, each in a child process\n\n",
                kEntries, double(QFile(vcf).size()) / 1048576.0, double(QFile(csv).size()) / 1048576.0, kRuns);
    std::printf("%-38s %12s %7s %10s\n", "case", "time", "ratio", "peak");

    std::vector<BookRow> rows;
    const Measure plainInsert = Median([&] { EmptyBook(target); rows = ReadRows(source); },
                                       [&] { PlainInsert(target, rows); });
    Print("plain insert loop, one transaction", plainInsert, plainInsert);

    const Measure importVcf = Median([&] { EmptyBook(target); SetDatabasePath(target); },
                                     [&] { Contacts::Import({vcf}, std::nullopt, false); });
    Print("import vCard (read + InsertEntries)", importVcf, plainInsert);
    const Measure readVcf = Median([] {}, [&] { Contacts::ReadFile(vcf); });
    Print("  of which reading the vCard file", readVcf, plainInsert);
    std::vector<AddressEntry> entries;
    const Measure insert = Median(
        [&] {
            EmptyBook(target);
            SetDatabasePath(target);
            for (Contacts::Record& r : Contacts::ReadFile(vcf).records)
                entries.push_back(std::move(r.entry));
        },
        [&] { AddressStore::InsertEntries(entries); });
    Print("  of which InsertEntries", insert, plainInsert);
    const Measure importCsv = Median([&] { EmptyBook(target); SetDatabasePath(target); },
                                     [&] { Contacts::Import({csv}, std::nullopt, false); });
    Print("import CSV", importCsv, plainInsert);
    const Measure again = Median([&] { SetDatabasePath(source); },
                                 [&] { Contacts::Import({vcf}, std::nullopt, true); });
    Print("dry run into the full book (all dupes)", again, plainInsert);

    std::printf("\n");
    const Measure plainRead = Median([] {}, [&] { rows = ReadRows(source); });
    Print("plain read loop into memory", plainRead, plainRead);
    const QString out = dir.filePath(QStringLiteral("out"));
    const Measure exportVcf = Median([&] { SetDatabasePath(source); },
                                     [&] { Contacts::Export(Contacts::Format::VCard, out); });
    Print("export vCard", exportVcf, plainRead);
    const Measure exportCsv = Median([&] { SetDatabasePath(source); },
                                     [&] { Contacts::Export(Contacts::Format::Csv, out); });
    Print("export CSV", exportCsv, plainRead);
    return 0;
}
