// The main list's context menu as the user meets it: the right button on the list opens
// "가져오기…" and "내보내기…" without moving the current row or the selection; an import shows
// its summary and refreshes the list; an export writes the file; errors reach the error box.
#include "address.h"
#include "boxes.h"
#include "filedialogs.h"
#include "forms.h"
#include "processsupport.h"
#include "start.h"
#include "store/paths.h"
#include "testsupport.h"
#include "ui/address_list_model.h"
#include "ui/string_grid.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QTimer>
#include <QtTest>

using testsupport::Box;
using testsupport::FileDialogSeen;

namespace {

QStringList Names()
{
    QStringList names;
    const LabelSource& list = Form1->List();
    for (int r = 1; r < list.RowCount(); ++r)
        names << list.Cell(2, r);
    return names;
}

QModelIndexList Selected() { return Form1->grid->selectionModel()->selectedIndexes(); }

}  // namespace

class TestContactsMenu : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QList<Box> boxes_;
    QList<FileDialogSeen> questions_;
    QStringList answer_;        // what the file dialog answers
    QStringList menuTexts_;     // the items of the last menu opened

    // Right-clicks the list's row (1 = first data row) through the window, as the mouse does,
    // and picks the item with the given text from the menu that opens (empty: closes it).
    void RightClickRow(int row, const QString& pick)
    {
        menuTexts_.clear();
        bool done = false;
        QTimer timer;
        timer.setInterval(10);
        connect(&timer, &QTimer::timeout, this, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (!menu || done)
                return;
            done = true;
            for (QAction* a : menu->actions())
                menuTexts_ << a->text();
            for (QAction* a : menu->actions())
                if (a->text() == pick) {
                    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(a).center());
                    return;
                }
            menu->close();
        });
        timer.start();
        TStringGrid* g = Form1->grid;
        const QRect cell = g->visualRect(Form1->model->index(row - 1, 2));
        const QPoint at = g->viewport()->mapTo(Form1, cell.center());
        QTest::mouseClick(Form1->windowHandle(), Qt::RightButton, {}, at);
        QTRY_VERIFY(done);
        QTRY_VERIFY(!QApplication::activePopupWidget());
    }

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
        testsupport::SetFileAnswer([this](const FileDialogSeen& q) {
            questions_ << q;
            return answer_;
        });
        SetExeFolder(dir_.path());
        SetDatabasePath(ExeFolder() + QStringLiteral("address.db"));
        testsupport::MakeBook(DatabasePath(), {{"가족", "김철수", "02-1", "010-1", "", "", ""},
                                               {"친구", "이영희", "02-2", "010-2", "", "", ""},
                                               {"가족", "박민수", "02-3", "010-3", "", "", ""}});
        Form1->show();
        QVERIFY(QTest::qWaitForWindowExposed(Form1));
        // As for a user: the window is the active one, which the dialogs then belong to.
        Form1->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Form1));
        Form1->grid->SetCurrentRow(2);
    }
    void cleanupTestCase()
    {
        testsupport::SetResponder(nullptr);
        testsupport::SetFileAnswer(nullptr);
        SetExeFolder(QString());
    }
    void init()
    {
        boxes_.clear();
        questions_.clear();
        answer_.clear();
    }

    // Opening and closing the menu over another row moves nothing.
    void menuLeavesRowAndSelection()
    {
        const QModelIndexList before = Selected();
        QCOMPARE(Form1->grid->CurrentRow(), 2);
        RightClickRow(3, QString());
        QCOMPARE(menuTexts_, (QStringList{"가져오기…", "내보내기…"}));
        QCOMPARE(Form1->grid->CurrentRow(), 2);
        QCOMPARE(Selected(), before);
        QVERIFY(boxes_.isEmpty());
        QVERIFY(questions_.isEmpty());
    }

    // Import: the file dialog, the same import as the command, the summary, then the list
    // refreshed as after a save (mode Search with the search controls as they are).
    void importThroughTheMenu()
    {
        const QString vcf = dir_.filePath(QStringLiteral("phone.vcf"));
        testsupport::WriteFile(
            vcf, QStringLiteral("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:최지훈\r\nTEL;TYPE=CELL:010-4\r\nEND:VCARD\r\n"
                                "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:김철수\r\nTEL:02-1\r\nTEL;TYPE=CELL:010-1\r\n"
                                "CATEGORIES:가족\r\nEND:VCARD\r\n"
                                "BEGIN:VCARD\r\nVERSION:3.0\r\nNOTE:빈 카드\r\nEND:VCARD\r\n")
                     .toUtf8());
        answer_ = QStringList{vcf};
        const QModelIndexList before = Selected();
        RightClickRow(3, QStringLiteral("가져오기…"));
        QCOMPARE(questions_.size(), 1);
        QVERIFY(!questions_[0].save);
        QCOMPARE(questions_[0].caption, QStringLiteral("가져오기"));
        QCOMPARE(questions_[0].owner.data(), Form1);
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].kind, Box::Plain);
        QCOMPARE(boxes_[0].text, QStringLiteral("가져오기를 마쳤습니다.\n읽음 3건, 추가 1건, 중복으로 건너뜀 1건, 거부 1건\n\n"
                                                "거부된 항목:\nphone.vcf 13행: 이름도 전화번호도 없습니다"));
        QCOMPARE(Names(), (QStringList{"김철수", "이영희", "박민수", "최지훈"}));
        QCOMPARE(Form1->stbarPanel1->text(), QStringLiteral("4 건이 검색되었습니다.    "));
        QCOMPARE(Form1->grid->CurrentRow(), 2);
        QCOMPARE(Selected(), before);
    }

    void exportThroughTheMenu()
    {
        const QString out = dir_.filePath(QStringLiteral("out.csv"));
        answer_ = QStringList{out};
        RightClickRow(1, QStringLiteral("내보내기…"));
        QCOMPARE(questions_.size(), 1);
        QVERIFY(questions_[0].save);
        QCOMPARE(questions_[0].caption, QStringLiteral("내보내기"));
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].text, QStringLiteral("4건을 내보냈습니다."));
        const QString text = QString::fromUtf8(testsupport::ReadFile(out));
        QCOMPARE(text.count(QStringLiteral("\r\n")), 5);
        QVERIFY(text.contains(QStringLiteral("\r\n,최지훈,,010-4,,,\r\n")));
        QCOMPARE(Form1->grid->CurrentRow(), 2);
    }

    // Cancelling the file dialog does nothing; a locked book shows the layer's error through
    // the error box, and the list stays as it was.
    void cancelledAndFailed()
    {
        RightClickRow(1, QStringLiteral("가져오기…"));
        QCOMPARE(questions_.size(), 1);
        QVERIFY(boxes_.isEmpty());

        const QString csv = dir_.filePath(QStringLiteral("sheet.csv"));
        testsupport::WriteFile(csv, QStringLiteral("이름\r\n새 사람\r\n").toUtf8());
        answer_ = QStringList{csv};
        {
            testsupport::Lock lock(DatabasePath(), "BEGIN IMMEDIATE");
            QVERIFY(lock.ok());
            RightClickRow(1, QStringLiteral("가져오기…"));
        }
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].kind, Box::Error);
        QVERIFY2(boxes_[0].text.contains(QStringLiteral("The database file is locked")), qPrintable(boxes_[0].text));
        QCOMPARE(Names(), (QStringList{"김철수", "이영희", "박민수", "최지훈"}));
    }
};

QTEST_MAIN(TestContactsMenu)
#include "test_contacts_menu.moc"
