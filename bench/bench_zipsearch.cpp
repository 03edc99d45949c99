// The postal code search window on a 50,000-row directory: a search for an empty keyword, from
// the click on "주소검색" to the filled and painted grid, against FindByDong("") alone, in the
// same run. Prints "<case> <median ms> <ratio>" and the peak memory; asserts nothing.
#include "bench_data.h"
#include "postal_search.h"
#include "store/paths.h"
#include "ui/messages.h"
#include "boxes.h"

#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>

namespace {
const int kRuns = 7;
const int kRows = 50000;
}  // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    SetExeFolder(dir.path());
    MakeBenchZipcodes(ExeFolder() + QStringLiteral("zipcode.db"), kRows);
    testsupport::SetResponder([](const testsupport::Box& box) {
        std::fprintf(stderr, "box: %s\n", qPrintable(box.text));
        return false;
    });
    return RunEmptySearchBenchmark(kRows, kRuns);
}
