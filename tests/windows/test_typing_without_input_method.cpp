// Typing into every window where no input method framework runs: the Hangul fields' requests go
// nowhere and the keys arrive as typed. Run once without any session bus and once with a bus on
// which no framework answers (argument --with-bus).
#include "add.h"
#include "address.h"
#include "forms.h"
#include "start.h"
#include "store/address_store.h"
#include "store/paths.h"
#include "ui/controls.h"
#include "ui/string_grid.h"
#include "ui/fonts.h"
#include "ui/messages.h"
#include "zipcode.h"

#include "testsupport.h"
#include "windowsupport.h"
#include "xsession.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>

using testsupport::ClickOn;
using testsupport::PressKey;
using testsupport::TypeKeys;

class TestTypingWithoutInputMethod : public QObject {
    Q_OBJECT

public:
    TestTypingWithoutInputMethod(testsupport::PrivateDesktop* desktop, bool up)
        : desktop_(desktop), up_(up) {}

private:
    testsupport::PrivateDesktop* desktop_;
    bool up_;
    QTemporaryDir dir_;

private slots:
    void initTestCase()
    {
        if (!up_ && desktop_->MaySkip())
            QSKIP(qPrintable(desktop_->Why()));
        QVERIFY2(up_, qPrintable(desktop_->Why()));
        QVERIFY(dir_.isValid());
        SetExeFolder(dir_.path());
        const QString book = dir_.filePath(QStringLiteral("address.db"));
        testsupport::MakeBook(book);
        SetDatabasePath(book);
        testsupport::Exec(dir_.filePath(QStringLiteral("zipcode.db")),
                          QStringLiteral("CREATE TABLE zipcode (zipcode TEXT, sido TEXT, gugun TEXT,"
                                         " dong TEXT, ri TEXT, bldg TEXT, bunji TEXT);"
                                         "INSERT INTO zipcode VALUES ('135-080','Seoul','Gangnam',"
                                         "'Yeoksam','','','1~99');"));
        QVERIFY(testsupport::OpenProgramWindows());
    }

    void cleanupTestCase()
    {
        if (!up_)
            return;
        testsupport::CloseProgramWindows();
    }

    void mainWindowSearchBoxes()
    {
        QVERIFY(ClickOn(Form1->keyword));
        QTRY_VERIFY(Form1->keyword->hasFocus());
        QVERIFY(TypeKeys(QStringLiteral("Kim 02")));
        QTRY_COMPARE(Form1->keyword->text(), QStringLiteral("Kim 02"));
        // Through every search box and out again.
        for (int i = 0; i < 3; ++i)
            QVERIFY(PressKey(QStringLiteral("Tab")));
        QTRY_VERIFY(Form1->cb->hasFocus());
        QVERIFY(TypeKeys(QStringLiteral("family")));
        QTRY_COMPARE(Form1->cb->currentText(), QStringLiteral("family"));
        QVERIFY(PressKey(QStringLiteral("Tab")));
        QTRY_VERIFY(Form1->grid->hasFocus());
    }

    void entryDialogAndPostalSearch()
    {
        QString name, tel, keyword, add2;
        QVERIFY(testsupport::WhileEntryDialogShown([] { Form2->OpenForNew(); }, [&] {
            QTRY_VERIFY(Form2->units->hasFocus());
            QVERIFY(TypeKeys(QStringLiteral("work")));
            QVERIFY(PressKey(QStringLiteral("Tab")));
            QTRY_VERIFY(Form2->names->hasFocus());
            QVERIFY(TypeKeys(QStringLiteral("Kim Cheolsu")));
            QVERIFY(PressKey(QStringLiteral("Tab")));
            QTRY_VERIFY(Form2->tel->hasFocus());
            QVERIFY(TypeKeys(QStringLiteral("02-555-0101")));
            QTRY_COMPARE(Form2->tel->text(), QStringLiteral("02-555-0101"));
            name = Form2->names->text();
            tel = Form2->tel->text();

            QVERIFY(ClickOn(Form2->Button4));  // 우편번호검색
            QTRY_VERIFY(Form5->isVisible());
            QTRY_VERIFY(Form5->keyword->hasFocus());
            QVERIFY(TypeKeys(QStringLiteral("Yeok")));
            QVERIFY(PressKey(QStringLiteral("Return")));
            QTRY_COMPARE(Form5->model->Cell(1, 1), QStringLiteral("135-080"));
            keyword = Form5->keyword->text();
            QVERIFY(ClickOn(Form5->Button1));  // 확인
            QTRY_VERIFY(Form2->add2->hasFocus());
            QVERIFY(TypeKeys(QStringLiteral("2F")));
            QTRY_COMPARE(Form2->add2->text(), QStringLiteral("2F"));
            add2 = Form2->add2->text();
            QVERIFY(ClickOn(Form2->Button1));  // 등록
            QTRY_VERIFY(!Form2->isVisible());
        }));
        QCOMPARE(name, QStringLiteral("Kim Cheolsu"));
        QCOMPARE(tel, QStringLiteral("02-555-0101"));
        QCOMPARE(keyword, QStringLiteral("Yeok"));
        QCOMPARE(add2, QStringLiteral("2F"));
        const AddressList saved = AddressStore::ListAll();
        QCOMPARE(saved.size(), 1);
        QCOMPARE(saved.at(0).unit, QStringLiteral("work"));
        QCOMPARE(saved.at(0).name, QStringLiteral("Kim Cheolsu"));
        QCOMPARE(saved.at(0).zip, QStringLiteral("135-080"));
        QCOMPARE(saved.at(0).address2, QStringLiteral("2F"));
    }
};

int main(int argc, char** argv)
{
    bool withBus = false;
    std::vector<char*> args = testsupport::WithoutFlag(argc, argv, "--with-bus", &withBus);
    testsupport::PrivateDesktop desktop;
    using Input = testsupport::PrivateDesktop::Input;
    return testsupport::RunOnDesktop<TestTypingWithoutInputMethod>(
        desktop, withBus ? Input::BusOnly : Input::NoBus, std::move(args));
}

#include "test_typing_without_input_method.moc"
