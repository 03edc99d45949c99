// The message boxes: the title rule, the full stop rule, what each box shows, the real boxes'
// icons and buttons, and the question that blocks no window.
#include "ui/guard.h"
#include "ui/messages.h"
#include "boxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

using testsupport::Box;

namespace {

// The one visible message box, modal or not.
QMessageBox* OpenBox()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible())
            return box;
    return nullptr;
}

struct Seen {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString caption, text;
    QStringList buttons;
    Qt::WindowModality modality = Qt::NonModal;
    bool hasParent = true;
    bool appModal = false;  // some window was blocked while the box was open
};

// Answers the next real box with the button whose text is `press`, recording what it showed.
void AnswerNextBox(Seen& seen, const QString& press)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, &seen, press] {
        QMessageBox* box = OpenBox();
        if (!box)
            return;
        timer->stop();
        timer->deleteLater();
        seen.icon = box->icon();
        seen.caption = box->windowTitle();
        seen.text = box->text();
        seen.modality = box->windowModality();
        seen.hasParent = box->parentWidget() != nullptr;
        seen.appModal = QApplication::activeModalWidget() == box;
        for (QAbstractButton* b : box->buttons())
            seen.buttons << b->text().remove(QLatin1Char('&'));
        for (QAbstractButton* b : box->buttons())
            if (b->text().remove(QLatin1Char('&')) == press) {
                b->click();
                return;
            }
    });
    timer->start();
}

}  // namespace

class TestMessages : public QObject {
    Q_OBJECT
private slots:
    void cleanup() { testsupport::SetResponder(nullptr); }

    void titleRule_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("title");
        QTest::newRow("plain") << "addressbook" << "addressbook";
        QTest::newRow("upper after first") << "ADDRESSBOOK" << "Addressbook";
        QTest::newRow("first kept lower") << "myApp" << "myapp";
        QTest::newRow("up to first dot") << "Address.Book.exe" << "Address";
        QTest::newRow("one letter") << "a" << "a";
        QTest::newRow("hangul") << "주소록.exe" << "주소록";
        QTest::newRow("starts with dot") << ".hidden" << "";
    }
    void titleRule()
    {
        QFETCH(QString, file);
        QFETCH(QString, title);
        QCOMPARE(Messages::TitleOf(file), title);
    }

    void titleOfThisProgram() { QCOMPARE(Messages::ApplicationTitle(), QStringLiteral("test_messages")); }

    void fullStop_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shown");
        QTest::newRow("letter") << "file is encrypted" << "file is encrypted.";
        QTest::newRow("digit") << "code 14" << "code 14.";
        QTest::newRow("hangul") << "DB 연결 실패" << "DB 연결 실패.";
        QTest::newRow("slash is 47") << "a/" << "a/.";
        QTest::newRow("full stop is 46") << "done." << "done.";
        QTest::newRow("closing parenthesis") << "(none)" << "(none)";
        QTest::newRow("space") << "trailing " << "trailing ";
        QTest::newRow("hyphen") << "x-" << "x-";
        QTest::newRow("colon is 58") << "reason:" << "reason:.";
        QTest::newRow("carriage return") << "line\r" << "line\r";
        QTest::newRow("empty stays empty") << "" << "";
    }
    void fullStop()
    {
        QFETCH(QString, text);
        QFETCH(QString, shown);
        QCOMPARE(Messages::WithFullStop(text), shown);
    }

    // What each kind shows, read from the real boxes as they open and answered like a user.
    void boxesThroughResponder()
    {
        QList<Box> boxes;
        testsupport::SetResponder([&](const Box& b) {
            boxes << b;
            return b.caption == "삭제";
        });
        Messages::ShowError(QStringLiteral("unable to open database file\rSQL: select"));
        Messages::ShowPlain(QStringLiteral("DB 연결 실패."));
        Messages::ShowInformation(QStringLiteral("Test.db does not exist. Click Test Sqlite 3 to create it."));
        QVERIFY(Messages::AskYesNo(QStringLiteral("정말 삭제 하시  겠습니까?"), QStringLiteral("삭제")));
        QVERIFY(!Messages::AskYesNo(QStringLiteral("q"), QStringLiteral("other")));
        QVERIFY(OpenBox() == nullptr);

        QCOMPARE(boxes.size(), 5);
        QCOMPARE(boxes[0].kind, Box::Error);
        QCOMPARE(boxes[0].caption, QStringLiteral("test_messages"));
        QCOMPARE(boxes[0].text, QStringLiteral("unable to open database file\nSQL: select."));
        QCOMPARE(boxes[1].kind, Box::Plain);
        QCOMPARE(boxes[1].caption, QStringLiteral("test_messages"));
        QCOMPARE(boxes[1].text, QStringLiteral("DB 연결 실패."));
        QCOMPARE(boxes[2].kind, Box::Information);
        QCOMPARE(boxes[2].caption, QStringLiteral("Information"));
        QCOMPARE(boxes[3].kind, Box::Question);
        QCOMPARE(boxes[3].caption, QStringLiteral("삭제"));
        QCOMPARE(boxes[3].text, QStringLiteral("정말 삭제 하시  겠습니까?"));
    }

    // A box belongs to the window in front, the modal dialog that stays on top included, so it
    // stacks above it; its width leaves room for the whole caption.
    void ownerAndCaption()
    {
        QList<Box> boxes;
        int boxWidth = 0, captionWidth = 0;
        testsupport::SetResponder([&](const Box& b) {
            boxes << b;
            if (QMessageBox* box = OpenBox()) {
                boxWidth = box->width();
                QFont bold = box->font();
                bold.setBold(true);
                captionWidth = QFontMetrics(bold).horizontalAdvance(box->windowTitle());
            }
            return false;
        });
        QDialog dialog(nullptr, Qt::Dialog | Qt::WindowStaysOnTopHint);
        dialog.resize(200, 100);
        QTimer::singleShot(0, &dialog, [&] {
            Messages::ShowPlain(QStringLiteral("이름을 입력해주세요"));
            Messages::ShowInformation(QStringLiteral("x"));
            dialog.accept();
        });
        dialog.exec();
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes[0].owner.data(), static_cast<QWidget*>(&dialog));
        QCOMPARE(boxes[1].owner.data(), static_cast<QWidget*>(&dialog));
        QVERIFY(boxes[0].blocksOthers);
        QVERIFY2(boxWidth >= captionWidth + 100, qPrintable(QString("box %1, caption %2").arg(boxWidth).arg(captionWidth)));
    }

    // The guard shows the error's own text, keeps the handler's caller running, and leaves the
    // exception object's text untouched.
    void guardShowsErrorAndReturns()
    {
        QList<Box> boxes;
        testsupport::SetResponder([&](const Box& b) {
            boxes << b;
            return false;
        });
        QString kept;
        bool after = false;
        const bool ok = Guard([&] {
            try {
                throw ESQLiteException(QStringLiteral("first\rsecond"));
            } catch (const EError& e) {
                kept = e.Message();
                throw;
            }
            after = true;
        });
        QVERIFY(!ok);
        QVERIFY(!after);
        QCOMPARE(kept, QStringLiteral("first\rsecond"));
        QVERIFY(Guard([] { throw std::runtime_error("plain failure"); }) == false);
        QVERIFY(Guard([] {}));
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes[0].kind, Box::Error);
        QCOMPARE(boxes[0].text, QStringLiteral("first\nsecond."));
        QCOMPARE(boxes[1].text, QStringLiteral("plain failure."));
    }

    // The real boxes: caption, icon, one button, and the application-modal blocking.
    void realBoxes_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("icon");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("button");
        QTest::newRow("error") << int(Box::Error) << int(QMessageBox::Critical) << "test_messages" << "OK";
        QTest::newRow("plain") << int(Box::Plain) << int(QMessageBox::NoIcon) << "test_messages" << "OK";
        QTest::newRow("information") << int(Box::Information) << int(QMessageBox::Information) << "Information"
                                     << "OK";
    }
    void realBoxes()
    {
        QFETCH(int, kind);
        QFETCH(int, icon);
        QFETCH(QString, caption);
        QFETCH(QString, button);
        Seen seen;
        AnswerNextBox(seen, button);
        const QString text = QStringLiteral("<b>not markup</b>\rsecond line");
        if (kind == Box::Error)
            Messages::ShowError(text);
        else if (kind == Box::Plain)
            Messages::ShowPlain(text);
        else
            Messages::ShowInformation(text);
        QCOMPARE(int(seen.icon), icon);
        QCOMPARE(seen.caption, caption);
        QCOMPARE(seen.buttons, QStringList{button});
        QVERIFY(seen.appModal);
        QCOMPARE(seen.text, kind == Box::Error ? QStringLiteral("<b>not markup</b>\nsecond line.")
                                               : QStringLiteral("<b>not markup</b>\nsecond line"));
        QVERIFY(OpenBox() == nullptr);
    }

    // The real question: no owner, no icon, Yes and No, not modal; the caller waits for it.
    void realQuestion_data()
    {
        QTest::addColumn<QString>("press");
        QTest::addColumn<bool>("answer");
        QTest::newRow("yes") << "&Yes" << true;
        QTest::newRow("no") << "&No" << false;
    }
    void realQuestion()
    {
        QFETCH(QString, press);
        QFETCH(bool, answer);
        QWidget other;
        other.show();
        Seen seen;
        bool otherUsable = false;
        AnswerNextBox(seen, QString(press).remove(QLatin1Char('&')));
        // While the question is open another window takes input: nothing is modal.
        QTimer::singleShot(5, [&] { otherUsable = QApplication::activeModalWidget() == nullptr; });
        const bool result = Messages::AskYesNo(QStringLiteral("정말 삭제 하시  겠습니까?"), QStringLiteral("삭제"));
        QCOMPARE(result, answer);
        QCOMPARE(int(seen.icon), int(QMessageBox::NoIcon));
        QCOMPARE(seen.caption, QStringLiteral("삭제"));
        QCOMPARE(seen.text, QStringLiteral("정말 삭제 하시  겠습니까?"));
        QCOMPARE(seen.buttons.size(), 2);
        QVERIFY(!seen.hasParent);
        QCOMPARE(seen.modality, Qt::NonModal);
        QVERIFY(!seen.appModal);
        QVERIFY(otherUsable);
        QTRY_VERIFY(OpenBox() == nullptr);
    }

    // An application quitting while the question is open gives no Yes.
    void questionEndsWithTheApplication()
    {
        bool result = true;
        bool returned = false;
        QTimer::singleShot(0, [&] {
            result = Messages::AskYesNo(QStringLiteral("q"), QStringLiteral("삭제"));
            returned = true;
        });
        QTimer::singleShot(50, [] { QCoreApplication::quit(); });
        QCoreApplication::exec();
        QVERIFY(returned);
        QVERIFY(!result);
        QTRY_VERIFY(OpenBox() == nullptr);
    }
};

QTEST_MAIN(TestMessages)
#include "test_messages.moc"
