// The label preview: how it opens, waits and leaves the other windows usable; paging and
// zoom; printing a new run of the list of that moment to a PDF file; cancelled and failed
// prints; the printer set-up; and the main window's list as its source.
#include "../report/label_list.h"
#include "address.h"
#include "forms.h"
#include "print.h"
#include "store/paths.h"
#include "ui/messages.h"

#include "testsupport.h"
#include "boxes.h"

#include <QAction>
#include <QApplication>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <functional>

using namespace report;

namespace {

// Opens the preview and runs body while it is open, then closes it. Returns whether body ran
// before the preview returned.
bool WhileOpen(TForm4& form, const std::function<void()>& open, const std::function<void()>& body)
{
    bool ran = false;
    QTimer::singleShot(0, [&] {
        body();
        ran = true;
        if (form.PreviewWindow())
            form.PreviewWindow()->close();
    });
    open();
    return ran;
}

QAction* Command(TForm4& form, const char* name)
{
    return form.PreviewWindow() ? form.PreviewWindow()->findChild<QAction*>(QString::fromLatin1(name)) : nullptr;
}

QStringList LabelsOfBand(const ReportPage& page, size_t band)
{
    const double top = page.bands.at(band).topTenths / 10.0;
    QStringList names;
    for (const PlacedText& t : page.texts)
        if (t.topMm >= top - 1e-6 && t.topMm < top + 33.9 - 1e-6)
            names << t.label;
    return names;
}

QString PdfText(const QString& pdf)
{
    QProcess p;
    p.start("pdftotext", {pdf, "-"});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).replace(QChar(1), QChar(' '));
}

const QStringList kLeft = {"QRLabel1", "zip_code_1", "address_1", "name_1", "QRLabel3"};
const QStringList kRight = {"lb", "zip_code_2", "address_2", "name_2", "lb2"};

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

private:
    QTemporaryDir dir_;
    QList<testsupport::Box> boxes_;
    QString pdfName_;
};

void TestPrint::init()
{
    boxes_.clear();
    pdfName_.clear();
    testsupport::SetResponder([this](const testsupport::Box& box) {
        boxes_ << box;
        return false;
    });
    TForm4::SetPdfFileNameAsk([this](QWidget*, const QString&) { return pdfName_; });
}

void TestPrint::cleanup()
{
    TForm4::SetPdfFileNameAsk(nullptr);
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
    const bool ran = WhileOpen(form, [&] { form.PreviewLabelsOf(list); }, [&] {
        QWidget* window = form.PreviewWindow();
        QVERIFY(window && window->isVisible());
        QVERIFY(window->windowState() & Qt::WindowMaximized);
        QVERIFY(!window->isModal());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QCOMPARE(form.PreviewWidget()->zoomMode(), QPrintPreviewWidget::FitToWidth);
        QCOMPARE(form.PreviewWidget()->pageCount(), 2);
        QCOMPARE(form.Runs(), 1);
        QCOMPARE(form.LastRun().pages.size(), size_t(2));

        // The other windows take input while the preview is open.
        QTest::mouseClick(other.windowHandle(), Qt::LeftButton, {}, other.rect().center());
        QVERIFY(clicked);

        // Starting it again only brings the open preview to the front.
        form.PreviewLabelsOf(list);
        secondReturned = true;
        QCOMPARE(form.PreviewWindow(), window);
        QCOMPARE(form.Runs(), 1);
    });
    QVERIFY2(ran, "the preview returned before it was closed");
    QVERIFY(secondReturned);
    QCOMPARE(form.PreviewWindow(), nullptr);
    QVERIFY(boxes_.isEmpty());
}

void TestPrint::pagingAndZoom()
{
    TForm4 form;
    LabelList list = LabelList::Numbered(40);  // 20 bands: three pages
    QVERIFY(WhileOpen(form, [&] { form.PreviewLabelsOf(list); }, [&] {
        QPrintPreviewWidget* preview = form.PreviewWidget();
        QCOMPARE(preview->pageCount(), 3);
        QCOMPARE(preview->currentPage(), 1);
        Command(form, "nextPage")->trigger();
        QCOMPARE(preview->currentPage(), 2);
        Command(form, "lastPage")->trigger();
        QCOMPARE(preview->currentPage(), 3);
        Command(form, "previousPage")->trigger();
        QCOMPARE(preview->currentPage(), 2);
        Command(form, "firstPage")->trigger();
        QCOMPARE(preview->currentPage(), 1);

        const double fitted = preview->zoomFactor();
        Command(form, "zoomIn")->trigger();
        QVERIFY(preview->zoomFactor() > fitted);
        Command(form, "zoomOut")->trigger();
        Command(form, "zoomOut")->trigger();
        QVERIFY(preview->zoomFactor() < fitted);
        Command(form, "fitPage")->trigger();
        QCOMPARE(preview->zoomMode(), QPrintPreviewWidget::FitInView);
        Command(form, "fitWidth")->trigger();
        QCOMPARE(preview->zoomMode(), QPrintPreviewWidget::FitToWidth);
        QCOMPARE(form.Runs(), 1);  // paging and zooming show the pages of the one run
    }));
}

void TestPrint::printsANewRunOfTheChangedList()
{
    TForm4 form;
    LabelList list = LabelList::Numbered(3);
    pdfName_ = dir_.filePath("changed");  // no suffix: .pdf is added
    QVERIFY(WhileOpen(form, [&] { form.PreviewLabelsOf(list); }, [&] {
        // Three entries: the second band's right half is empty.
        const ReportPage& shown = form.LastRun().pages.at(0);
        QCOMPARE(LabelsOfBand(shown, 1), kLeft + kRight);
        QCOMPARE(LabelsOfBand(shown, 2), kLeft);

        // The list changes while the preview is open; printing reads it afresh.
        list = LabelList::Numbered(5);
        list.entries[4].name = "새이름";
        Command(form, "print")->trigger();
        QCOMPARE(form.Runs(), 2);
        const ReportPage& printed = form.LastRun().pages.at(0);
        QCOMPARE(printed.bands.size(), size_t(4));
        QCOMPARE(LabelsOfBand(printed, 1), kLeft + kRight);
        QCOMPARE(LabelsOfBand(printed, 3), kLeft);
        const QString text = PdfText(dir_.filePath("changed.pdf"));
        QVERIFY2(text.contains("새이름") && text.contains("이름4") && text.contains("105-205"), qPrintable(text));

        // And again, with the same odd last band.
        Command(form, "print")->trigger();
        QCOMPARE(form.Runs(), 3);
        QCOMPARE(LabelsOfBand(form.LastRun().pages.at(0), 3), kLeft);
        // The preview still shows the pages of its own run.
        QCOMPARE(form.PreviewWidget()->pageCount(), 1);
    }));
    QVERIFY(boxes_.isEmpty());
}

void TestPrint::cancelledPrint()
{
    TForm4 form;
    LabelList list = LabelList::Numbered(2);
    QString suggested;
    QWidget* parent = nullptr;
    TForm4::SetPdfFileNameAsk([&](QWidget* asker, const QString& name) {
        parent = asker;
        suggested = name;
        return QString();  // the user cancels the file dialog
    });
    QVERIFY(WhileOpen(form, [&] { form.PreviewLabelsOf(list); }, [&] {
        Command(form, "print")->trigger();
        QCOMPARE(parent, form.PreviewWindow());
        QVERIFY(suggested.endsWith("labels.pdf"));
        QCOMPARE(form.Runs(), 1);
        QVERIFY(!QFile::exists(suggested));
    }));
    QVERIFY(boxes_.isEmpty());
}

void TestPrint::printerFailureReachesTheErrorDisplay()
{
    TForm4 form;
    LabelList list = LabelList::Numbered(2);
    pdfName_ = dir_.filePath("missing-folder/labels.pdf");
    QVERIFY(WhileOpen(form, [&] { form.PreviewLabelsOf(list); }, [&] {
        Command(form, "print")->trigger();
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].kind, testsupport::Box::Error);
        QVERIFY2(boxes_[0].text.startsWith("라벨을 인쇄하지 못했습니다 (") && boxes_[0].text.contains("missing-folder"),
                 qPrintable(boxes_[0].text));
        QVERIFY(form.PreviewWindow()->isVisible());  // the preview stays usable
        pdfName_ = dir_.filePath("second-try.pdf");
        Command(form, "print")->trigger();
        QVERIFY(QFile::exists(pdfName_));
    }));
    QCOMPARE(boxes_.size(), 1);
}

void TestPrint::printerSetUp()
{
    TForm4 form;
    LabelList list = LabelList::Numbered(2);
    bool sawDialog = false;
    QVERIFY(WhileOpen(form, [&] { form.PreviewLabelsOf(list); }, [&] {
        QTimer poll;
        connect(&poll, &QTimer::timeout, [&] {
            if (auto* dialog = qobject_cast<QPrintDialog*>(QApplication::activeModalWidget())) {
                sawDialog = dialog->windowTitle() == "프린터 설정";
                dialog->reject();
            }
        });
        poll.start(20);
        Command(form, "printerSetup")->trigger();  // returns once the dialog is answered
        QVERIFY(sawDialog);
        QCOMPARE(form.Runs(), 1);  // cancelled: nothing changed, nothing printed
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
    QVERIFY(WhileOpen(*Form4, [] { Form4->PreviewLabels(); }, [] {
        QCOMPARE(Form4->LastRun().pages.size(), size_t(1));
        QCOMPARE(LabelsOfBand(Form4->LastRun().pages[0], 1), (QStringList{"QRLabel1", "QRLabel3"}));
    }));
    SetDatabasePath(dir_.filePath("address.db"));
    Form1->RefreshList(All);
    QVERIFY(WhileOpen(*Form4, [] { Form1->Image6Click(); }, [] {
        const ReportPage& page = Form4->LastRun().pages.at(0);
        QStringList texts;
        for (const PlacedText& t : page.texts)
            texts << t.text;
        QVERIFY2(texts.contains("김철수") && texts.contains("이영희") && texts.contains("박민수"), qPrintable(texts.join('|')));
        QVERIFY(texts.contains("부산광역시 해운대구 우동 2"));
        QCOMPARE(LabelsOfBand(page, 2), kLeft);
    }));
    DestroyForms();
    SetDatabasePath({});
    SetExeFolder({});
}

QTEST_MAIN(TestPrint)
#include "test_print.moc"
