// Store and directory reads on a 100,000-entry book and a 50,000-row directory, each against a
// plain sqlite3 loop that runs the same statement and reads the same rows' texts into memory.
// Prints "<case> <median ms> <ratio>" per case and the peak memory; asserts nothing.
// The ratio is to the plain loop that keeps each text as a QString, the form every caller
// receives; a second ratio, to a loop that only copies the UTF-8 bytes, follows the table.
#include "bench_data.h"
#include "store/address_store.h"
#include "store/paths.h"
#include "store/zipcode_directory.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace {

const int kRuns = 7;
volatile size_t sink = 0;  // keeps the work from being optimised away

// The references: open, prepare, bind texts, step, keep every column's text, close.
template <typename Keep>
void Plain(const QString& path, const char* sql, const std::vector<std::string>& params, Keep keep)
{
    sqlite3* db = nullptr;
    sqlite3_open16(path.utf16(), &db);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    for (size_t i = 0; i < params.size(); ++i)
        sqlite3_bind_text(st, int(i) + 1, params[i].data(), int(params[i].size()), SQLITE_STATIC);
    while (sqlite3_step(st) == SQLITE_ROW) {
        const int columns = sqlite3_column_count(st);
        for (int c = 0; c < columns; ++c)
            keep(reinterpret_cast<const char*>(sqlite3_column_text(st, c)), sqlite3_column_bytes(st, c));
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
}

void PlainQString(const QString& path, const char* sql, const std::vector<std::string>& params = {})
{
    std::vector<QString> texts;
    Plain(path, sql, params, [&](const char* t, int n) { texts.push_back(QString::fromUtf8(t, n)); });
    sink = sink + texts.size();
}

void PlainUtf8(const QString& path, const char* sql, const std::vector<std::string>& params = {})
{
    std::vector<std::string> texts;
    Plain(path, sql, params, [&](const char* t, int n) { texts.emplace_back(t ? t : "", size_t(n)); });
    sink = sink + texts.size();
}

struct Case {
    const char* name;
    std::function<void()> store;
    QString path;
    const char* sql;
    std::vector<std::string> params;
};

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
    const std::string patternU = (QStringLiteral("%") + keyword + QStringLiteral("%")).toStdString();

    std::printf("store benchmark: 100000 entries, 50000 postal rows, median of %d runs\n", kRuns);
    std::printf("%-16s %9s %6s\n", "case", "ms", "ratio");

    size_t count = 0;
    const std::vector<Case> cases = {
        {"ListAll", [&] { count += AddressStore::ListAll().size(); }, book, "select * from ADDRESS_LIST", {}},
        {"ListByCategory", [&] { count += AddressStore::ListByCategory(category).size(); }, book,
         "select * from ADDRESS_LIST where unit=?", {categoryU}},
        {"SearchEntries",
         [&] { count += AddressStore::SearchEntries(std::nullopt, SearchField::name, keyword).size(); }, book,
         "select * from ADDRESS_LIST where name like ?", {patternU}},
        {"ListCategories", [&] { count += size_t(AddressStore::ListCategories().size()); }, book,
         "select * from ADDRESS_LIST group by unit", {}},
        {"FindByDong(\"\")", [&] { count += ZipcodeDirectory::FindByDong(QString()).size(); }, zipcodes,
         "select * from zipcode where dong like ?", {"%%"}},
    };
    std::vector<double> utf8Ratios;
    for (const Case& c : cases) {
        c.store();  // once unmeasured, so every side starts from a warm file cache
        const double store = MedianMs(c.store, kRuns);
        const double plain = MedianMs([&] { PlainQString(c.path, c.sql, c.params); }, kRuns);
        const double utf8 = MedianMs([&] { PlainUtf8(c.path, c.sql, c.params); }, kRuns);
        Report(c.name, store, plain);
        utf8Ratios.push_back(utf8 > 0 ? store / utf8 : 0.0);
    }
    sink = sink + count;
    std::printf("ratio to a loop copying UTF-8 bytes only:");
    for (size_t i = 0; i < cases.size(); ++i)
        std::printf(" %s %.2f", cases[i].name, utf8Ratios[i]);
    std::printf("\n");
    std::printf("peak memory %ld kB\n", PeakRssKb());
    return 0;
}
