// The label preview: how it opens, waits and leaves the other windows usable; paging and
// zoom; printing a new run of the list of that moment to a PDF file; cancelled and failed
// prints; the printer set-up; the main window's list as its source; and a long list whose
// first page shows while the rest are made.
#include "../report/label_list.h"
#include "address.h"
#include "forms.h"
#include "print.h"
#include "store/paths.h"
#include "ui/messages.h"

#include "testsupport.h"
#include "boxes.h"
#include "filedialogs.h"
#include "preview.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QThread>
#include <QTimer>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <functional>

using namespace report;

namespace {

// Opens the preview and runs body while it is open, then closes it. Returns whether body ran
// before the preview returned.
bool WhileOpen(const std::function<void()>& open, const std::function<void()>& body)
{
    bool ran = false;
    QTimer::singleShot(0, [&] {
        body();
        ran = true;
        if (QWidget* window = testsupport::OpenPreviewWindow())
            window->close();
    });
    open();
    return ran;
}

// 16,000 entries (1,000 pages) read slowly enough that no machine makes them before the first
// page shows.
LabelList SlowLongList()
{
    LabelList list = LabelList::Numbered(16000);
    list.onRead = [](int, int) { QThread::usleep(20); };
    return list;
}

QAction* Command(const char* name)
{
    QWidget* window = testsupport::OpenPreviewWindow();
    return window ? window->findChild<QAction*>(QString::fromLatin1(name)) : nullptr;
}

struct PdfWord {
    int page = 0;
    double x = 0, y = 0;
    QString text;
};

// The words of a PDF file where they stand, as pdftotext finds them (y grows downwards).
QList<PdfWord> PdfWords(const QString& pdf, double* pageWidth)
{
    QProcess p;
    p.start("pdftotext", {"-bbox", pdf, "-"});
    p.waitForFinished(30000);
    const QString out = QString::fromUtf8(p.readAllStandardOutput());
    QList<PdfWord> words;
    int page = 0;
    static const QRegularExpression pageRe(R"re(<page width="([\d.]+)")re");
    static const QRegularExpression wordRe(R"re(<word xMin="([\d.]+)" yMin="([\d.]+)"[^>]*>([^<]*)</word>)re");
    for (const QString& line : out.split('\n')) {
        if (const auto m = pageRe.match(line); m.hasMatch()) {
            ++page;
            *pageWidth = m.captured(1).toDouble();
        } else if (const auto w = wordRe.match(line); w.hasMatch()) {
            words.push_back({page, w.captured(1).toDouble(), w.captured(2).toDouble(), w.captured(3).replace(QChar(1), QChar(' '))});  // spaces inside a text come as U+0001
        }
    }
    return words;
}

// The label bands of a printed file, page after page: each band "left | right", a label as its
// words in reading order, a half without a label empty. A label starts with its "(우)".
QStringList Bands(const QString& pdf)
{
    double width = 0;
    QList<PdfWord> words = PdfWords(pdf, &width);
    std::sort(words.begin(), words.end(), [](const PdfWord& a, const PdfWord& b) {
        return a.page != b.page ? a.page < b.page : std::abs(a.y - b.y) > 2 ? a.y < b.y : a.x < b.x;
    });
    QStringList bands;
    QStringList left, right;
    int page = 0;
    double top = 0;
    const auto flush = [&] {
        if (!left.isEmpty() || !right.isEmpty())
            bands << left.join(' ') + " | " + right.join(' ');
        left.clear();
        right.clear();
    };
    for (const PdfWord& w : words) {
        if (w.text == QStringLiteral("(우)") && (w.page != page || w.y > top + 2)) {
            flush();
            page = w.page;
            top = w.y;
        }
        (w.x < width / 2 ? left : right) << w.text;
    }
    flush();
    return bands;
}

// A label of LabelList::Numbered as printed.
QString Label(int i, const QString& name = {})
{
    return QStringLiteral("(우) %1-%2 서울특별시 강남구 역삼동 %3-%4 %5 귀하")
        .arg(100 + i).arg(200 + i).arg(i).arg(i + 1).arg(name.isEmpty() ? QStringLiteral("이름%1").arg(i) : name);
}

}  // namespace

class TestPrint : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void opensMaximizedAtPageWidthAndWaits();
    void pagingAndZoom();
    void printsANewRunOfTheChangedList();
    void cancelledPrint();
    void printerFailureReachesTheErrorDisplay();
    void printerSetUp();
    void mainWindowListIsTheSource();
    void longListShowsItsFirstPageWhileTheRestAreMade();
    void closingWhilePagesAreMade();

private:
    QTemporaryDir dir_;
    QList<testsupport::Box> boxes_;
    QString pdfName_;  // typed into the PDF file dialog; empty: cancelled
    QList<testsupport::FileDialogSeen> fileDialogs_;
};

void TestPrint::init()
{
    boxes_.clear();
    pdfName_.clear();
    testsupport::SetResponder([this](const testsupport::Box& box) {
        boxes_ << box;
        return false;
    });
    fileDialogs_.clear();
    testsupport::SetFileAnswer([this](const testsupport::FileDialogSeen& seen) {
        fileDialogs_ << seen;
        return pdfName_.isEmpty() ? QStringList() : QStringList{pdfName_};
    });
}

void TestPrint::cleanup()
{
    testsupport::SetFileAnswer(nullptr);
    testsupport::SetResponder(nullptr);
}

void TestPrint::opensMaximizedAtPageWidthAndWaits()
{
    TForm4 form;
    LabelList list = LabelList::Numbered(17);
    QPushButton other("main window stand-in");
    bool clicked = false;
    connect(&other, &QPushButton::clicked, [&] { clicked = true; });
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));

    bool secondReturned = false;
    const bool ran = WhileOpen([&] { form.PreviewLabelsOf(list); }, [&] {
        QWidget* window = testsupport::OpenPreviewWindow();
        QVERIFY(window && window->isVisible());
        QVERIFY(window->windowState() & Qt::WindowMaximized);
        QVERIFY(!window->isModal());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QPrintPreviewWidget* preview = testsupport::OpenPreview();
        QCOMPARE(preview->zoomMode(), QPrintPreviewWidget::FitToWidth);
        QCOMPARE(preview->pageCount(), 2);
        QSignalSpy runs(preview, &QPrintPreviewWidget::paintRequested);

        // The other windows take input while the preview is open.
        QTest::mouseClick(other.windowHandle(), Qt::LeftButton, {}, other.rect().center());
        QVERIFY(clicked);

        // Starting it again only brings the open preview to the front.
        form.PreviewLabelsOf(list);
        secondReturned = true;
        QCOMPARE(testsupport::OpenPreviewWindow(), window);
        QCOMPARE(runs.count(), 0);
    });
    QVERIFY2(ran, "the preview returned before it was closed");
    QVERIFY(secondReturned);
    QCOMPARE(testsupport::OpenPreviewWindow(), nullptr);
    QVERIFY(boxes_.isEmpty());
}

void TestPrint::pagingAndZoom()
{
    TForm4 form;
    LabelList list = LabelList::Numbered(40);  // 20 bands: three pages
    QVERIFY(WhileOpen([&] { form.PreviewLabelsOf(list); }, [&] {
        QPrintPreviewWidget* preview = testsupport::OpenPreview();
        QSignalSpy runs(preview, &QPrintPreviewWidget::paintRequested);
        QCOMPARE(preview->pageCount(), 3);
        QCOMPARE(preview->currentPage(), 1);
        Command("nextPage")->trigger();
        QCOMPARE(preview->currentPage(), 2);
        Command("lastPage")->trigger();
        QCOMPARE(preview->currentPage(), 3);
        Command("previousPage")->trigger();
        QCOMPARE(preview->currentPage(), 2);
        Command("firstPage")->trigger();
        QCOMPARE(preview->currentPage(), 1);

        const double fitted = preview->zoomFactor();
        Command("zoomIn")->trigger();
        QVERIFY(preview->zoomFactor() > fitted);
        Command("zoomOut")->trigger();
        Command("zoomOut")->trigger();
        QVERIFY(preview->zoomFactor() < fitted);
        Command("fitPage")->trigger();
        QCOMPARE(preview->zoomMode(), QPrintPreviewWidget::FitInView);
        Command("fitWidth")->trigger();
        QCOMPARE(preview->zoomMode(), QPrintPreviewWidget::FitToWidth);
        QCOMPARE(runs.count(), 0);  // paging and zooming show the pages of the one run
    }));
}

void TestPrint::printsANewRunOfTheChangedList()
{
    TForm4 form;
    LabelList list = LabelList::Numbered(3);
    QVERIFY(WhileOpen([&] { form.PreviewLabelsOf(list); }, [&] {
        QPrintPreviewWidget* preview = testsupport::OpenPreview();
        QSignalSpy runs(preview, &QPrintPreviewWidget::paintRequested);
        QCOMPARE(preview->pageCount(), 1);
        // Three entries, printed as shown: the second band's right half is empty.
        pdfName_ = dir_.filePath("shown.pdf");
        Command("print")->trigger();
        QCOMPARE(Bands(pdfName_), (QStringList{Label(1) + " | " + Label(2), Label(3) + " | "}));

        // The list changes while the preview is open; printing reads it afresh.
        list = LabelList::Numbered(5);
        list.entries[4].name = "새이름";
        pdfName_ = dir_.filePath("changed");  // no suffix: .pdf is added
        const QString changed = dir_.filePath("changed.pdf");
        Command("print")->trigger();
        const QStringList printed = {Label(1) + " | " + Label(2), Label(3) + " | " + Label(4), Label(5, "새이름") + " | "};
        QCOMPARE(Bands(changed), printed);

        // And again, with the same odd last band; the dialog suggests the file of the last print.
        QVERIFY(QFile::remove(changed));
        Command("print")->trigger();
        QCOMPARE(fileDialogs_.last().suggested, changed);
        QCOMPARE(Bands(changed), printed);
        // The preview still shows the pages of its own run.
        QCOMPARE(runs.count(), 0);
        QCOMPARE(preview->pageCount(), 1);
    }));
    QVERIFY(boxes_.isEmpty());
}

void TestPrint::cancelledPrint()
{
    TForm4 form;
    LabelList list = LabelList::Numbered(2);
    pdfName_.clear();  // the user cancels the file dialog
    QVERIFY(WhileOpen([&] { form.PreviewLabelsOf(list); }, [&] {
        QSignalSpy runs(testsupport::OpenPreview(), &QPrintPreviewWidget::paintRequested);
        Command("print")->trigger();
        QCOMPARE(fileDialogs_.size(), 1);
        QVERIFY(fileDialogs_[0].save);
        QCOMPARE(fileDialogs_[0].owner.data(), testsupport::OpenPreviewWindow());
        QVERIFY2(fileDialogs_[0].suggested.endsWith("/labels.pdf"), qPrintable(fileDialogs_[0].suggested));
        QCOMPARE(runs.count(), 0);
        QVERIFY(!QFile::exists(fileDialogs_[0].suggested));
    }));
    QVERIFY(boxes_.isEmpty());
}

void TestPrint::printerFailureReachesTheErrorDisplay()
{
    TForm4 form;
    LabelList list = LabelList::Numbered(2);
    pdfName_ = dir_.filePath("missing-folder/labels.pdf");
    QVERIFY(WhileOpen([&] { form.PreviewLabelsOf(list); }, [&] {
        Command("print")->trigger();
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].kind, testsupport::Box::Error);
        QVERIFY2(boxes_[0].text.startsWith("라벨을 인쇄하지 못했습니다 (") && boxes_[0].text.contains("missing-folder"),
                 qPrintable(boxes_[0].text));
        QVERIFY(testsupport::OpenPreviewWindow());  // the preview stays usable
        pdfName_ = dir_.filePath("second-try.pdf");
        Command("print")->trigger();
        QVERIFY(QFile::exists(pdfName_));
    }));
    QCOMPARE(boxes_.size(), 1);
}

void TestPrint::printerSetUp()
{
    TForm4 form;
    LabelList list = LabelList::Numbered(2);
    bool sawDialog = false;
    QVERIFY(WhileOpen([&] { form.PreviewLabelsOf(list); }, [&] {
        QSignalSpy runs(testsupport::OpenPreview(), &QPrintPreviewWidget::paintRequested);
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            if (auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget())) {
                sawDialog = dialog->windowTitle() == "프린터 설정";
                dialog->reject();
            }
        });
        poll.start(20);
        Command("printerSetup")->trigger();  // returns once the dialog is answered
        QVERIFY(sawDialog);
        QCOMPARE(runs.count(), 0);  // cancelled: nothing changed, nothing printed
        QVERIFY(fileDialogs_.isEmpty());
    }));
    QVERIFY(boxes_.isEmpty());
}

void TestPrint::mainWindowListIsTheSource()
{
    SetExeFolder(dir_.path() + "/");
    testsupport::MakeBook(dir_.filePath("address.db"),
                          {{"친구", "김철수", "02-1", "010-1", "135-080", "서울특별시 강남구", "역삼동 1"},
                           {"회사", "이영희", "02-2", "010-2", "612-020", "부산광역시 해운대구", "우동 2"},
                           {"가족", "박민수", "02-3", "010-3", "700-010", "대구광역시 중구", ""}});
    CreateForms();
    // Before the first refresh the list is the blank row of a new grid: one band with only
    // the left "(우)" and "귀하".
    pdfName_ = dir_.filePath("blank.pdf");
    QVERIFY(WhileOpen([] { Form4->PreviewLabels(); }, [this] {
        QCOMPARE(testsupport::OpenPreview()->pageCount(), 1);
        Command("print")->trigger();
        QCOMPARE(Bands(pdfName_), QStringList{"(우) 귀하 | "});
    }));
    SetDatabasePath(dir_.filePath("address.db"));
    Form1->RefreshList(All);
    pdfName_ = dir_.filePath("list.pdf");
    QVERIFY(WhileOpen([] { Form1->Image6Click(); }, [this] {
        QCOMPARE(testsupport::OpenPreview()->pageCount(), 1);
        Command("print")->trigger();
        QCOMPARE(Bands(pdfName_), (QStringList{"(우) 135-080 서울특별시 강남구 역삼동 1 김철수 귀하 | "
                                               "(우) 612-020 부산광역시 해운대구 우동 2 이영희 귀하",
                                               "(우) 700-010 대구광역시 중구  박민수 귀하 | "}));  // no detail: the address ends in a space
    }));
    DestroyForms();
    SetDatabasePath({});
    SetExeFolder({});
}


void TestPrint::longListShowsItsFirstPageWhileTheRestAreMade()
{
    TForm4 form;
    LabelList list = SlowLongList();
    QVERIFY(WhileOpen([&] { form.PreviewLabelsOf(list); }, [&] {
        QPrintPreviewWidget* preview = testsupport::OpenPreview();
        QVERIFY(preview);
        const int first = preview->pageCount();
        QVERIFY2(first >= 1 && first < 1000, qPrintable(QString::number(first)));
        // The first page's labels are on screen: black text on the white sheet.
        const QImage shot = preview->grab().toImage();
        int dark = 0;
        for (int y = 0; y < shot.height(); y += 2)
            for (int x = 0; x < shot.width(); x += 2)
                dark += qGray(shot.pixel(x, y)) < 64;
        QVERIFY2(dark > 50, qPrintable(QString::number(dark)));
        // The window goes on taking events while the other pages are made, and the page count
        // and navigation reach the whole run.
        QTRY_COMPARE_WITH_TIMEOUT(preview->pageCount(), 1000, 120000);
        auto* pages = preview->window()->findChild<QLabel*>("pages");
        QCOMPARE(pages->text(), QString(" / 1000 "));
        Command("lastPage")->trigger();
        QCOMPARE(preview->currentPage(), 1000);
    }));
    QVERIFY(boxes_.isEmpty());
}

void TestPrint::closingWhilePagesAreMade()
{
    TForm4 form;
    LabelList list = SlowLongList();
    int reads = 0;
    bool shown = false;
    QVERIFY(WhileOpen([&] { form.PreviewLabelsOf(list); }, [&] {
        shown = testsupport::OpenPreview() && testsupport::OpenPreview()->pageCount() < 1000;
        list.onRead = [&](int, int) { ++reads; };
    }));  // closed while pages were still being made: the preview has returned
    QVERIFY(shown);
    QVERIFY(!testsupport::OpenPreview());
    const int readsAtClose = reads;
    QTest::qWait(100);
    QCOMPARE(reads, readsAtClose);  // the run stopped with the window
    // The next preview starts afresh and completes.
    LabelList three = LabelList::Numbered(3);
    QVERIFY(WhileOpen([&] { form.PreviewLabelsOf(three); }, [&] { QCOMPARE(testsupport::OpenPreview()->pageCount(), 1); }));
    QVERIFY(boxes_.isEmpty());
}

QTEST_MAIN(TestPrint)
#include "test_print.moc"
