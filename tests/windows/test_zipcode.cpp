// The postal code search window: showing, searching, the current row, "확인" into the entry
// dialog, failures, and how it stands beside the modal entry dialog.
#include "add.h"
#include "address.h"
#include "forms.h"
#include "start.h"
#include "store/paths.h"
#include "ui/fonts.h"
#include "ui/messages.h"
#include "ui/placement.h"
#include "ui/string_grid.h"
#include "zipcode.h"

#include "testsupport.h"
#include "windowsupport.h"
#include "boxes.h"

#include <QApplication>
#include <QComboBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTimer>
#include <QWindow>
#include <QtTest>
#include <functional>

using testsupport::Exec;
using testsupport::MakeBook;

namespace {

using Rows = QList<QStringList>;  // zipcode, sido, LocalAddress per listed row

void Commit(QWidget* field, const QString& text)
{
    QInputMethodEvent event;
    event.setCommitString(text);
    QCoreApplication::sendEvent(field, &event);
}

void Compose(QWidget* field, const QString& preedit)
{
    QInputMethodEvent event(preedit, {});
    QCoreApplication::sendEvent(field, &event);
}

// The grid's data rows as listed, checking the running numbers on the way.
Rows Listed()
{
    Rows rows;
    const ZipGridModel* cells = Form5->model;
    for (int r = 1; r < cells->RowCount(); ++r) {
        if (cells->Cell(0, r) != QString::number(r))
            return {{QStringLiteral("row %1 numbered '%2'").arg(r).arg(cells->Cell(0, r))}};
        rows << QStringList{cells->Cell(1, r), cells->Cell(2, r), cells->Cell(3, r)};
    }
    return rows;
}

QStringList Headers()
{
    QStringList headers;
    for (int c = 0; c < 4; ++c)
        headers << Form5->model->Cell(c, 0);
    return headers;
}

QList<int> Widths()
{
    return {Form5->grid->columnWidth(0), Form5->grid->columnWidth(1), Form5->grid->columnWidth(2)};
}

bool RowIsBlank(int row)
{
    for (int c = 0; c < 4; ++c)
        if (!Form5->model->Cell(c, row).isEmpty())
            return false;
    return true;
}

// A click as the window system delivers it: a window blocked by a modal dialog drops it.
bool ClickThroughWindow(QPushButton* button)
{
    QSignalSpy clicked(button, &QPushButton::clicked);
    QWindow* window = button->window()->windowHandle();
    if (!window)
        return false;
    QTest::mouseClick(window, Qt::LeftButton, {}, button->mapTo(button->window(), button->rect().center()));
    return clicked.count() == 1;
}

void ClickRow(int row)
{
    const QRect cell = Form5->grid->visualRect(Form5->model->index(row - 1, 1));
    QTest::mouseClick(Form5->grid->viewport(), Qt::LeftButton, {}, cell.center());
}

void RunSearch(const QString& keyword, bool byEnter)
{
    Form5->keyword->setText(keyword);
    if (byEnter)
        QTest::keyClick(Form5->keyword, Qt::Key_Return);
    else
        QTest::mouseClick(Form5->Button3, Qt::LeftButton);
}

const Rows kAll = {
    {"110-041", "서울특별시", "종로구 청운동   1~50"},
    {"110-042", "서울특별시", "종로구 신교동   "},
    {"135-081", "서울특별시", "강남구 역삼1동   600~700"},
    {"135-082", "서울특별시", "강남구 역삼2동  역삼빌딩 1~99"},
    {"135-083", "서울특별시", "강남구 역삼3동   "},
    {"612-020", "부산광역시", "해운대구 우동 상리  1~100"},
    {"", "", "    "},
};

}  // namespace

class TestSearchWindow : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QList<testsupport::Box> boxes_;

    bool WhileShown(const std::function<void()>& open, const std::function<void()>& inside = {})
    {
        return testsupport::WhileEntryDialogShown(open, inside);
    }

    QStringList ErrorTexts() const { return testsupport::ErrorTexts(boxes_); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        SetExeFolder(dir_.path());
        const QString book = dir_.filePath(QStringLiteral("address.db"));
        MakeBook(book, {{"친구", "이몽룡", "", "", "", "", ""}});
        SetDatabasePath(book);
        // Rows in insertion order; the last one has empty parts and one has no dong at all.
        Exec(dir_.filePath(QStringLiteral("zipcode.db")),
             QStringLiteral(
                 "CREATE TABLE zipcode (zipcode TEXT, sido TEXT, gugun TEXT, dong TEXT, ri TEXT,"
                 " bldg TEXT, bunji TEXT);"
                 "INSERT INTO zipcode VALUES ('110-041','서울특별시','종로구','청운동','','','1~50');"
                 "INSERT INTO zipcode VALUES ('110-042','서울특별시','종로구','신교동','','','');"
                 "INSERT INTO zipcode VALUES ('135-081','서울특별시','강남구','역삼1동','','','600~700');"
                 "INSERT INTO zipcode VALUES ('135-082','서울특별시','강남구','역삼2동','','역삼빌딩','1~99');"
                 "INSERT INTO zipcode VALUES ('135-083','서울특별시','강남구','역삼3동','','','');"
                 "INSERT INTO zipcode VALUES ('612-020','부산광역시','해운대구','우동','상리','','1~100');"
                 "INSERT INTO zipcode VALUES ('','','','','','','');"
                 "INSERT INTO zipcode VALUES ('999-999','서울특별시','중구',NULL,'','','');"));
        InstallFontSubstitutions();
        CreateForms();
        for (QTimer* t : Form3->findChildren<QTimer*>())
            t->stop();
        testsupport::SetResponder([this](const testsupport::Box& box) {
            boxes_ << box;
            return true;
        });
        Form1->LoadCategories();
        Form1->RefreshList(All);
    }

    void init()
    {
        boxes_.clear();
        SetExeFolder(dir_.path());
    }

    void cleanup() { Form5->hide(); }

    void cleanupTestCase()
    {
        testsupport::SetResponder(nullptr);
        DestroyForms();
    }

    // Runs first: the very first showing, before any search.
    void firstShowingThenConfirmWithoutSearch()
    {
        QStringList headers;
        QList<int> widths;
        int rows = 0;
        bool blank = false, keywordFocused = false;
        QString keywordText, zip = QStringLiteral("unset"), add1 = QStringLiteral("unset");
        QPoint pos;
        QWidget* focus = nullptr;
        bool hidden = false;
        QVERIFY(WhileShown([] { Form2->OpenForNew(); }, [&] {
            Form2->zip->setText(QStringLiteral("000-000"));
            Form2->add1->setText(QStringLiteral("앞 주소"));
            QTest::mouseClick(Form2->Button4, Qt::LeftButton);
            headers = Headers();
            widths = Widths();
            rows = Form5->model->RowCount();
            blank = RowIsBlank(1);
            keywordText = Form5->keyword->text();
            keywordFocused = Form5->focusWidget() == Form5->keyword;
            pos = Form5->pos();
            QTest::mouseClick(Form5->Button1, Qt::LeftButton);
            zip = Form2->zip->text();
            add1 = Form2->add1->text();
            focus = Form2->focusWidget();
            hidden = !Form5->isVisible();
        }));
        QCOMPARE(Form5->windowTitle(), QStringLiteral("우편번호 검색"));
        QCOMPARE(Form5->size(), QSize(419, 472));
        QVERIFY(Form5->windowFlags() & Qt::WindowStaysOnTopHint);
        QCOMPARE(headers, QStringList(4, QString()));
        QCOMPARE(widths, (QList<int>{28, 61, 53}));
        QCOMPARE(rows, 2);
        QVERIFY(blank);
        QCOMPARE(keywordText, QString());
        QVERIFY(keywordFocused);
        QCOMPARE(pos, CentredOver(Form3->frameGeometry(), QSize(419, 472),
                                  QGuiApplication::primaryScreen()->virtualGeometry()));
        QCOMPARE(zip, QString());
        QCOMPARE(add1, QStringLiteral(" "));
        QCOMPARE(focus, static_cast<QWidget*>(Form2->add2));
        QVERIFY(hidden);
        QVERIFY(boxes_.isEmpty());
    }

    void search_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<bool>("byEnter");
        QTest::addColumn<Rows>("expected");
        const Rows yeoksam = {kAll[2], kAll[3], kAll[4]};
        for (bool enter : {false, true}) {
            const char* how = enter ? "Enter" : "button";
            QTest::addRow("no match, %s", how) << QStringLiteral("없는동") << enter << Rows{};
            QTest::addRow("several, %s", how) << QStringLiteral("역삼") << enter << yeoksam;
            QTest::addRow("one, %s", how) << QStringLiteral("우동") << enter << Rows{kAll[5]};
            QTest::addRow("empty keyword lists every row with a dong, %s", how)
                << QString() << enter << kAll;
        }
    }

    void search()
    {
        QFETCH(QString, keyword);
        QFETCH(bool, byEnter);
        QFETCH(Rows, expected);
        Form5->ShowBeside();
        QWidget* from = byEnter ? static_cast<QWidget*>(Form5->keyword) : Form5->Button3;
        from->setFocus();
        RunSearch(keyword, byEnter);
        QCOMPARE(Headers(), (QStringList{QStringLiteral("번호"), QStringLiteral("우편번호"),
                                         QStringLiteral("지역"), QStringLiteral("주소")}));
        QCOMPARE(Widths(), (QList<int>{28, 50, 50}));
        if (expected.isEmpty()) {
            QCOMPARE(Form5->model->RowCount(), 2);
            QVERIFY(RowIsBlank(1));
        } else {
            QCOMPARE(Form5->model->RowCount(), expected.size() + 1);
            QCOMPARE(Listed(), expected);
        }
        QCOMPARE(Form5->focusWidget(), from);  // a search does not move the focus
        QVERIFY(boxes_.isEmpty());
    }

    void currentRowAcrossSearchesAndConfirm()
    {
        int afterShorter = 0, afterLonger = 0;
        QString zip, add1, lookedUp;
        QWidget* focus = nullptr;
        QVERIFY(WhileShown([] { Form2->OpenForNew(); }, [&] {
            QTest::mouseClick(Form2->Button4, Qt::LeftButton);
            RunSearch(QString(), false);
            ClickRow(5);
            RunSearch(QStringLiteral("역삼"), false);  // 3 rows: the last row becomes current
            afterShorter = Form5->grid->CurrentRow();
            ClickRow(2);
            RunSearch(QString(), true);  // longer: row 2 stays current
            afterLonger = Form5->grid->CurrentRow();
            QTest::mouseClick(Form5->Button1, Qt::LeftButton);
            zip = Form2->zip->text();
            add1 = Form2->add1->text();
            focus = Form2->focusWidget();
            // The dialog's own lookup gives the same address for a postal code of one row.
            Form2->add1->clear();
            QTest::mouseClick(Form2->Button3, Qt::LeftButton);
            lookedUp = Form2->add1->text();
        }));
        QCOMPARE(afterShorter, 3);
        QCOMPARE(afterLonger, 2);
        QCOMPARE(zip, QStringLiteral("110-042"));
        QCOMPARE(add1, QStringLiteral("서울특별시 종로구 신교동   "));
        QCOMPARE(lookedUp, add1);
        QCOMPARE(focus, static_cast<QWidget*>(Form2->add2));
    }

    void reopeningEmptiesKeywordAndRowsUnderTheLastHeaders()
    {
        Form5->ShowBeside();
        RunSearch(QStringLiteral("역삼"), false);
        ClickRow(3);
        Form5->close();  // the close box hides it
        QVERIFY(!Form5->isVisible());
        Form5->ShowBeside();
        QCOMPARE(Form5->keyword->text(), QString());
        QCOMPARE(Form5->focusWidget(), static_cast<QWidget*>(Form5->keyword));
        QCOMPARE(Form5->model->RowCount(), 2);
        QVERIFY(RowIsBlank(1));
        QCOMPARE(Form5->grid->CurrentRow(), 1);
        QCOMPARE(Headers()[3], QStringLiteral("주소"));
        QCOMPARE(Widths(), (QList<int>{28, 50, 50}));
    }

    void tabOrder()
    {
        Form5->ShowBeside();
        QVERIFY(QTest::qWaitForWindowActive(Form5));
        Form5->grid->setFocus();
        QList<QWidget*> visited;
        for (int i = 0; i < 4; ++i) {
            QWidget* w = Form5->focusWidget();
            visited << w;
            QTest::keyClick(w, Qt::Key_Tab);
        }
        const QList<QWidget*> expected = {Form5->grid, Form5->Button3, Form5->keyword, Form5->Button1};
        QCOMPARE(visited, expected);
        QCOMPARE(Form5->focusWidget(), static_cast<QWidget*>(Form5->grid));
    }

    void closeBoxAndEscapeWriteNothing()
    {
        Form2->zip->setText(QStringLiteral("그대로"));
        Form5->ShowBeside();
        RunSearch(QStringLiteral("우동"), false);
        QTest::keyClick(Form5->keyword, Qt::Key_Escape);
        QVERIFY(Form5->isVisible());
        Form5->close();
        QVERIFY(!Form5->isVisible());
        QCOMPARE(Form2->zip->text(), QStringLiteral("그대로"));
    }

    void searchFailureLeavesTheGrid()
    {
        Form5->ShowBeside();
        RunSearch(QStringLiteral("역삼"), false);
        const Rows before = Listed();
        QTemporaryDir empty;
        SetExeFolder(empty.path());
        RunSearch(QStringLiteral("우동"), false);
        QCOMPARE(ErrorTexts().size(), 1);
        QVERIFY(ErrorTexts()[0].contains(QStringLiteral("zipcode")));
        QCOMPARE(Listed(), before);
    }

    void compositionCommittedBeforeSearch_data()
    {
        QTest::addColumn<bool>("byEnter");
        QTest::newRow("button") << false;
        QTest::newRow("Enter") << true;
    }

    void compositionCommittedBeforeSearch()
    {
        QFETCH(bool, byEnter);
        Form5->ShowBeside();
        Form5->keyword->setFocus();
        Commit(Form5->keyword, QStringLiteral("역"));
        Compose(Form5->keyword, QStringLiteral("삼"));
        if (byEnter)
            QTest::keyClick(Form5->keyword, Qt::Key_Return);
        else
            QTest::mouseClick(Form5->Button3, Qt::LeftButton);
        QCOMPARE(Form5->keyword->text(), QStringLiteral("역삼"));
        QCOMPARE(Form5->model->RowCount(), 4);
    }

    void currentRowPaintedWithoutOtherHighlight()
    {
        Form5->ShowBeside();
        RunSearch(QStringLiteral("역삼"), false);
        QTest::mouseDClick(Form5->grid->viewport(), Qt::LeftButton, {},
                           Form5->grid->visualRect(Form5->model->index(1, 3)).center());
        QVERIFY(!Form5->grid->findChild<QLineEdit*>());  // no cell editor
        ClickRow(2);
        // A range dragged across row 3 makes it current and shows no highlight of its own.
        const auto centre = [](int row, int column) {
            return Form5->grid->visualRect(Form5->model->index(row - 1, column)).center();
        };
        QTest::mousePress(Form5->grid->viewport(), Qt::LeftButton, {}, centre(3, 0));
        QTest::mouseMove(Form5->grid->viewport(), centre(3, 3));
        QTest::mouseRelease(Form5->grid->viewport(), Qt::LeftButton, {}, centre(3, 3));
        QCOMPARE(Form5->grid->CurrentRow(), 3);
        QVERIFY(Form5->grid->selectionModel()->selectedIndexes().size() >= 1);
        const QImage shot = Form5->grid->viewport()->grab().toImage();
        auto pixel = [&](int row, int column) {
            const QRect r = Form5->grid->visualRect(Form5->model->index(row - 1, column));
            return QColor(shot.pixel(r.right() - 2, r.top() + 3));
        };
        const QColor yellow(238, 240, 149);
        const QColor base = Form5->grid->palette().color(QPalette::Base);
        for (int c = 0; c < 4; ++c)
            QCOMPARE(pixel(3, c), yellow);
        QCOMPARE(pixel(1, 3), base);
        QCOMPARE(pixel(2, 1), base);
    }

    // Beside the modal dialog the window takes input; the main window does not. Left open, it
    // stays usable after the dialog closes, and a later modal showing blocks it.
    void standsBesideTheModalDialog()
    {
        Form1->show();
        bool searchTakesInput = false, mainTakesInput = true;
        QVERIFY(WhileShown([] { Form2->OpenForNew(); }, [&] {
            QTest::mouseClick(Form2->Button4, Qt::LeftButton);
            QVERIFY(QTest::qWaitForWindowExposed(Form5));
            searchTakesInput = ClickThroughWindow(Form5->Button3);
            mainTakesInput = ClickThroughWindow(Form1->Button1);
        }));
        QVERIFY(searchTakesInput);
        QVERIFY(!mainTakesInput);
        QVERIFY(Form5->isVisible());
        QVERIFY(ClickThroughWindow(Form5->Button3));
        QVERIFY(ClickThroughWindow(Form1->Button1));

        bool blocked = false, usableAfterPress = false;
        QVERIFY(WhileShown([] { Form2->OpenForNew(); }, [&] {
            blocked = !ClickThroughWindow(Form5->Button3);
            // Pressing "우편번호검색" now brings it to the front and it takes input again.
            QTest::mouseClick(Form2->Button4, Qt::LeftButton);
            usableAfterPress = ClickThroughWindow(Form5->Button3);
        }));
        QVERIFY(blocked);
        QVERIFY(usableAfterPress);
        Form1->hide();
    }

    void confirmAfterTheDialogClosed()
    {
        QVERIFY(WhileShown([] { Form2->OpenForNew(); },
                           [] { QTest::mouseClick(Form2->Button4, Qt::LeftButton); }));
        QVERIFY(Form5->isVisible());
        RunSearch(QStringLiteral("우동"), false);
        QTest::mouseClick(Form5->Button1, Qt::LeftButton);
        // The hidden dialog's fields are written; moving the focus into it fails.
        QCOMPARE(Form2->zip->text(), QStringLiteral("612-020"));
        QCOMPARE(Form2->add1->text(), QStringLiteral("부산광역시 해운대구 우동 상리  1~100"));
        QCOMPARE(ErrorTexts().size(), 1);
        QVERIFY(!ErrorTexts()[0].isEmpty());
        QVERIFY(Form5->isVisible());
        // The next opening replaces them.
        QStringList fields;
        QVERIFY(WhileShown([] { Form2->OpenForNew(); },
                           [&] { fields = {Form2->zip->text(), Form2->add1->text()}; }));
        QCOMPARE(fields, QStringList(2, QString()));
    }
};

QTEST_MAIN(TestSearchWindow)
#include "test_zipcode.moc"
