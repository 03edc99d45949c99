// Start-up: the five windows, the splash layout, the ticks and the check on the second one,
// the hand-over to the main window, and the end of the program.
#include "add.h"
#include "address.h"
#include "forms.h"
#include "print.h"
#include "start.h"
#include "store/paths.h"
#include "testsupport.h"
#include "ui/controls.h"
#include "ui/messages.h"
#include "zipcode.h"
#include "boxes.h"
#include "ending.h"
#include "pixels.h"

#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using testsupport::Box;

namespace {
// Records whether the splash window was still up when the main window was shown.
class ShowWatch : public QObject {
public:
    bool splashVisibleAtShow = false;
    int shows = 0;
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::Show) {
            ++shows;
            splashVisibleAtShow = Form3->isVisible();
        }
        return false;
    }
};

}  // namespace

class TestStart : public QObject {
    Q_OBJECT
    QTemporaryDir exeDir_;
    QTemporaryDir otherDir_;
    QList<Box> boxes_;
    bool timerRanFromCreation_ = false;
    int timerInterval_ = 0;

    QString BookPath() const { return exeDir_.filePath(QStringLiteral("address.db")); }
    void RemoveBook()
    {
        QFile::remove(BookPath());
        QDir(BookPath()).removeRecursively();
    }
    // A fresh start with the splash shown, the test driving the ticks.
    void FreshStart()
    {
        DestroyForms();
        CreateForms();
        Form3->Timer1->stop();
        Form3->show();
        SetDatabasePath(QString());
        boxes_.clear();
    }
    // A fresh start, one tick done.
    void BeforeSecondTick()
    {
        FreshStart();
        Form3->Timer1Timer();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(exeDir_.isValid() && otherDir_.isValid());
        CreateForms();
        timerRanFromCreation_ = Form3->Timer1->isActive();
        timerInterval_ = Form3->Timer1->interval();
        Form3->Timer1->stop();  // the test drives the ticks
        SetExeFolder(exeDir_.path());
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

    void fiveHiddenWindows()
    {
        QVERIFY(Form3 && Form1 && Form2 && Form4 && Form5);
        for (QWidget* w : {static_cast<QWidget*>(Form3), static_cast<QWidget*>(Form1),
                           static_cast<QWidget*>(Form2), static_cast<QWidget*>(Form4),
                           static_cast<QWidget*>(Form5)})
            QVERIFY(!w->isVisible());
        QVERIFY(!QApplication::quitOnLastWindowClosed());
    }

    void splashLayout()
    {
        QVERIFY(timerRanFromCreation_);
        QCOMPARE(timerInterval_, 1000);
        QVERIFY(Form3->windowFlags() & Qt::FramelessWindowHint);
        QCOMPARE(Form3->size(), QSize(400, 301));
        QCOMPARE(Form3->Label1->text(), QStringLiteral("로딩 중...."));
        QCOMPARE(Form3->Label1->pos(), QPoint(64, 208));
        QVERIFY(Form3->Label1->font().bold());
        QCOMPARE(Form3->Label1->font().pixelSize(), 11);
        QVERIFY(testsupport::CountPixelsNear(Form3->grab().toImage(), Form3->Label1->geometry(),
                                            QColor(Qt::white)) >= 20);
        QCOMPARE(Form3->label2->pos(), QPoint(124, 208));
        QVERIFY(Form3->label2->text().isEmpty());
        QCOMPARE(Form3->pb->geometry(), QRect(64, 227, 242, 17));
        QCOMPARE(Form3->pb->minimum(), 0);
        QCOMPARE(Form3->pb->maximum(), 100);
        QCOMPARE(Form3->pb->value(), 0);
        QCOMPARE(Form3->Button1->geometry(), QRect(312, 210, 49, 34));
        QCOMPARE(Form3->Button1->text(), QStringLiteral("닫기"));
        QVERIFY(Form3->Button1->isHidden());
        QCOMPARE(Form3->Image1->pixmap().size(), QSize(400, 300));
    }

    // The first tick moves the bar and nothing else, even with the book in place.
    void firstTickOnlyMovesTheBar()
    {
        testsupport::MakeBook(BookPath());
        FreshStart();
        QCOMPARE(Form3->pb->value(), 0);
        Form3->Timer1Timer();
        QCOMPARE(Form3->pb->value(), 50);
        QVERIFY(DatabasePath().isEmpty());
        QVERIFY(Form3->label2->text().isEmpty());
        QVERIFY(!Form1->isVisible());
        RemoveBook();
    }

    void secondTickWithoutBook_data()
    {
        QTest::addColumn<QString>("what");
        QTest::newRow("missing") << "missing";
        QTest::newRow("a folder named address.db") << "folder";
        QTest::newRow("only in the current folder") << "cwd";
    }
    void secondTickWithoutBook()
    {
        QFETCH(QString, what);
        RemoveBook();
        const QString cwd = QDir::currentPath();
        if (what == "folder")
            QVERIFY(QDir().mkpath(BookPath()));
        if (what == "cwd") {
            testsupport::MakeBook(otherDir_.filePath(QStringLiteral("address.db")));
            QDir::setCurrent(otherDir_.path());
        }
        BeforeSecondTick();
        Form3->Timer1Timer();
        QDir::setCurrent(cwd);

        QCOMPARE(Form3->pb->value(), 100);
        QCOMPARE(Form3->label2->text(), QStringLiteral("Database Fail. Not Found 'address.db'"));
        // Drawn in pure red, as the user sees it on the grabbed window.
        QVERIFY(Form3->label2->width() >= Form3->label2->sizeHint().width());
        QVERIFY2(testsupport::CountPixelsNear(Form3->grab().toImage(), Form3->label2->geometry(),
                                             QColor(255, 0, 0)) >= 20,
                 "no red text where the failure text stands");
        QVERIFY(Form3->Button1->isVisible());
        QVERIFY(Form3->isVisible());
        QVERIFY(!Form1->isVisible());
        QVERIFY(DatabasePath().isEmpty());
        QVERIFY(boxes_.isEmpty());
        RemoveBook();
    }

    // The book found: the path recorded, the main window shown (its list filled inside the
    // tick, with the splash still up), the splash hidden. Later ticks change nothing.
    void secondTickHandsOver()
    {
        testsupport::MakeBook(BookPath(), {{"가족", "김철수", "02-1", "010-1", "100-101", "서울", "1"},
                                           {"친구", "이영희", "02-2", "010-2", "200-202", "부산", ""}});
        BeforeSecondTick();
        ShowWatch watch;
        Form1->installEventFilter(&watch);
        Form3->Timer1Timer();
        Form1->removeEventFilter(&watch);

        QCOMPARE(DatabasePath(), ExeFolder() + QStringLiteral("address.db"));
        QCOMPARE(Form3->label2->text(), QStringLiteral("Database Done"));
        QCOMPARE(watch.shows, 1);
        QVERIFY(watch.splashVisibleAtShow);
        QVERIFY(Form1->isVisible());
        QVERIFY(!Form3->isVisible());
        QVERIFY(Form3->Button1->isHidden());
        QCOMPARE(Form1->List().RowCount(), 3);
        QCOMPARE(Form1->stbarPanel1->text(), QStringLiteral("2 건이 검색되었습니다.    "));
        QVERIFY(boxes_.isEmpty());

        const QString path = DatabasePath();
        RemoveBook();
        Form3->Timer1Timer();
        QCOMPARE(Form3->pb->value(), 100);
        QCOMPARE(DatabasePath(), path);
        QCOMPARE(Form3->label2->text(), QStringLiteral("Database Done"));
        QVERIFY(!Form3->isVisible());
        QVERIFY(Form3->Button1->isHidden());
    }

    // A file that is no address book passes the check; its error shows when the main window
    // lists it, and the hand-over completes all the same.
    void foreignFileStillHandsOver()
    {
        RemoveBook();
        QFile f(BookPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("this is not a database, only some text that is long enough to be noticed");
        f.close();
        BeforeSecondTick();
        Form3->Timer1Timer();
        QCOMPARE(Form3->label2->text(), QStringLiteral("Database Done"));
        QVERIFY(Form1->isVisible());
        QVERIFY(!Form3->isVisible());
        QCOMPARE(boxes_.size(), 1);
        QCOMPARE(boxes_[0].kind, Box::Error);
        QCOMPARE(boxes_[0].caption, QStringLiteral("test_start"));
        RemoveBook();
    }

    // "닫기" ends the program.
    void closeEndsTheProgram()
    {
        BeforeSecondTick();
        Form3->Timer1Timer();
        QVERIFY(testsupport::EndsTheProgram([] { QTest::mouseClick(Form3->Button1, Qt::LeftButton); }));
        QVERIFY(!Form3->isVisible());
        // A second close changes nothing: the program does not end again.
        QVERIFY(!testsupport::EndsTheProgram([] { Form3->close(); }, 300));
    }
};

QTEST_MAIN(TestStart)
#include "test_start.moc"
