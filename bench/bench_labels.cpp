// The label PDF of 10,000 listed entries (5,000 bands, 625 pages): the page model and the
// painting timed apart, and their total against a plain loop that draws the same texts at the
// same places straight onto a QPdfWriter, in the same run. Then the label preview of 100,000
// entries: how long until its first page shows, until all its pages are there, and the longest
// time the window waited for its events meanwhile. Prints tables; asserts nothing.
#include "bench_data.h"
#include "print.h"
#include "report/label_painter.h"
#include "report/label_report.h"
#include "store/address_store.h"
#include "store/paths.h"

#include <QFileInfo>
#include <QApplication>
#include <QPrintPreviewWidget>
#include <QTimer>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

using namespace report;

namespace {

const int kEntries = 10000;
const int kRuns = 5;

double CpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// The main list's rows as the label report reads them: name, postal code, address.
class Rows : public LabelSource {
public:
    explicit Rows(const AddressList& entries) : entries_(entries) {}
    int RowCount() const override { return int(entries_.size()) + 1; }
    QString Cell(int column, int row) const override
    {
        if (row < 1 || row > int(entries_.size()))
            return {};
        const AddressEntry& e = entries_[row - 1];
        switch (column) {
        case 2: return e.name;
        case 5: return e.zip;
        case 6: return e.address1 + QLatin1Char(' ') + e.address2;
        default: return {};
        }
    }

private:
    const AddressList& entries_;
};

// What the plain loop draws: device positions worked out beforehand.
struct Drawn {
    int font;
    QPointF at;
    QString text;
};

void PlainLoop(const std::vector<std::vector<Drawn>>& pages, const std::vector<QFont>& fonts, const QString& file)
{
    QPdfWriter writer(file);
    ApplyPageSetup(writer, PageSetup{});
    QPainter painter(&writer);
    painter.setPen(Qt::black);
    bool first = true;
    for (const auto& page : pages) {
        if (!first)
            writer.newPage();
        first = false;
        for (const Drawn& d : page) {
            painter.setFont(fonts[d.font]);
            painter.drawText(d.at, d.text);
        }
    }
}

// The preview as the user sees it: first page, every page, and the window's longest stall.
void FirstPageShown(const QString& book, int entries)
{
    MakeBenchBook(book, entries);
    SetDatabasePath(book);
    const AddressList list = AddressStore::ListAll();
    const Rows rows(list);
    const int expected = (entries + 1) / 2 / 8 + ((entries + 1) / 2 % 8 ? 1 : 0);
    std::vector<double> first, all, stall;
    for (int run = 0; run < 3; ++run) {
        TForm4 form;
        double firstMs = -1, allMs = -1, longest = 0;
        const auto t0 = std::chrono::steady_clock::now();
        auto last = t0;
        const auto ms = [](auto a, auto b) { return std::chrono::duration<double, std::milli>(b - a).count(); };
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            const auto now = std::chrono::steady_clock::now();
            if (firstMs >= 0)
                longest = std::max(longest, ms(last, now));
            last = now;
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* preview = w->isVisible() ? w->findChild<QPrintPreviewWidget*>() : nullptr;
                if (!preview || preview->pageCount() < 1)
                    continue;
                if (firstMs < 0)
                    firstMs = ms(t0, now);
                if (preview->pageCount() == expected) {
                    allMs = ms(t0, now);
                    poll.stop();
                    w->close();
                }
            }
        });
        poll.start(0);
        form.PreviewLabelsOf(rows);
        first.push_back(firstMs);
        all.push_back(allMs);
        stall.push_back(longest);
    }
    std::printf("\nlabel preview of %d entries (%d pages); median of %zu\n", entries, expected, first.size());
    std::printf("%-34s %9.1f ms\n", "first page shown", Median(first));
    std::printf("%-34s %9.1f ms\n", "all pages shown", Median(all));
    std::printf("%-34s %9.1f ms\n", "longest wait for events meanwhile", Median(stall));
}

}  // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    MakeBenchBook(dir.filePath("address.db"), kEntries);
    SetDatabasePath(dir.filePath("address.db"));
    const AddressList entries = AddressStore::ListAll();
    const Rows rows(entries);

    LabelReport report;
    ReportDocument doc = report.Run(rows);  // warms the font caches
    const long afterModelKb = PeakRssKb();
    const QString labels = dir.filePath("labels.pdf");

    // The same texts at the same device places, fonts made once.
    const std::vector<ReportFont> faces = {{9, false}, {9, true}, {11, true}};
    std::vector<QFont> fonts;
    for (const ReportFont& f : faces)
        fonts.push_back(ToQFont(f));
    const double scale = 1200 / 25.4;
    std::vector<std::vector<Drawn>> pages;
    size_t texts = 0;
    for (const ReportPage& p : doc.pages) {
        pages.emplace_back();
        for (const PlacedText& t : p.texts) {
            const int font = int(std::find(faces.begin(), faces.end(), t.font) - faces.begin());
            pages.back().push_back({font, QPointF(t.leftMm * scale, t.baselineMm * scale), t.text});
        }
        texts += p.texts.size();
    }
    const QString plainFile = dir.filePath("plain.pdf");

    // The three take turns, so that a busy machine slows them alike; wall and CPU time each.
    struct Timing {
        std::vector<double> wall, cpu;
        void Take(const std::function<void()>& f)
        {
            const auto cpu0 = CpuMs();
            const auto t0 = std::chrono::steady_clock::now();
            f();
            wall.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
            cpu.push_back(CpuMs() - cpu0);
        }
    } model, paint, total, plain;
    const auto paintOnce = [&] {
        QPdfWriter writer(labels);
        PaintPages(doc, report.Page, writer, QStringLiteral("cannot paint"));
    };
    paintOnce();
    PlainLoop(pages, fonts, plainFile);
    for (int run = 0; run < kRuns; ++run) {
        const size_t before = model.wall.size();
        model.Take([&] { doc = report.Run(rows); });
        paint.Take(paintOnce);
        total.wall.push_back(model.wall[before] + paint.wall[before]);
        total.cpu.push_back(model.cpu[before] + paint.cpu[before]);
        plain.Take([&] { PlainLoop(pages, fonts, plainFile); });
    }

    const double plainWall = Median(plain.wall), plainCpu = Median(plain.cpu);
    std::printf("label PDF of %d entries: %zu pages, %zu texts, %.1f MB (plain loop %.1f MB); median of %d\n",
                kEntries, doc.pages.size(), texts, QFileInfo(labels).size() / 1e6, QFileInfo(plainFile).size() / 1e6,
                kRuns);
    std::printf("%-34s %9s %7s %9s %7s\n", "case", "wall ms", "ratio", "CPU ms", "ratio");
    const auto row = [&](const char* name, const Timing& t, bool ratio) {
        const double w = Median(t.wall), c = Median(t.cpu);
        if (ratio)
            std::printf("%-34s %9.1f %7.2f %9.1f %7.2f\n", name, w, w / plainWall, c, c / plainCpu);
        else
            std::printf("%-34s %9.1f %7s %9.1f %7s\n", name, w, "", c, "");
    };
    row("page model (one run)", model, false);
    row("painting onto QPdfWriter", paint, false);
    row("model + painting", total, true);
    row("plain QPdfWriter loop (baseline)", plain, true);
    std::printf("peak memory: %.1f MB after the first model run, %.1f MB at the end\n", afterModelKb / 1024.0,
                PeakRssKb() / 1024.0);
    FirstPageShown(dir.filePath("preview.db"), 100000);
    return 0;
}
