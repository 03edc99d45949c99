// The entry dialog: openings, the category list, saves and their failures, the address lookup,
// keys, placement and Hangul composition.
#include "add.h"
#include "address.h"
#include "forms.h"
#include "start.h"
#include "store/address_store.h"
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
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>
#include <functional>

using testsupport::Exec;
using testsupport::MakeBook;

namespace {

// Every stored row as num, unit, name, tel, cell, zip, address1, address2 (NULL as "<null>").
QList<QStringList> StoredRows(const QString& path)
{
    QList<QStringList> rows;
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT num,unit,name,tel,cell,zip,address1,address2 FROM ADDRESS_LIST"
                       " ORDER BY num",
                       -1, &st, nullptr);
    while (st && sqlite3_step(st) == SQLITE_ROW) {
        QStringList row;
        for (int c = 0; c < 8; ++c) {
            const auto* text = sqlite3_column_text(st, c);
            row << (text ? QString::fromUtf8(reinterpret_cast<const char*>(text)) : QStringLiteral("<null>"));
        }
        rows << row;
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

// Hangul cannot go through QTest::keyClicks: it arrives as the input method's commit.
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

QStringList Items(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

QStringList Fields()
{
    return {Form2->units->currentText(), Form2->names->text(), Form2->tel->text(),
            Form2->cell->text(),          Form2->zip->text(),   Form2->add1->text(),
            Form2->add2->text()};
}

void SetFields(const QStringList& values)
{
    Form2->units->setEditText(values[0]);
    QLineEdit* edits[] = {Form2->names, Form2->tel, Form2->cell, Form2->zip, Form2->add1, Form2->add2};
    for (int i = 0; i < 6; ++i)
        edits[i]->setText(values[i + 1]);
}

QStringList ListedNames()
{
    QStringList names;
    const LabelSource& list = Form1->List();
    for (int r = 1; r < list.RowCount(); ++r)
        names << list.Cell(2, r);
    return names;
}

}  // namespace

class TestEntryDialog : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString book_;
    QList<testsupport::Box> boxes_;
    std::function<void(const testsupport::Box&)> onBox_;

    // Replaces the address book and has the main window list it, row 1 current.
    void UseBook(const std::vector<QStringList>& rows, const char* schema = nullptr)
    {
        QFile::remove(book_);
        if (schema)
            Exec(book_, QString::fromUtf8(schema));
        else
            MakeBook(book_, rows);
        SetDatabasePath(book_);
        Form1->LoadCategories();
        Form1->RefreshList(All);
        Form1->grid->SetCurrentRow(1);
    }

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
        book_ = dir_.filePath(QStringLiteral("address.db"));
        Exec(dir_.filePath(QStringLiteral("zipcode.db")),
             QStringLiteral(
                 "CREATE TABLE zipcode (zipcode TEXT, sido TEXT, gugun TEXT, dong TEXT, ri TEXT,"
                 " bldg TEXT, bunji TEXT);"
                 "INSERT INTO zipcode VALUES ('110-041','서울특별시','종로구','청운동','','','1~50');"
                 "INSERT INTO zipcode VALUES ('110-042','서울특별시','종로구','신교동','','','');"
                 "INSERT INTO zipcode VALUES ('135-080','서울특별시','강남구','역삼1동','','','600~700');"
                 "INSERT INTO zipcode VALUES ('135-080','서울특별시','강남구','역삼2동','','역삼빌딩','1~99');"
                 "INSERT INTO zipcode VALUES ('135-080','서울특별시','강남구','역삼3동','','','');"));
        InstallFontSubstitutions();
        CreateForms();
        // The splash window's hand-over is not part of these tests.
        for (QTimer* t : Form3->findChildren<QTimer*>())
            t->stop();
        testsupport::SetResponder([this](const testsupport::Box& box) {
            boxes_ << box;
            if (onBox_)
                onBox_(box);
            return true;
        });
        UseBook({});
    }

    void init()
    {
        boxes_.clear();
        onBox_ = nullptr;
        SetExeFolder(dir_.path());
    }

    void cleanupTestCase()
    {
        testsupport::SetResponder(nullptr);
        DestroyForms();
    }

    // Runs first: the first showing is the one that is placed.
    void firstShowingCentredOverSplashThenKeepsItsPlace()
    {
        const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
        const QPoint expected = CentredOver(Form3->frameGeometry(), QSize(385, 444), desktop);
        QPoint first, second;
        QVERIFY(WhileShown([] { Form2->OpenForNew(); }, [&] {
            first = Form2->pos();
            QCOMPARE(Form2->size(), QSize(385, 444));
            QCOMPARE(Form2->windowTitle(), QStringLiteral("신규 등록"));
            QCOMPARE(Form2->Label2->text(), QStringLiteral("신규 등록"));
            QVERIFY(Form2->windowFlags() & Qt::WindowStaysOnTopHint);
            Form2->move(30, 40);
        }));
        QCOMPARE(first, expected);
        QVERIFY(WhileShown([] { Form2->OpenForNew(); }, [&] { second = Form2->pos(); }));
        QCOMPARE(second, QPoint(30, 40));
    }

    void centredOver_data()
    {
        QTest::addColumn<QRect>("over");
        QTest::addColumn<QPoint>("expected");
        QTest::newRow("centred") << QRect(440, 361, 400, 301) << QPoint(447, 290);
        QTest::newRow("left of the desktop") << QRect(-300, 361, 400, 301) << QPoint(0, 290);
        QTest::newRow("above the desktop") << QRect(440, 20, 400, 301) << QPoint(447, 0);
    }

    void centredOver()
    {
        QFETCH(QRect, over);
        QFETCH(QPoint, expected);
        QCOMPARE(CentredOver(over, QSize(385, 444), QRect(0, 0, 1280, 1024)), expected);
    }

    void newEntryAfterEditShowsEmptyFieldsAndFreshCategories()
    {
        UseBook({{"친구", "홍길동", "02-123-4567", "010-1111-2222", "110-041", "서울특별시 종로구",
                  "3층"}});
        QStringList shown;
        QVERIFY(WhileShown([] { Form2->OpenForEdit(); }, [&] { shown = Fields(); }));
        QCOMPARE(shown.size(), 7);
        QCOMPARE(shown[1], QStringLiteral("홍길동"));

        // A category that appeared since the last showing is offered at the next one.
        Exec(book_, QStringLiteral("INSERT INTO ADDRESS_LIST(unit,name) VALUES ('가족','김철수')"));
        QStringList items, fields;
        QWidget* focus = nullptr;
        QVERIFY(WhileShown([] { Form2->OpenForNew(); }, [&] {
            items = Items(Form2->units);
            fields = Fields();
            focus = Form2->focusWidget();
        }));
        QCOMPARE(Form2->EntryMode, 0);
        QCOMPARE(Form2->windowTitle(), QStringLiteral("신규 등록"));
        QCOMPARE(Form2->Label2->text(), QStringLiteral("신규 등록"));
        QCOMPARE(fields, QStringList(7, QString()));
        QCOMPARE(items, AddressStore::ListCategories());
        QVERIFY(items.contains(QStringLiteral("가족")));
        QCOMPARE(focus, static_cast<QWidget*>(Form2->units));
    }

    void editShowsStoredValuesAndWritesThemBackUnchanged()
    {
        UseBook({{"거래처", "  박 영희 ", "031-555-0000", "", "135-080",
                  "서울특별시 강남구 역삼1동   600~700", "  뒤 공백 "},
                 {"친구", "이몽룡", "", "", "", "", ""}});
        const QList<QStringList> before = StoredRows(book_);
        QStringList shown;
        QString title, label;
        bool closed = false;
        QVERIFY(WhileShown([] { Form2->OpenForEdit(); }, [&] {
            shown = Fields();
            title = Form2->windowTitle();
            label = Form2->Label2->text();
            QTest::mouseClick(Form2->Button1, Qt::LeftButton);
            closed = !Form2->isVisible();
        }));
        QCOMPARE(title, QStringLiteral("정보 수정"));
        QCOMPARE(label, QStringLiteral("정보 수정"));
        QCOMPARE(Form2->EntryMode, 1);
        QCOMPARE(shown, before[0].mid(1));
        QVERIFY(closed);
        QCOMPARE(StoredRows(book_), before);
        QVERIFY(boxes_.isEmpty());
    }

    void nameCheck_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("saved");
        QTest::newRow("empty name refused") << QString() << false;
        QTest::newRow("blank name saved") << QStringLiteral("   ") << true;
    }

    void nameCheck()
    {
        QFETCH(QString, name);
        QFETCH(bool, saved);
        UseBook({{"친구", "이몽룡", "", "", "", "", ""}});
        bool open = false;
        QWidget* focus = nullptr;
        QVERIFY(WhileShown([] { Form2->OpenForNew(); }, [&] {
            Form2->tel->setText(QStringLiteral("02-000-0000"));
            Form2->names->setText(name);
            Form2->tel->setFocus();
            QTest::mouseClick(Form2->Button1, Qt::LeftButton);
            open = Form2->isVisible();
            focus = Form2->focusWidget();
        }));
        const QList<QStringList> rows = StoredRows(book_);
        if (saved) {
            QVERIFY(!open);
            QVERIFY(boxes_.isEmpty());
            QCOMPARE(rows.size(), 2);
            QCOMPARE(rows[1][2], name);
            QCOMPARE(ListedNames(), (QStringList{QStringLiteral("이몽룡"), name}));
        } else {
            QVERIFY(open);
            QCOMPARE(boxes_.size(), 1);
            QCOMPARE(boxes_[0].kind, testsupport::Box::Plain);
            QCOMPARE(boxes_[0].text, QStringLiteral("이름을 입력해주세요"));
            // It belongs to the dialog, which stays on top: it stacks above it and blocks.
            QCOMPARE(boxes_[0].owner.data(), static_cast<QWidget*>(Form2));
            QVERIFY(boxes_[0].blocksOthers);
            QCOMPARE(focus, static_cast<QWidget*>(Form2->names));
            QCOMPARE(rows.size(), 1);
        }
    }

    void addressLookup_data()
    {
        QTest::addColumn<QString>("zip");
        QTest::addColumn<QString>("add1");
        const QString before = QStringLiteral("이전 주소");
        QTest::newRow("empty postal code") << QString() << before;
        QTest::newRow("postal code not in the directory") << QStringLiteral("999-999") << before;
        QTest::newRow("one row") << QStringLiteral("110-041")
                                 << QStringLiteral("서울특별시 종로구 청운동   1~50");
        QTest::newRow("several rows, the last remains")
            << QStringLiteral("135-080") << QStringLiteral("서울특별시 강남구 역삼3동   ");
    }

    void addressLookup()
    {
        QFETCH(QString, zip);
        QFETCH(QString, add1);
        UseBook({});
        QString shown;
        QWidget* focus = nullptr;
        QVERIFY(WhileShown([] { Form2->OpenForNew(); }, [&] {
            Form2->add1->setText(QStringLiteral("이전 주소"));
            Form2->zip->setText(zip);
            QTest::mouseClick(Form2->Button3, Qt::LeftButton);
            shown = Form2->add1->text();
            focus = Form2->focusWidget();
        }));
        QCOMPARE(shown, add1);
        QCOMPARE(focus, static_cast<QWidget*>(Form2->add2));
        QVERIFY(boxes_.isEmpty());
    }

    void lookedUpAddressIsSavedWithItsBlanks()
    {
        UseBook({});
        QVERIFY(WhileShown([] { Form2->OpenForNew(); }, [&] {
            Commit(Form2->names, QStringLiteral("성춘향"));
            Form2->zip->setText(QStringLiteral("110-042"));
            QTest::mouseClick(Form2->Button3, Qt::LeftButton);
            QTest::mouseClick(Form2->Button1, Qt::LeftButton);
        }));
        const QList<QStringList> rows = StoredRows(book_);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0][5], QStringLiteral("110-042"));
        QCOMPARE(rows[0][6], QStringLiteral("서울특별시 종로구 신교동   "));
    }

    void addressLookupFailureLeavesFieldAndFocus()
    {
        UseBook({});
        QString shown;
        QWidget* focus = nullptr;
        QVERIFY(WhileShown([] { Form2->OpenForNew(); }, [&] {
            QTemporaryDir empty;
            SetExeFolder(empty.path());  // no zipcode.db there
            Form2->add1->setText(QStringLiteral("그대로"));
            Form2->zip->setText(QStringLiteral("110-041"));
            Form2->tel->setFocus();
            Form2->Button3->click();
            shown = Form2->add1->text();
            focus = Form2->focusWidget();
            SetExeFolder(dir_.path());
        }));
        QCOMPARE(shown, QStringLiteral("그대로"));
        QCOMPARE(focus, static_cast<QWidget*>(Form2->tel));
        QCOMPARE(ErrorTexts().size(), 1);
        QVERIFY(ErrorTexts()[0].contains(QStringLiteral("zipcode")));
    }

    void editOfDeletedEntryKeepsFieldsAndChangesNothing()
    {
        UseBook({{"친구", "이몽룡", "", "", "", "", ""}, {"가족", "성춘향", "", "", "", "", ""}});
        Exec(book_, QStringLiteral("DELETE FROM ADDRESS_LIST WHERE name='이몽룡'"));
        const QList<QStringList> before = StoredRows(book_);
        const QStringList previous = {QStringLiteral("예전"), QStringLiteral("남은 이름"), QString(),
                                      QString(), QString(), QString(), QStringLiteral("남은 주소")};
        SetFields(previous);
        QStringList shown;
        QVERIFY(WhileShown([] { Form2->OpenForEdit(); }, [&] {
            shown = Fields();
            QTest::mouseClick(Form2->Button1, Qt::LeftButton);
        }));
        QCOMPARE(shown, previous);
        QVERIFY(!Form2->isVisible());
        QCOMPARE(StoredRows(book_), before);
        // The list was refreshed all the same: the deleted entry is gone from it.
        QCOMPARE(ListedNames(), QStringList{QStringLiteral("성춘향")});
    }

    void failedSaveKeepsDialogOpenWithInput_data()
    {
        QTest::addColumn<bool>("edit");
        QTest::addColumn<QString>("trigger");
        QTest::newRow("insert") << false << QStringLiteral("BEFORE INSERT");
        QTest::newRow("update") << true << QStringLiteral("BEFORE UPDATE");
    }

    void failedSaveKeepsDialogOpenWithInput()
    {
        QFETCH(bool, edit);
        QFETCH(QString, trigger);
        UseBook({{"친구", "이몽룡", "", "", "", "", ""}});
        Exec(book_, QStringLiteral("CREATE TRIGGER refuse %1 ON ADDRESS_LIST BEGIN "
                                   "SELECT RAISE(ABORT, 'refused by test'); END")
                        .arg(trigger));
        const QStringList typed = {QStringLiteral("새분류"), QStringLiteral("변학도"),
                                   QStringLiteral("02-1"), QStringLiteral("010-2"),
                                   QStringLiteral("110-041"), QStringLiteral("주소 하나"),
                                   QStringLiteral("주소 둘")};
        bool openAfterFailure = false, closedAfterRetry = false;
        QStringList kept;
        int mode = -1;
        QVERIFY(WhileShown([edit] { edit ? Form2->OpenForEdit() : Form2->OpenForNew(); }, [&] {
            SetFields(typed);
            QTest::mouseClick(Form2->Button1, Qt::LeftButton);
            openAfterFailure = Form2->isVisible();
            kept = Fields();
            mode = Form2->EntryMode;
            Exec(book_, QStringLiteral("DROP TRIGGER refuse"));
            QTest::mouseClick(Form2->Button1, Qt::LeftButton);  // the same kind of save again
            closedAfterRetry = !Form2->isVisible();
        }));
        QVERIFY(openAfterFailure);
        QCOMPARE(kept, typed);
        QCOMPARE(mode, edit ? 1 : 0);
        QCOMPARE(ErrorTexts().size(), 1);
        QVERIFY(ErrorTexts()[0].contains(QStringLiteral("refused by test")));
        QVERIFY(closedAfterRetry);
        const QList<QStringList> rows = StoredRows(book_);
        QCOMPARE(rows.size(), edit ? 1 : 2);
        QCOMPARE(rows.back().mid(1), typed);
    }

    void failedRefreshAfterSaveStillCloses()
    {
        // Without its key column the book takes new entries, but no list can be read back.
        UseBook({}, "CREATE TABLE ADDRESS_LIST (unit TEXT, name TEXT, tel TEXT, cell TEXT, zip TEXT,"
                    " address1 TEXT, address2 TEXT)");
        bool shownAtError = false;
        onBox_ = [&](const testsupport::Box& box) {
            if (box.kind == testsupport::Box::Error)
                shownAtError = Form2->isVisible();
        };
        bool closed = false;
        QVERIFY(WhileShown([] { Form2->OpenForNew(); }, [&] {
            Commit(Form2->names, QStringLiteral("향단"));
            QTest::mouseClick(Form2->Button1, Qt::LeftButton);
            closed = !Form2->isVisible();
        }));
        QCOMPARE(ErrorTexts().size(), 1);
        QVERIFY(ErrorTexts()[0].contains(QStringLiteral("num")));
        QVERIFY(shownAtError);  // the refresh ran while the dialog was still shown
        QVERIFY(closed);
        sqlite3* db = nullptr;
        sqlite3_open(book_.toUtf8().constData(), &db);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "SELECT name FROM ADDRESS_LIST", -1, &st, nullptr);
        QCOMPARE(sqlite3_step(st), SQLITE_ROW);
        QCOMPARE(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))),
                 QStringLiteral("향단"));
        sqlite3_finalize(st);
        sqlite3_close(db);
    }

    void storeFailuresWhileOpening()
    {
        UseBook({{"친구", "이몽룡", "", "", "", "", ""}, {"가족", "성춘향", "", "", "", "", ""}});
        QVERIFY(WhileShown([] { Form2->OpenForNew(); }, [] { Form2->add1->setFocus(); }));
        const QStringList items = Items(Form2->units);
        QCOMPARE(items.size(), 2);

        // The book is gone: the category list stays, the focus stays, the dialog shows.
        SetDatabasePath(dir_.filePath(QStringLiteral("missing/address.db")));
        QStringList itemsShown;
        QWidget* focus = nullptr;
        QVERIFY(WhileShown([] { Form2->OpenForNew(); }, [&] {
            itemsShown = Items(Form2->units);
            focus = Form2->focusWidget();
        }));
        QCOMPARE(itemsShown, items);
        QCOMPARE(focus, static_cast<QWidget*>(Form2->add1));
        QCOMPARE(ErrorTexts().size(), 1);

        // The entry to edit cannot be read: the dialog is not shown.
        boxes_.clear();
        QVERIFY(!WhileShown([] { Form2->OpenForEdit(); }));
        QCOMPARE(ErrorTexts().size(), 1);
        QVERIFY(!Form2->isVisible());
        SetDatabasePath(book_);
    }

    void closingSavesNothing_data()
    {
        QTest::addColumn<bool>("closeBox");
        QTest::newRow("종료") << false;
        QTest::newRow("close box") << true;
    }

    void closingSavesNothing()
    {
        QFETCH(bool, closeBox);
        UseBook({{"친구", "이몽룡", "", "", "", "", ""}});
        const QList<QStringList> before = StoredRows(book_);
        Form1->grid->SetCurrentRow(1);
        const QStringList typed = {QStringLiteral("동창"), QStringLiteral("방자"), QString(),
                                   QString(), QString(), QString(), QString()};
        bool closed = false;
        QVERIFY(WhileShown([] { Form2->OpenForNew(); }, [&] {
            SetFields(typed);
            if (closeBox)
                Form2->close();
            else
                QTest::mouseClick(Form2->Button2, Qt::LeftButton);
            closed = !Form2->isVisible();
        }));
        QVERIFY(closed);
        QCOMPARE(StoredRows(book_), before);
        QVERIFY(boxes_.isEmpty());
        QCOMPARE(Fields(), typed);  // kept in the hidden dialog until the next opening
    }

    void enterAndEscapeHaveNoDialogWideEffect()
    {
        UseBook({});
        bool open = false;
        QVERIFY(WhileShown([] { Form2->OpenForNew(); }, [&] {
            Commit(Form2->names, QStringLiteral("월매"));
            QTest::keyClick(Form2->names, Qt::Key_Return);
            QTest::keyClick(Form2->names, Qt::Key_Escape);
            Form2->Button1->setFocus();
            QTest::keyClick(Form2->Button1, Qt::Key_Enter);
            QTest::keyClick(Form2->Button1, Qt::Key_Escape);
            open = Form2->isVisible();
        }));
        QVERIFY(open);
        QVERIFY(StoredRows(book_).isEmpty());
    }

    void tabOrder()
    {
        UseBook({});
        QList<QWidget*> visited;
        QVERIFY(WhileShown([] { Form2->OpenForNew(); }, [&] {
            for (int i = 0; i < 11; ++i) {
                QWidget* w = Form2->focusWidget();
                visited << w;
                QTest::keyClick(w, Qt::Key_Tab);
            }
        }));
        const QList<QWidget*> expected = {Form2->units, Form2->names, Form2->tel, Form2->cell,
                                          Form2->zip, Form2->Button3, Form2->Button4, Form2->add1,
                                          Form2->add2, Form2->Button1, Form2->Button2};
        QCOMPARE(visited, expected);
    }

    void typedCategoryStaysAsTypedAndIsOfferedNextTime()
    {
        UseBook({{"Alpha", "이몽룡", "", "", "", "", ""}});
        QString typed;
        QVERIFY(WhileShown([] { Form2->OpenForNew(); }, [&] {
            QTest::keyClicks(Form2->units, QStringLiteral("Al"));
            QTest::keyClick(Form2->units, Qt::Key_Return);
            typed = Form2->units->currentText();
            Commit(Form2->names, QStringLiteral("춘향"));
            QTest::mouseClick(Form2->Button1, Qt::LeftButton);
        }));
        QCOMPARE(typed, QStringLiteral("Al"));
        QCOMPARE(StoredRows(book_).back()[1], QStringLiteral("Al"));
        QStringList items;
        QVERIFY(WhileShown([] { Form2->OpenForNew(); }, [&] { items = Items(Form2->units); }));
        QVERIFY(items.contains(QStringLiteral("Al")));
        QVERIFY(items.contains(QStringLiteral("Alpha")));
    }

    void searchWindowButtonGivesOneWindow()
    {
        UseBook({});
        int windows = 0;
        QString keywordAfterSecondPress;
        QVERIFY(WhileShown([] { Form2->OpenForNew(); }, [&] {
            QTest::mouseClick(Form2->Button4, Qt::LeftButton);
            QVERIFY(Form5->isVisible());
            Commit(Form5->keyword, QStringLiteral("역삼"));
            QTest::mouseClick(Form2->Button4, Qt::LeftButton);
            keywordAfterSecondPress = Form5->keyword->text();
            for (QWidget* w : QApplication::topLevelWidgets())
                if (qobject_cast<TForm5*>(w) && w->isVisible())
                    ++windows;
            QVERIFY(Form2->isVisible());
        }));
        QCOMPARE(windows, 1);
        QCOMPARE(keywordAfterSecondPress, QStringLiteral("역삼"));
        Form5->hide();
    }

    // The syllable still being composed when a button is pressed belongs to the field.
    void compositionCommittedBeforeSave_data()
    {
        QTest::addColumn<int>("field");  // index into the seven values
        QTest::newRow("units") << 0;
        QTest::newRow("names") << 1;
        QTest::newRow("add1") << 5;
        QTest::newRow("add2") << 6;
    }

    void compositionCommittedBeforeSave()
    {
        QFETCH(int, field);
        UseBook({});
        QWidget* fields[] = {Form2->units, Form2->names, nullptr, nullptr, nullptr, Form2->add1,
                             Form2->add2};
        QVERIFY(WhileShown([] { Form2->OpenForNew(); }, [&] {
            if (field != 1)
                Commit(Form2->names, QStringLiteral("이름"));
            QWidget* w = fields[field];
            w->setFocus();
            Commit(w, QStringLiteral("가나"));
            Compose(w, QStringLiteral("다"));
            QTest::mouseClick(Form2->Button1, Qt::LeftButton);
        }));
        const QList<QStringList> rows = StoredRows(book_);
        QCOMPARE(rows.size(), 1);
        QCOMPARE(rows[0][1 + field], QStringLiteral("가나다"));
        QCOMPARE(Fields()[field], QStringLiteral("가나다"));  // committed once, not twice
    }

    void compositionCommittedBeforeAddressLookup()
    {
        UseBook({});
        QVERIFY(WhileShown([] { Form2->OpenForNew(); }, [&] {
            Form2->add2->setFocus();
            Commit(Form2->add2, QStringLiteral("101동 20"));
            Compose(Form2->add2, QStringLiteral("호"));
            Form2->zip->setText(QStringLiteral("110-041"));
            QTest::mouseClick(Form2->Button3, Qt::LeftButton);
        }));
        QCOMPARE(Form2->add2->text(), QStringLiteral("101동 20호"));
    }
};

QTEST_MAIN(TestEntryDialog)
#include "test_add.moc"
