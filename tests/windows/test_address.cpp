// The main window: its layout and grid settings, the show sequence and its errors, the three
// refresh modes, the empty book and the empty result, the current row, the category box, the
// keyword box, and closing.
#include "address.h"
#include "forms.h"
#include "start.h"
#include "store/paths.h"
#include "testsupport.h"
#include "ui/address_list_model.h"
#include "ui/controls.h"
#include "ui/messages.h"
#include "ui/string_grid.h"
#include "boxes.h"
#include "ending.h"

#include <QComboBox>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QtTest>

using testsupport::Box;

namespace {

// unit, name, tel, cell, zip, address1, address2; nums 1 to 8 in this order.
const std::vector<QStringList> kRows = {
    {"가족", "김철수", "02-111-1111", "010-1111-1111", "100-101", "서울특별시 종로구 청운동", "1번지"},
    {"친구", "이영희", "031-222-2222", "010-2222-2222", "200-202", "경기도 수원시 팔달구", "행궁동 2층"},
    {"가족", "박민수", "02-333-3333", "010-3333-3333", "300-303", "부산광역시 해운대구 우동", QString()},
    {"회사", "최지훈", "02-444-4444", "010-4444-4444", "400-404", "대전광역시 유성구 궁동", "4호"},
    {"가", "정수진", "02-555-5555", "010-5555-5555", "500-505", "광주광역시 북구", "5"},
    {"친구", "강민호", "051-666-6666", "010-6666-6666", "600-606", "부산광역시 수영구 광안동", "6"},
    {"회사", "조은비", "02-777-7777", "010-7777-7777", "700-707", "인천광역시 남동구 구월동", "7"},
    {"가족", "윤서연", "02-888-8888", "010-8888-8888", "800-808", "제주특별자치도 제주시 연동", "8"},
};

AddressListModel* Model() { return Form1->model; }

QStringList Names()
{
    QStringList names;
    const LabelSource& list = Form1->List();
    for (int r = 1; r < list.RowCount(); ++r)
        names << list.Cell(2, r);
    return names;
}

void SendText(QWidget* w, const QString& text)
{
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(w, &release);
    }
}

void SendKey(QWidget* w, Qt::Key key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

// The user picks an item from the drop-down list.
void Pick(QComboBox* box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
}

// The user empties the category box and types text into it, one character at a time;
// names after each character.
QList<QStringList> TypeCategory(const QString& text)
{
    QLineEdit* edit = Form1->cb->lineEdit();
    edit->selectAll();
    SendKey(edit, Qt::Key_Delete);
    QList<QStringList> after;
    for (QChar c : text) {
        SendText(edit, QString(c));
        after << Names();
    }
    return after;
}

}  // namespace

class TestAddress : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QList<Box> boxes_;

    QString BookPath() const { return dir_.filePath(QStringLiteral("address.db")); }
    void UseFolder(const QString& sub)
    {
        const QString folder = dir_.filePath(sub);
        QDir().mkpath(folder);
        SetExeFolder(folder);
        SetDatabasePath(ExeFolder() + QStringLiteral("address.db"));
    }
    void Reshow()
    {
        Form1->hide();
        boxes_.clear();
        Form1->show();
    }
    QString Book() const { return DatabasePath(); }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        CreateForms();
        Form3->Timer1->stop();
        testsupport::SetResponder([this](const Box& b) {
            boxes_ << b;
            return false;
        });
    }
    void cleanupTestCase()
    {
        testsupport::SetResponder(nullptr);
        SetExeFolder(QString());
    }
    void init() { boxes_.clear(); }

    // The grid before any refresh: two rows, no texts, the creation widths, cell selection.
    void gridAtCreation()
    {
        QTableView* g = Form1->grid;
        QCOMPARE(Form1->List().RowCount(), 2);
        for (int c = 0; c <= 8; ++c) {
            QVERIFY(Form1->List().Cell(c, 0).isEmpty());
            QVERIFY(Form1->List().Cell(c, 1).isEmpty());
        }
        QVERIFY(!Model()->index(0, 7).data(Qt::CheckStateRole).isValid());
        const int widths[] = {37, 40, 40, 40, 524, 8};
        for (int c = 0; c < 6; ++c)
            QCOMPARE(g->columnWidth(c), widths[c]);
        QCOMPARE(g->columnWidth(7), 40);
        QCOMPARE(g->horizontalHeader()->sectionResizeMode(6), QHeaderView::Stretch);
        QVERIFY(g->isColumnHidden(8));
        QCOMPARE(Model()->columnCount(), 9);
        QCOMPARE(g->rowHeight(0), 25);
        QCOMPARE(g->horizontalHeader()->height(), 25);
        QVERIFY(g->horizontalHeader()->font().bold());
        QCOMPARE(g->selectionBehavior(), QAbstractItemView::SelectItems);
        QCOMPARE(g->editTriggers(), QAbstractItemView::NoEditTriggers);
        QVERIFY(!g->isSortingEnabled());
        QCOMPARE(g->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QVERIFY(g->showGrid());
        QCOMPARE(Form1->grid->CurrentRow(), 1);
        QVERIFY(Form1->SelectedNum().isEmpty());
        QCOMPARE(Form1->cb->count(), 0);
        QCOMPARE(Form1->cb2->count(), 4);
        QCOMPARE(Form1->cb2->currentText(), QStringLiteral("이름"));
        QVERIFY(Form1->cb->isEditable());
        QVERIFY(!Form1->cb2->isEditable());
        QVERIFY(Form1->stbarPanel1->text().isEmpty());
        QVERIFY(Form1->windowState() & Qt::WindowMaximized);
        QCOMPARE(Form1->windowTitle(), QStringLiteral("주소록"));
    }

    // The empty book: header stays blank, one blank row, no status, "전체" alone and not
    // selected; a search then passes the empty text of the box as the category.
    void emptyBookAtStart()
    {
        UseFolder("empty");
        testsupport::MakeBook(Book());
        Reshow();
        QVERIFY(boxes_.isEmpty());
        QCOMPARE(Form1->List().RowCount(), 2);
        QVERIFY(Form1->List().Cell(2, 0).isEmpty());
        QVERIFY(Form1->stbarPanel1->text().isEmpty());
        QCOMPARE(Form1->cb->count(), 1);
        QCOMPARE(Form1->cb->itemText(0), QStringLiteral("전체"));
        QCOMPARE(Form1->cb->currentIndex(), -1);
        QVERIFY(Form1->cb->currentText().isEmpty());
        QCOMPARE(Form1->grid->selectionBehavior(), QAbstractItemView::SelectItems);

        testsupport::Exec(Book(), "INSERT INTO ADDRESS_LIST(unit,name) VALUES ('', 'no unit'), ('x', 'with unit')");
        QTest::mouseClick(Form1->Button1, Qt::LeftButton);
        QCOMPARE(Names(), QStringList{"no unit"});
    }

    // The layout at the design size: bands and search bar.
    void layout()
    {
        Form1->setWindowState(Qt::WindowNoState);
        QTRY_COMPARE(Form1->size(), QSize(786, 580));
        // Not smaller, and a larger size (a dragged border) goes back to the design size.
        QCOMPARE(Form1->minimumSize(), QSize(786, 580));
        Form1->resize(900, 700);
        QTRY_COMPARE(Form1->size(), QSize(786, 580));
        QCOMPARE(Form1->Panel4->geometry(), QRect(0, 0, 786, 65));
        QCOMPARE(Form1->Panel1->geometry(), QRect(0, 65, 786, 67));
        QCOMPARE(Form1->Panel2->geometry(), QRect(0, 132, 786, 69));
        QCOMPARE(Form1->Panel3->geometry(), QRect(0, 201, 786, 353));
        QCOMPARE(Form1->stbar->geometry(), QRect(0, 554, 786, 26));
        QCOMPARE(Form1->grid->geometry(), QRect(1, 1, 784, 351));
        QCOMPARE(Form1->Image1->geometry(), QRect(0, 0, 786, 67));
        QCOMPARE(Form1->Image15->geometry(), QRect(1, 0, 350, 70));
        const QList<std::pair<TImage*, int>> pictures = {
            {Form1->Image2, 8},   {Form1->Image9, 110}, {Form1->Image4, 130},  {Form1->Image10, 232},
            {Form1->Image5, 252}, {Form1->Image12, 354}, {Form1->Image6, 374}, {Form1->Image13, 476},
            {Form1->Image7, 501}, {Form1->Image11, 598}, {Form1->Image8, 700}};
        for (const auto& [image, left] : pictures)
            QCOMPARE(image->pos(), QPoint(left, 0));
        QCOMPARE(Form1->Image2->size(), QSize(101, 61));
        QCOMPARE(Form1->Image9->size(), QSize(19, 67));
        // The separator lies over the backup picture where they meet.
        QCOMPARE(Form1->Panel1->childAt(599, 30), static_cast<QWidget*>(Form1->Image11));
        QCOMPARE(Form1->Label1->pos(), QPoint(25, 0));
        QCOMPARE(Form1->Label2->pos(), QPoint(141, 0));
        QCOMPARE(Form1->Label3->pos(), QPoint(263, 0));
        QCOMPARE(Form1->cb->geometry(), QRect(25, 23, 110, 31));
        QCOMPARE(Form1->cb2->geometry(), QRect(141, 23, 116, 31));
        QCOMPARE(Form1->keyword->geometry(), QRect(263, 23, 242, 31));
        QCOMPARE(Form1->Button1->geometry(), QRect(516, 22, 94, 35));
        QCOMPARE(Form1->Button1->text(), QStringLiteral("검색"));
        QCOMPARE(Form1->stbarPanel0->width(), 50);
        Form1->setWindowState(Qt::WindowMaximized);
        QTRY_VERIFY(Form1->width() > 786 || Form1->maximumWidth() > 786);
    }

    void tabOrder()
    {
        QApplication::setActiveWindow(Form1);
        Form1->keyword->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Form1->keyword));
        const QList<QWidget*> expected = {Form1->Button1, Form1->cb2, Form1->cb->lineEdit(), Form1->grid};
        for (QWidget* next : expected) {
            SendKey(QApplication::focusWidget(), Qt::Key_Tab);
            QWidget* focus = QApplication::focusWidget();
            QVERIFY2(focus == next || focus->focusProxy() == next || next->focusProxy() == focus,
                     qPrintable(focus->metaObject()->className()));
        }
    }

    // The show sequence on a filled book: every row written, headers, widths, whole-row
    // selection, row 1 current, categories loaded without a refresh.
    void showSequence()
    {
        UseFolder("book");
        testsupport::MakeBook(Book(), kRows);
        Reshow();
        QVERIFY(boxes_.isEmpty());
        const LabelSource& list = Form1->List();
        QCOMPARE(list.RowCount(), 9);
        QCOMPARE(Form1->stbarPanel1->text(), QStringLiteral("8 건이 검색되었습니다.    "));
        const QStringList headers = {"번호", "   소속", "  이름", "전화번호", "핸드폰번호", "우편번호",
                                     "             주소", ""};
        for (int c = 0; c < 8; ++c) {
            QCOMPARE(list.Cell(c, 0), headers[c]);
            QCOMPARE(Model()->headerData(c, Qt::Horizontal).toString(), headers[c]);
        }
        for (int r = 1; r <= 8; ++r) {
            const QStringList& e = kRows[size_t(r - 1)];
            QCOMPARE(list.Cell(0, r), QString::number(r));
            QCOMPARE(list.Cell(1, r), e[0]);
            QCOMPARE(list.Cell(2, r), e[1]);
            QCOMPARE(list.Cell(5, r), e[4]);
            QCOMPARE(list.Cell(6, r), e[5] + " " + e[6]);
            QCOMPARE(list.Cell(8, r), QString::number(r));
            QCOMPARE(Model()->index(r - 1, 7).data(Qt::CheckStateRole).toInt(), int(Qt::Unchecked));
        }
        QCOMPARE(list.Cell(6, 3), QStringLiteral("부산광역시 해운대구 우동 "));
        const int widths[] = {37, 100, 100, 90, 90, 90};
        for (int c = 0; c < 6; ++c)
            QCOMPARE(Form1->grid->columnWidth(c), widths[c]);
        QCOMPARE(Form1->grid->columnWidth(7), 40);
        QCOMPARE(Form1->grid->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(Form1->grid->CurrentRow(), 1);
        QCOMPARE(Form1->SelectedNum(), QStringLiteral("1"));
        QCOMPARE(Form1->cb->count(), 5);
        QCOMPARE(Form1->cb->itemText(0), QStringLiteral("전체"));
        QCOMPARE(Form1->cb->currentIndex(), 0);
        QCOMPARE(Form1->cb->currentText(), QStringLiteral("전체"));
        // Nothing edits a cell in place.
        QTest::mouseDClick(Form1->grid->viewport(), Qt::LeftButton, {},
                           Form1->grid->visualRect(Model()->index(1, 2)).center());
        QVERIFY(!Form1->grid->findChild<QLineEdit*>());
    }

    // The current row is pale yellow with the ordinary text colour; other rows are not.
    void currentRowColour()
    {
        Form1->grid->SetCurrentRow(2);
        QTableView* g = Form1->grid;
        const QImage shot = g->viewport()->grab().toImage();
        const QRect current = g->visualRect(Model()->index(1, 0));
        const QRect other = g->visualRect(Model()->index(3, 0));
        QCOMPARE(QColor(shot.pixel(current.right() - 2, current.top() + 3)), QColor(238, 240, 149));
        QVERIFY(QColor(shot.pixel(other.right() - 2, other.top() + 3)) != QColor(238, 240, 149));
    }

    void categoryFilter_data()
    {
        QTest::addColumn<int>("pick");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("가족 picked") << 2 << QStringList{"김철수", "박민수", "윤서연"};
        QTest::newRow("전체 picked") << 0 << QStringList{"김철수", "이영희", "박민수", "최지훈", "정수진",
                                                       "강민호", "조은비", "윤서연"};
    }
    void categoryFilter()
    {
        QFETCH(int, pick);
        QFETCH(QStringList, names);
        Pick(Form1->cb, pick);
        QCOMPARE(Names(), names);
        QCOMPARE(Form1->cb->currentIndex(), pick);
    }

    // Typing refreshes after every character with the text typed so far; a text that is no
    // category leaves one blank row and the previous count in the status bar.
    void categoryTyped()
    {
        Pick(Form1->cb, 0);
        const QList<QStringList> after = TypeCategory(QStringLiteral("가족"));
        QCOMPARE(after.size(), 2);
        QCOMPARE(after[0], QStringList{"정수진"});
        QCOMPARE(after[1], (QStringList{"김철수", "박민수", "윤서연"}));
        QCOMPARE(Form1->stbarPanel1->text(), QStringLiteral("3 건이 검색되었습니다.    "));
        // The typed text, not the item picked before, is what a search filters by.
        Form1->keyword->setText(QString());
        QTest::mouseClick(Form1->Button1, Qt::LeftButton);
        QCOMPARE(Names(), (QStringList{"김철수", "박민수", "윤서연"}));

        // A syllable committed by the input method counts as typed too.
        QInputMethodEvent commit(QString(), {});
        commit.setCommitString(QStringLiteral("x"));
        QApplication::sendEvent(Form1->cb->lineEdit(), &commit);
        QCOMPARE(Form1->cb->currentText(), QStringLiteral("가족x"));
        QCOMPARE(Form1->List().RowCount(), 2);
        QVERIFY(Form1->List().Cell(2, 1).isEmpty());
        QCOMPARE(Form1->stbarPanel1->text(), QStringLiteral("3 건이 검색되었습니다.    "));

        // The program's own filling is no change by the user.
        testsupport::Exec(Book(), "INSERT INTO ADDRESS_LIST(unit,name) VALUES ('학교','새사람')");
        Form1->LoadCategories();
        QCOMPARE(Form1->List().RowCount(), 2);
        QCOMPARE(Form1->cb->count(), 6);
        QCOMPARE(Form1->cb->currentText(), QStringLiteral("전체"));
        testsupport::Exec(Book(), "DELETE FROM ADDRESS_LIST WHERE name='새사람'");
        Form1->LoadCategories();
    }

    // A typed text that equals an item stays typed: no item gets selected by leaving the box
    // or by Enter, and a search passes it as the category.
    void typedTextSelectsNoItem()
    {
        Pick(Form1->cb, 0);
        TypeCategory(QStringLiteral("친구"));
        SendKey(Form1->cb->lineEdit(), Qt::Key_Return);
        Form1->keyword->setFocus();
        emit Form1->cb->lineEdit()->editingFinished();
        QCOMPARE(Form1->cb->currentIndex(), 0);  // still the item picked before
        QCOMPARE(Form1->cb->currentText(), QStringLiteral("친구"));
        Form1->keyword->setText(QString());
        QTest::mouseClick(Form1->Button1, Qt::LeftButton);
        QCOMPARE(Names(), (QStringList{"이영희", "강민호"}));
    }

    void search_data()
    {
        QTest::addColumn<QString>("category");  // "#n" picks item n, anything else is typed
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QStringList>("names");
        const QStringList all = {"김철수", "이영희", "박민수", "최지훈", "정수진", "강민호", "조은비", "윤서연"};
        QTest::newRow("전체, empty keyword") << "#0" << 0 << "" << all;
        QTest::newRow("전체, name") << "#0" << 0 << "민" << QStringList{"박민수", "강민호"};
        QTest::newRow("가족 picked, name") << "#2" << 0 << "수" << QStringList{"김철수", "박민수"};
        QTest::newRow("typed 친구, telephone") << "친구" << 1 << "031" << QStringList{"이영희"};
        QTest::newRow("mobile") << "#0" << 2 << "010-3333" << QStringList{"박민수"};
        QTest::newRow("address1") << "#0" << 3 << "수원" << QStringList{"이영희"};
        QTest::newRow("address2 is not searched") << "#0" << 3 << "행궁" << QStringList{""};
        QTest::newRow("empty typed category") << "" << 0 << "" << QStringList{""};
    }
    void search()
    {
        QFETCH(QString, category);
        QFETCH(int, kind);
        QFETCH(QString, keyword);
        QFETCH(QStringList, names);
        Pick(Form1->cb, 0);
        if (category.startsWith('#'))
            Pick(Form1->cb, category.mid(1).toInt());
        else
            TypeCategory(category.isEmpty() ? QStringLiteral("x") : category);
        if (category.isEmpty()) {
            SendKey(Form1->cb->lineEdit(), Qt::Key_Backspace);
            QCOMPARE(Form1->cb->currentText(), QString());
        }
        Form1->cb2->setCurrentIndex(kind);
        Form1->keyword->setText(keyword);
        QTest::mouseClick(Form1->Button1, Qt::LeftButton);
        QCOMPARE(Names(), names);
        QVERIFY(boxes_.isEmpty());
    }

    // An empty result after one with rows: header, widths and status kept, one blank row.
    void emptyResult()
    {
        Pick(Form1->cb, 0);
        Form1->cb2->setCurrentIndex(0);
        Form1->keyword->setText(QStringLiteral("민"));
        QTest::mouseClick(Form1->Button1, Qt::LeftButton);
        QCOMPARE(Form1->stbarPanel1->text(), QStringLiteral("2 건이 검색되었습니다.    "));
        Form1->keyword->setText(QStringLiteral("nobody"));
        QTest::mouseClick(Form1->Button1, Qt::LeftButton);
        QCOMPARE(Form1->List().RowCount(), 2);
        for (int c = 0; c <= 8; ++c)
            QVERIFY(Form1->List().Cell(c, 1).isEmpty());
        QVERIFY(!Model()->index(0, 7).data(Qt::CheckStateRole).isValid());
        QCOMPARE(Form1->List().Cell(2, 0), QStringLiteral("  이름"));
        QCOMPARE(Form1->grid->columnWidth(1), 100);
        QCOMPARE(Form1->stbarPanel1->text(), QStringLiteral("2 건이 검색되었습니다.    "));
        QVERIFY(Form1->SelectedNum().isEmpty());
        QCOMPARE(Form1->grid->CurrentRow(), 1);
    }

    // Row 7 current, then a result of 3: row 3 becomes current and names the third entry.
    void currentRowAfterShorterResult()
    {
        Form1->keyword->setText(QString());
        Form1->RefreshList(All);
        QTest::mouseClick(Form1->grid->viewport(), Qt::LeftButton, {},
                          Form1->grid->visualRect(Model()->index(6, 2)).center());
        QCOMPARE(Form1->grid->CurrentRow(), 7);
        QCOMPARE(Form1->SelectedNum(), QStringLiteral("7"));
        Pick(Form1->cb, 2);  // 가족: 김철수, 박민수, 윤서연
        QCOMPARE(Form1->grid->CurrentRow(), 3);
        QCOMPARE(Form1->SelectedNum(), QStringLiteral("8"));
        Pick(Form1->cb, 0);
        QCOMPARE(Form1->grid->CurrentRow(), 3);
        QCOMPARE(Form1->SelectedNum(), QStringLiteral("3"));
    }

    // An error of the store: shown, and grid, status bar and current row stay as they were.
    void storeErrorChangesNothing()
    {
        Pick(Form1->cb, 0);
        Form1->grid->SetCurrentRow(5);
        const QString status = Form1->stbarPanel1->text();
        const QString book = DatabasePath();
        SetDatabasePath(dir_.path());  // a folder: the store cannot open it
        boxes_.clear();
        QTest::mouseClick(Form1->Button1, Qt::LeftButton);
        Pick(Form1->cb, 2);
        SetDatabasePath(book);
        QCOMPARE(boxes_.size(), 2);
        QCOMPARE(boxes_[0].kind, Box::Error);
        QCOMPARE(boxes_[0].caption, QStringLiteral("test_address"));
        QCOMPARE(Form1->List().RowCount(), 9);
        QCOMPARE(Form1->stbarPanel1->text(), status);
        QCOMPARE(Form1->grid->CurrentRow(), 5);
        QCOMPARE(Form1->SelectedNum(), QStringLiteral("5"));
    }

    // Enter in the keyword box starts no search; only the button does.
    void enterStartsNoSearch()
    {
        Pick(Form1->cb, 0);
        Form1->keyword->setText(QStringLiteral("민"));
        SendKey(Form1->keyword, Qt::Key_Return);
        SendKey(Form1->keyword, Qt::Key_Enter);
        QCOMPARE(Form1->List().RowCount(), 9);
        QTest::mouseClick(Form1->Button1, Qt::LeftButton);
        QCOMPARE(Form1->List().RowCount(), 3);
    }

    // A syllable still in composition when "검색" is pressed is part of the keyword.
    void searchCommitsComposition()
    {
        Pick(Form1->cb, 0);
        Form1->keyword->setText(QString());
        Form1->keyword->setFocus();
        QInputMethodEvent composing(QStringLiteral("민"), {});
        QApplication::sendEvent(Form1->keyword, &composing);
        QVERIFY(Form1->keyword->text().isEmpty());
        QTest::mouseClick(Form1->Button1, Qt::LeftButton);
        QCOMPARE(Form1->keyword->text(), QStringLiteral("민"));
        QCOMPARE(Names(), (QStringList{"박민수", "강민호"}));
    }

    void keywordClickSelectsAll()
    {
        Form1->keyword->setText(QStringLiteral("부산 해운대"));
        Form1->keyword->deselect();
        QTest::mouseClick(Form1->keyword, Qt::LeftButton, {}, QPoint(5, 10));
        QCOMPARE(Form1->keyword->selectedText(), QStringLiteral("부산 해운대"));
    }

    // The book gone when the window is shown: the plain message, then the store's error,
    // which ends the sequence before the categories; the window is shown all the same.
    void showWithoutBook()
    {
        UseFolder("gone");  // the splash found the book, which then went away
        Form1->cb->setEditText(QStringLiteral("kept"));
        const int items = Form1->cb->count();
        Reshow();
        QCOMPARE(boxes_.size(), 2);
        QCOMPARE(boxes_[0].kind, Box::Plain);
        QCOMPARE(boxes_[0].text, QStringLiteral("DB 연결 실패."));
        QCOMPARE(boxes_[0].caption, QStringLiteral("test_address"));
        QCOMPARE(boxes_[1].kind, Box::Error);
        QVERIFY(boxes_[1].text.startsWith(QStringLiteral("Failed to open database")));
        QVERIFY(!QFileInfo::exists(ExeFolder() + QStringLiteral("address.db")));  // not created
        QVERIFY(Form1->isVisible());
        QCOMPARE(Form1->cb->count(), items);
        QCOMPARE(Form1->cb->currentText(), QStringLiteral("kept"));
    }

    // Closing the main window closes the splash window, which ends the program.
    void closeEndsTheProgram()
    {
        QVERIFY(!Form3->isVisible());
        QVERIFY(testsupport::EndsTheProgram([] { Form1->close(); }));
        QVERIFY(!Form1->isVisible());
    }
};

QTEST_MAIN(TestAddress)
#include "test_address.moc"
