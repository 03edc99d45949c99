// Store and directory reads on a 100,000-entry book and a 50,000-row directory, each against a
// plain sqlite3 loop that runs the same statement and copies the same rows' texts into memory.
// Prints "<case> <median ms> <ratio>" per case and the peak memory; asserts nothing.
#include "bench_data.h"
#include "store/address_store.h"
#include "store/paths.h"
#include "store/zipcode_directory.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace {

const int kRuns = 7;
volatile size_t sink = 0;  // keeps the work from being optimised away

// The reference: open, prepare, bind texts, step, copy every column's text, close.
void PlainLoop(const QString& path, const char* sql, const std::vector<std::string>& params)
{
    sqlite3* db = nullptr;
    sqlite3_open16(path.utf16(), &db);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    for (size_t i = 0; i < params.size(); ++i)
        sqlite3_bind_text(st, int(i) + 1, params[i].data(), int(params[i].size()), SQLITE_STATIC);
    std::vector<std::string> texts;
    while (sqlite3_step(st) == SQLITE_ROW) {
        const int columns = sqlite3_column_count(st);
        for (int c = 0; c < columns; ++c) {
            const char* t = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
            texts.emplace_back(t ? t : "", size_t(sqlite3_column_bytes(st, c)));
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    sink = sink + texts.size();
}

void Report(const char* name, double ms, double plainMs)
{
    std::printf("%-16s %9.1f %6.2f\n", name, ms, plainMs > 0 ? ms / plainMs : 0.0);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    SetExeFolder(dir.path());
    const QString book = ExeFolder() + QStringLiteral("address.db");
    const QString zipcodes = ExeFolder() + QStringLiteral("zipcode.db");
    SetDatabasePath(book);
    MakeBenchBook(book, 100000);
    MakeBenchZipcodes(zipcodes, 50000);

    const QString category = QStringLiteral("회사");
    const QString keyword = QStringLiteral("민서");
    const std::string categoryU = category.toStdString();
    const std::string patternU = "%" + keyword.toStdString() + "%";

    std::printf("store benchmark: 100000 entries, 50000 postal rows, median of %d runs\n", kRuns);
    std::printf("%-16s %9s %6s\n", "case", "ms", "ratio");

    size_t count = 0;
    Report("ListAll", MedianMs([&] { count += AddressStore::ListAll().size(); }, kRuns),
           MedianMs([&] { PlainLoop(book, "select * from ADDRESS_LIST", {}); }, kRuns));
    Report("ListByCategory", MedianMs([&] { count += AddressStore::ListByCategory(category).size(); }, kRuns),
           MedianMs([&] { PlainLoop(book, "select * from ADDRESS_LIST where unit=?", {categoryU}); }, kRuns));
    Report("SearchEntries",
           MedianMs([&] { count += AddressStore::SearchEntries(std::nullopt, SearchField::name, keyword).size(); },
                    kRuns),
           MedianMs([&] { PlainLoop(book, "select * from ADDRESS_LIST where name like ?", {patternU}); }, kRuns));
    Report("ListCategories", MedianMs([&] { count += size_t(AddressStore::ListCategories().size()); }, kRuns),
           MedianMs([&] { PlainLoop(book, "select * from ADDRESS_LIST group by unit", {}); }, kRuns));
    Report("FindByDong(\"\")", MedianMs([&] { count += ZipcodeDirectory::FindByDong(QString()).size(); }, kRuns),
           MedianMs([&] { PlainLoop(zipcodes, "select * from zipcode where dong like ?", {"%%"}); }, kRuns));
    sink = sink + count;

    std::printf("peak memory %ld kB\n", PeakRssKb());
    return 0;
}
