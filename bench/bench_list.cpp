// The main window's list on a 100,000-entry book: RefreshList in mode All (store read, model
// reset, current row kept) against the store's ListAll alone, in the same run, plus the same
// refresh with the visible rows painted. Prints "<case> <median ms> <ratio>" and the peak
// memory; asserts nothing.
#include "address.h"
#include "bench_data.h"
#include "forms.h"
#include "start.h"
#include "store/address_store.h"
#include "store/paths.h"
#include "ui/messages.h"
#include "ui/string_grid.h"
#include "boxes.h"

#include <QApplication>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

namespace {
const int kRuns = 7;
const int kEntries = 100000;
volatile size_t sink = 0;
}  // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    SetExeFolder(dir.path());
    const QString book = ExeFolder() + QStringLiteral("address.db");
    MakeBenchBook(book, kEntries);
    SetDatabasePath(book);
    testsupport::SetResponder([](const testsupport::Box& box) {
        std::fprintf(stderr, "box: %s\n", qPrintable(box.text));
        return false;
    });

    CreateForms();
    Form3->Timer1->stop();
    const long rssBeforeShow = PeakRssKb();
    Form1->show();  // the show sequence: the first refresh of the whole book
    QApplication::processEvents();
    if (Form1->List().RowCount() != kEntries + 1) {
        std::fprintf(stderr, "the list holds %d rows, not %d\n", Form1->List().RowCount() - 1, kEntries);
        return 1;
    }
    Form1->grid->SetCurrentRow(5000);

    std::printf("list benchmark: %d entries, median of %d runs\n", kEntries, kRuns);
    std::printf("%-22s %9s %6s\n", "case", "ms", "ratio");
    // Alternate the cases so that drift of the machine touches both alike.
    std::vector<double> store, refresh, painted;
    for (int i = 0; i < kRuns; ++i) {
        store.push_back(ElapsedMs([] { sink = sink + AddressStore::ListAll().size(); }));
        refresh.push_back(ElapsedMs([] { Form1->RefreshList(All); }));
        painted.push_back(ElapsedMs([] {
            Form1->RefreshList(All);
            Form1->grid->viewport()->repaint();
        }));
    }
    const double storeMs = Median(store);
    std::printf("%-22s %9.1f %6.2f\n", "ListAll (store)", storeMs, 1.0);
    std::printf("%-22s %9.1f %6.2f\n", "RefreshList(All)", Median(refresh), Median(refresh) / storeMs);
    std::printf("%-22s %9.1f %6.2f\n", "RefreshList + paint", Median(painted), Median(painted) / storeMs);
    std::printf("current row kept: %d\n", Form1->grid->CurrentRow());
    std::printf("peak memory: %ld kB (%ld kB before the window was shown)\n", PeakRssKb(), rssBeforeShow);
    DestroyForms();
    return 0;
}
