// The toolbar: edit and delete with nothing selected, the delete question and what follows
// each answer, a failed delete, backup, new, edit, print, exit, and the hover faces read from
// ./image/ at every mouse event.
#include "add.h"
#include "address.h"
#include "forms.h"
#include "print.h"
#include "start.h"
#include "store/paths.h"
#include "testsupport.h"
#include "ui/address_list_model.h"
#include "ui/controls.h"
#include "ui/messages.h"
#include "ui/string_grid.h"
#include "boxes.h"
#include "ending.h"
#include "preview.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>

using testsupport::Box;

namespace {

const std::vector<QStringList> kRows = {
    {"가족", "김철수", "02-1", "010-1", "100-101", "서울특별시 종로구", "1"},
    {"친구", "이영희", "02-2", "010-2", "200-202", "경기도 수원시", "2"},
    {"가족", "박민수", "02-3", "010-3", "300-303", "부산광역시 해운대구", "3"},
    {"회사", "최지훈", "02-4", "010-4", "400-404", "대전광역시 유성구", "4"},
    {"친구", "강민호", "02-5", "010-5", "500-505", "광주광역시 북구", "5"},
    {"가족", "윤서연", "02-6", "010-6", "600-606", "제주특별자치도 제주시", "6"},
};

QStringList Names()
{
    QStringList names;
    for (int r = 1; r < Form1->List().RowCount(); ++r)
        names << Form1->List().Cell(2, r);
    return names;
}

void Pick(QComboBox* box, int index)
{
    box->setCurrentIndex(index);
    emit box->activated(index);
}

QColor FaceColour(TImage* image) { return image->pixmap().toImage().pixelColor(2, 2); }

void WritePicture(const QString& path, const QColor& colour, QSize size = QSize(101, 61))
{
    QImage picture(size, QImage::Format_RGB32);
    picture.fill(colour);
    QVERIFY(picture.save(path, "PNG"));
}

void MoveOver(QWidget* w)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(10, 10), w->mapToGlobal(QPointF(10, 10)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w, &move);
}

void Leave(QWidget* w)
{
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(w, &leave);
}

// Runs `action` when the widget shows, from the event loop of whatever opened it.
void WhenShown(QWidget* (*widget)(), std::function<void()> action)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, widget, action] {
        QWidget* w = widget();
        if (!w || !w->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        action();
    });
    timer->start();
}

}  // namespace

class TestActions : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QList<Box> boxes_;
    std::function<bool(const Box&)> answer_;  // for the delete question
    QString cwd_;

    QString Book() const { return ExeFolder() + QStringLiteral("address.db"); }
    int StoredEntries() const
    {
        int count = 0;
        sqlite3* db = nullptr;
        sqlite3_open(Book().toUtf8().constData(), &db);
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db, "select count(*) from ADDRESS_LIST", -1, &st, nullptr);
        if (sqlite3_step(st) == SQLITE_ROW)
            count = sqlite3_column_int(st, 0);
        sqlite3_finalize(st);
        sqlite3_close(db);
        return count;
    }
    void FreshBook()
    {
        QFile::remove(Book());
        testsupport::MakeBook(Book(), kRows);
        Form1->keyword->clear();
        Form1->cb2->setCurrentIndex(0);
        Pick(Form1->cb, 0);
        Form1->RefreshList(All);
        Form1->grid->SetCurrentRow(1);
        boxes_.clear();
    }
    int Questions() const
    {
        return int(std::count_if(boxes_.begin(), boxes_.end(), [](const Box& b) { return b.kind == Box::Question; }));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        cwd_ = QDir::currentPath();
        QDir().mkpath(dir_.filePath("app"));
        SetExeFolder(dir_.filePath("app"));
        testsupport::MakeBook(Book(), kRows);
        SetDatabasePath(Book());
        testsupport::SetResponder([this](const Box& b) {
            boxes_ << b;
            return b.kind == Box::Question && answer_ ? answer_(b) : false;
        });
        CreateForms();
        Form3->Timer1->stop();
        Form1->show();
        QCOMPARE(Form1->List().RowCount(), 7);
        QVERIFY(boxes_.isEmpty());
    }
    void cleanupTestCase()
    {
        QDir::setCurrent(cwd_);
        testsupport::SetResponder(nullptr);
        SetExeFolder(QString());
    }
    void init()
    {
        FreshBook();
        answer_ = nullptr;
    }

    // On the blank row of an empty result: the plain message and nothing more; no question,
    // no dialog, no refresh (a refresh against the unreadable path would show an error).
    void nothingSelected_data()
    {
        QTest::addColumn<int>("picture");
        QTest::newRow("edit") << 4;
        QTest::newRow("delete") << 5;
    }
    void nothingSelected()
    {
        QFETCH(int, picture);
        Form1->keyword->setText(QStringLiteral("nobody"));
        Form1->RefreshList(Search);
        QVERIFY(Form1->SelectedNum().isEmpty());
        const QString book = DatabasePath();
        SetDatabasePath(dir_.path());
        boxes_.clear();
        QTest::mouseClick(picture == 4 ? Form1->Image4 : Form1->Image5, Qt::LeftButton);
        SetDatabasePath(book);
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].kind, Box::Plain);
        QCOMPARE(boxes_[0].text, QStringLiteral("선택이 안되었습니다"));
        QVERIFY(!Form2->isVisible());
        QCOMPARE(StoredEntries(), 6);
    }

    // No: nothing deleted, but the list is refreshed as a search, so a category-filtered list
    // gives way to the search result of the controls.
    void deleteAnsweredNo()
    {
        Form1->keyword->setText(QStringLiteral("민"));
        Pick(Form1->cb, 1);  // 가족, filtered: 김철수, 박민수, 윤서연
        QCOMPARE(Names(), (QStringList{"김철수", "박민수", "윤서연"}));
        boxes_.clear();
        answer_ = [](const Box&) { return false; };
        QTest::mouseClick(Form1->Image5, Qt::LeftButton);
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].kind, Box::Question);
        QCOMPARE(boxes_[0].caption, QStringLiteral("삭제"));
        QCOMPARE(boxes_[0].text, QStringLiteral("정말 삭제 하시  겠습니까?"));
        QCOMPARE(StoredEntries(), 6);
        QCOMPARE(Names(), QStringList{"박민수"});
    }

    // Yes after the user picked another row while the question was open: the row current at
    // the answer is the one deleted.
    void deleteAnsweredYesAfterAnotherRowWasPicked()
    {
        Form1->grid->SetCurrentRow(2);
        answer_ = [](const Box&) {
            QTest::mouseClick(Form1->grid->viewport(), Qt::LeftButton, {},
                              Form1->grid->visualRect(Form1->model->index(4, 2)).center());
            return true;
        };
        QTest::mouseClick(Form1->Image5, Qt::LeftButton);
        QCOMPARE(Questions(), 1);
        QCOMPARE(StoredEntries(), 5);
        QCOMPARE(Names(), (QStringList{"김철수", "이영희", "박민수", "최지훈", "윤서연"}));
        QCOMPARE(Form1->grid->CurrentRow(), 5);
    }

    // A failed delete: its error is shown, and the list is not refreshed.
    void failedDeleteLeavesTheList()
    {
        Pick(Form1->cb, 1);  // filtered; a search refresh would list all six
        const QString book = DatabasePath();
        answer_ = [this](const Box&) {
            SetDatabasePath(dir_.path());  // a folder: the delete cannot open it
            return true;
        };
        QTest::mouseClick(Form1->Image5, Qt::LeftButton);
        SetDatabasePath(book);
        QCOMPARE(boxes_.size(), 2);
        QCOMPARE(boxes_[1].kind, Box::Error);
        QCOMPARE(Names(), (QStringList{"김철수", "박민수", "윤서연"}));
        QCOMPARE(StoredEntries(), 6);
    }

    void backup_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::newRow("book present") << "present";
        QTest::newRow("book missing") << "missing";
        QTest::newRow("backup cannot be written") << "blocked";
    }
    void backup()
    {
        QFETCH(QString, setup);
        const QString backup = ExeFolder() + QStringLiteral("address_backup.db");
        QFile::remove(backup);
        QDir(backup).removeRecursively();
        const QString aside = dir_.filePath("aside.db");
        if (setup == "missing")
            QVERIFY(QFile::rename(Book(), aside));
        if (setup == "blocked")
            QVERIFY(QDir().mkpath(backup + "/inner"));
        QTest::mouseClick(Form1->Image7, Qt::LeftButton);
        if (setup == "missing")
            QVERIFY(QFile::rename(aside, Book()));

        if (setup == "present") {
            QVERIFY(boxes_.isEmpty());
            QVERIFY(QFileInfo(backup).isFile());
            testsupport::Exec(backup, "select count(*) from ADDRESS_LIST");
        } else if (setup == "missing") {
            QCOMPARE(boxes_.size(), 1);
            QCOMPARE(boxes_[0].kind, Box::Information);
            QCOMPARE(boxes_[0].caption, QStringLiteral("Information"));
            QCOMPARE(boxes_[0].text, QStringLiteral("Test.db does not exist. Click Test Sqlite 3 to create it."));
            QVERIFY(!QFileInfo::exists(backup));
        } else {
            QCOMPARE(boxes_.size(), 1);
            QCOMPARE(boxes_[0].kind, Box::Error);
            QDir(backup).removeRecursively();
        }
    }

    // New and edit open the entry dialog modally; nothing is refreshed here when it closes.
    void newAndEditOpenTheDialog()
    {
        Form1->grid->SetCurrentRow(3);
        QString caption, name;
        bool modal = false;
        WhenShown([]() -> QWidget* { return Form2; }, [&] {
            caption = Form2->windowTitle();
            name = Form2->names->text();
            modal = QApplication::activeModalWidget() == Form2;
            Form2->Button2->click();
        });
        QTest::mouseClick(Form1->Image4, Qt::LeftButton);
        QCOMPARE(caption, QStringLiteral("정보 수정"));
        QCOMPARE(name, QStringLiteral("박민수"));
        QVERIFY(modal);
        QVERIFY(!Form2->isVisible());

        WhenShown([]() -> QWidget* { return Form2; }, [&] {
            caption = Form2->windowTitle();
            name = Form2->names->text();
            Form2->Button2->click();
        });
        QTest::mouseClick(Form1->Image2, Qt::LeftButton);
        QCOMPARE(caption, QStringLiteral("신규 등록"));
        QVERIFY(name.isEmpty());
        QVERIFY(!Form2->isVisible());
        QVERIFY(boxes_.isEmpty());
        QCOMPARE(Form1->grid->CurrentRow(), 3);
    }

    // Print previews the labels of the list and returns when the preview closes.
    void printPreviewsTheList()
    {
        int pages = 0;
        WhenShown(testsupport::OpenPreviewWindow, [&] {
            pages = testsupport::OpenPreview()->pageCount();
            testsupport::OpenPreviewWindow()->close();
        });
        QTest::mouseClick(Form1->Image6, Qt::LeftButton);
        QCOMPARE(pages, 1);  // the list's labels were shown
        QCOMPARE(testsupport::OpenPreviewWindow(), nullptr);
        QVERIFY(boxes_.isEmpty());
    }

    // Each move loads the hover file, each leave the normal one, from ./image/ under the
    // current folder, anew at every event, at the file's own size. Print uses 5, backup 4.
    void hoverFaces_data()
    {
        QTest::addColumn<int>("picture");
        QTest::addColumn<int>("file");
        QTest::newRow("new") << 2 << 1;
        QTest::newRow("edit") << 4 << 2;
        QTest::newRow("delete") << 5 << 3;
        QTest::newRow("print") << 6 << 5;
        QTest::newRow("backup") << 7 << 4;
        QTest::newRow("exit") << 8 << 6;
    }
    void hoverFaces()
    {
        QFETCH(int, picture);
        QFETCH(int, file);
        TImage* image = picture == 2 ? Form1->Image2 : picture == 4 ? Form1->Image4 : picture == 5 ? Form1->Image5
                      : picture == 6 ? Form1->Image6 : picture == 7 ? Form1->Image7 : Form1->Image8;
        const QString folder = dir_.filePath("cwd");
        QDir().mkpath(folder + "/image");
        const QString hover = QStringLiteral("%1/image/%2_2.png").arg(folder).arg(file);
        const QString normal = QStringLiteral("%1/image/%2.png").arg(folder).arg(file);
        for (int n = 1; n <= 6; ++n) {
            WritePicture(QStringLiteral("%1/image/%2_2.png").arg(folder).arg(n), QColor(200, 0, n * 30));
            WritePicture(QStringLiteral("%1/image/%2.png").arg(folder).arg(n), QColor(0, 200, n * 30));
        }
        WritePicture(hover, QColor(255, 0, 0), QSize(90, 50));
        WritePicture(normal, QColor(0, 255, 0));
        QDir::setCurrent(folder);

        MoveOver(image);
        QCOMPARE(FaceColour(image), QColor(255, 0, 0));
        QCOMPARE(image->size(), QSize(90, 50));
        WritePicture(hover, QColor(0, 0, 255), QSize(90, 50));  // read again: nothing cached
        MoveOver(image);
        QCOMPARE(FaceColour(image), QColor(0, 0, 255));
        Leave(image);
        QCOMPARE(FaceColour(image), QColor(0, 255, 0));
        QCOMPARE(image->size(), QSize(101, 61));
        QDir::setCurrent(cwd_);
        QVERIFY(boxes_.isEmpty());
    }

    // Started from a folder without image/: every mouse event shows the file-open error, the
    // picture keeps its face, and the clicks still work.
    void withoutImageFolder()
    {
        const QString folder = dir_.filePath("bare");
        QDir().mkpath(folder);
        QDir::setCurrent(folder);
        const QImage before = Form1->Image7->pixmap().toImage();
        MoveOver(Form1->Image7);
        MoveOver(Form1->Image7);
        Leave(Form1->Image7);
        QDir::setCurrent(cwd_);
        QCOMPARE(boxes_.size(), 3);
        for (const Box& b : boxes_)
            QCOMPARE(b.kind, Box::Error);
        QCOMPARE(boxes_[0].text, QStringLiteral("Cannot open file \"%1/image/4_2.png\". No such file or directory.")
                                     .arg(QFileInfo(folder).canonicalFilePath()));
        QVERIFY(boxes_[2].text.contains(QStringLiteral("/image/4.png\"")));
        QCOMPARE(Form1->Image7->pixmap().toImage(), before);

        boxes_.clear();
        const QString backup = ExeFolder() + QStringLiteral("address_backup.db");
        QFile::remove(backup);
        QDir::setCurrent(folder);
        QTest::mouseClick(Form1->Image7, Qt::LeftButton);
        QDir::setCurrent(cwd_);
        QVERIFY(QFileInfo(backup).isFile());
        QVERIFY(std::all_of(boxes_.begin(), boxes_.end(), [](const Box& b) {
            return b.text.startsWith(QStringLiteral("Cannot open file"));
        }));
    }

    // Exit closes the splash window and the main window: the program ends.
    void exitEndsTheProgram()
    {
        QVERIFY(testsupport::EndsTheProgram([] { QTest::mouseClick(Form1->Image8, Qt::LeftButton); }));
        QVERIFY(!Form1->isVisible());
        QVERIFY(!Form3->isVisible());
    }
};

QTEST_MAIN(TestActions)
#include "test_actions.moc"
