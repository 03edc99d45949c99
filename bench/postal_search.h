#pragma once
// The postal code search window's search for an empty keyword, from the click on "주소검색" to
// the filled and painted grid, against FindByDong("") alone, in the same run, on the directory
// ExeFolder() + "zipcode.db" of `rows` rows. Prints "<case> <median ms> <ratio>" and the peak
// memory; returns the exit code of the benchmark (1 when the grid does not list every row).
#include "add.h"
#include "bench_data.h"
#include "forms.h"
#include "start.h"
#include "store/zipcode_directory.h"
#include "ui/string_grid.h"
#include "zipcode.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <vector>

inline int RunEmptySearchBenchmark(int rows, int runs)
{
    static volatile size_t sink = 0;
    CreateForms();
    for (QTimer* t : Form3->findChildren<QTimer*>())
        t->stop();
    Form5->ShowBeside();
    QApplication::processEvents();
    const long rssBefore = PeakRssKb();

    auto click = [] {
        QTest::mouseClick(Form5->Button3, Qt::LeftButton);
        Form5->grid->viewport()->repaint();
    };
    click();  // first search: header texts and widths set once
    if (Form5->model->RowCount() != rows + 1) {
        std::fprintf(stderr, "the grid holds %d rows, not %d\n", Form5->model->RowCount() - 1,
                     rows);
        DestroyForms();
        return 1;
    }
    Form5->grid->SetCurrentRow(rows / 2);

    std::printf("postal search benchmark: %d directory rows, empty keyword, median of %d runs\n",
                rows, runs);
    std::printf("%-26s %9s %6s\n", "case", "ms", "ratio");
    // Alternate the cases so that drift of the machine touches both alike.
    std::vector<double> find, search;
    for (int i = 0; i < runs; ++i) {
        find.push_back(ElapsedMs([] { sink = sink + ZipcodeDirectory::FindByDong(QString()).size(); }));
        search.push_back(ElapsedMs(click));
    }
    const double findMs = Median(find);
    const double searchMs = Median(search);
    std::printf("%-26s %9.1f %6.2f\n", "FindByDong(\"\")", findMs, 1.0);
    std::printf("%-26s %9.1f %6.2f   (target <= 1.50)\n", "click to filled grid", searchMs,
                searchMs / findMs);
    std::printf("current row kept: %d, rows listed: %d\n", Form5->grid->CurrentRow(),
                Form5->model->RowCount() - 1);
    std::printf("peak memory: %ld kB (%ld kB before the first search)\n", PeakRssKb(), rssBefore);
    DestroyForms();
    return 0;
}
