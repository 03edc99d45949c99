// The whole data path on books of 100,000 and 1,000,000 entries: ListAll, the main list's
// refresh until its grid is painted, and the category list the entry dialog opens with, each
// against SQLite alone stepping the same statement's rows and reading each text (the floor any
// reader of the whole result pays). Prints "<case> <size> <median ms> <ratio>", then the memory
// the list holds and the peak of a refresh. Asserts nothing.
// Usage: bench_book [entries...]   (default: 100000 1000000)
#include "address.h"
#include "bench_data.h"
#include "forms.h"
#include "start.h"
#include "store/address_store.h"
#include "store/paths.h"
#include "ui/controls.h"
#include "ui/string_grid.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <cstring>
#include <malloc.h>
#include <sqlite3.h>

namespace {

volatile size_t sink = 0;

// SQLite alone: open, prepare, step every row, read each column's text, close.
void Floor(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    sqlite3_open16(path.utf16(), &db);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &st, nullptr);
    size_t bytes = 0;
    while (sqlite3_step(st) == SQLITE_ROW) {
        const int columns = sqlite3_column_count(st);
        for (int c = 0; c < columns; ++c) {
            sqlite3_column_text(st, c);
            bytes += size_t(sqlite3_column_bytes(st, c));
        }
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    sink = sink + bytes;
}

// Bytes the allocator has handed out and not had back.
size_t HeapInUse()
{
    const struct mallinfo2 m = mallinfo2();
    return m.uordblks + m.hblkhd;
}

long StatusKb(const char* field)
{
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    long kb = -1;
    const size_t n = std::strlen(field);
    while (std::fgets(line, sizeof line, f))
        if (std::strncmp(line, field, n) == 0) {
            kb = std::strtol(line + n, nullptr, 10);
            break;
        }
    std::fclose(f);
    return kb;
}

// Starts a new peak of resident memory from the present size.
void ResetPeak()
{
    if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

void Line(const char* name, const char* size, double ms, double floorMs)
{
    std::printf("%-26s %9.1f %6.2f\n", (QByteArray(name) + ' ' + size).constData(), ms, ms / floorMs);
    std::fflush(stdout);
}

void RunBook(const QString& folder, int entries, int runs)
{
    const QByteArray size = entries >= 1000000 && entries % 1000000 == 0
                                ? QByteArray::number(entries / 1000000) + "M"
                                : QByteArray::number(entries / 1000) + "k";
    const QString book = folder + QStringLiteral("/address.db");
    MakeBenchBook(book, entries);
    SetExeFolder(folder);
    SetDatabasePath(ExeFolder() + QStringLiteral("address.db"));
    const double fileBytes = double(QFileInfo(book).size());

    CreateForms();
    Form3->Timer1->stop();
    Form1->show();  // the first refresh of the whole book
    QApplication::processEvents();
    Form1->grid->SetCurrentRow(5000);

    const char* all = "select * from ADDRESS_LIST";
    const char* groups = "select * from ADDRESS_LIST group by unit";
    std::vector<double> floorAll, listAll, refresh, floorGroups, categories;
    Floor(book, all);
    for (int i = 0; i < runs; ++i) {
        // Alternated, so that the other users of the machine slow every case alike.
        floorAll.push_back(ElapsedMs([&] { Floor(book, all); }));
        listAll.push_back(ElapsedMs([] { sink = sink + AddressStore::ListAll().size(); }));
        refresh.push_back(ElapsedMs([] {
            Form1->RefreshList(All);
            Form1->grid->viewport()->repaint();
        }));
        floorGroups.push_back(ElapsedMs([&] { Floor(book, groups); }));
        categories.push_back(ElapsedMs([] { sink = sink + size_t(AddressStore::ListCategories().size()); }));
    }
    const double floorMs = Median(floorAll);
    std::printf("book of %d entries, %.0f bytes per entry in the file; median of %d runs\n", entries,
                fileBytes / entries, runs);
    std::printf("%-26s %9.1f\n", (QByteArray("SQLite alone ") + size).constData(), floorMs);
    Line("ListAll", size, Median(listAll), floorMs);
    Line("RefreshList(All)", size, Median(refresh), floorMs);
    std::printf("%-26s %9.1f\n", (QByteArray("SQLite alone, group by ") + size).constData(), Median(floorGroups));
    Line("ListCategories", size, Median(categories), Median(floorGroups));

    // With an index on unit, as a new book has it.
    benchdata::Exec(book, "CREATE INDEX IF NOT EXISTS ADDRESS_LIST_unit ON ADDRESS_LIST(unit)");
    const double indexed = MedianMs([] { sink = sink + size_t(AddressStore::ListCategories().size()); }, runs);
    Line("ListCategories(index)", size, indexed, Median(floorGroups));

    // Memory: the list held, from an empty list to the whole book, and the peak of a refresh
    // that replaces a whole list by a new one.
    Form1->keyword->setText(QStringLiteral("no such name at all"));
    Form1->RefreshList(Search);
    malloc_trim(0);
    const size_t emptyHeap = HeapInUse();
    Form1->RefreshList(All);
    const double held = double(HeapInUse() - emptyHeap);
    malloc_trim(0);
    const long rssBefore = StatusKb("VmRSS:");
    ResetPeak();
    Form1->RefreshList(All);
    Form1->grid->viewport()->repaint();
    const long peak = StatusKb("VmHWM:");
    std::printf("list held %s: %.1f MB, %.0f bytes per entry (%.2f x the file's)\n", size.constData(),
                held / 1048576, held / entries, held / fileBytes);
    // The list's own peak: the old list it starts with plus the rise above it.
    const double listPeak = held + (peak - rssBefore) * 1024.0;
    std::printf("refresh %s: resident %.1f MB before, peak %.1f MB; the list's peak %.1f MB (%.2f x the list held)\n",
                size.constData(), rssBefore / 1024.0, peak / 1024.0, listPeak / 1048576, listPeak / held);
    std::fflush(stdout);
    DestroyForms();
    malloc_trim(0);
}

}  // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = {100000, 1000000};
    for (int entries : sizes) {
        QTemporaryDir dir;
        RunBook(dir.path(), entries, entries >= 1000000 ? 5 : 7);
    }
    return 0;
}
