// Hangul fields under a real input method framework: fcitx5 with its Hangul engine on a private
// X server and session bus, keys typed through the X server as a 2-set keyboard sends them.
#include "add.h"
#include "address.h"
#include "forms.h"
#include "start.h"
#include "store/address_store.h"
#include "store/paths.h"
#include "store/zipcode_directory.h"
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
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>
#include <vector>

using testsupport::ClickOn;
using testsupport::PressKey;
using testsupport::TypeKeys;

namespace {

// 김철수 on a 2-set keyboard: ㄱ r, ㅣ l, ㅁ a, ㅊ c, ㅓ j, ㄹ f, ㅅ t, ㅜ n.
const QString kKimCheolsuKeys = QStringLiteral("rlacjftn");
const QString kKimCheolsu = QStringLiteral("김철수");
// 역삼: ㅇ d, ㅕ u, ㄱ r, ㅅ t, ㅏ k, ㅁ a.
const QString kYeoksamKeys = QStringLiteral("durtka");

// Which framework runs: fcitx5, or IBus (argument --ibus).
bool g_ibus = false;

QString kLatin = QStringLiteral("keyboard-us");
const QString kHangul = QStringLiteral("hangul");

QDBusMessage Controller(const QString& method, const QVariantList& args = {})
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.fcitx.Fcitx5"), QStringLiteral("/controller"),
        QStringLiteral("org.fcitx.Fcitx.Controller1"), method);
    call.setArguments(args);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 2000);
}

// IBus's own bus, from the one address file that the private daemon writes.
QDBusConnection IBusBus()
{
    QDBusConnection bus(QStringLiteral("test-ibus"));
    if (bus.isConnected())
        return bus;
    const QDir dir(qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/ibus/bus"));
    for (const QString& name : dir.entryList(QDir::Files)) {
        QFile f(dir.filePath(name));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        for (const QByteArray& line : f.readAll().split('\n'))
            if (line.startsWith("IBUS_ADDRESS="))
                return QDBusConnection::connectToBus(QString::fromLocal8Bit(line.mid(13)),
                                                     QStringLiteral("test-ibus"));
    }
    return bus;
}

QDBusMessage IBus(const QString& method, const QVariantList& args = {})
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.IBus"), QStringLiteral("/org/freedesktop/IBus"),
        QStringLiteral("org.freedesktop.IBus"), method);
    call.setArguments(args);
    return IBusBus().call(call, QDBus::Block, 2000);
}

// The input method of the input context that has the focus, as the framework's indicator shows it.
QString CurrentInputMethod()
{
    if (g_ibus) {
        const QDBusMessage reply = IBus(QStringLiteral("GetGlobalEngine"));
        if (reply.arguments().isEmpty())
            return {};
        const QDBusArgument description =
            qvariant_cast<QDBusArgument>(qvariant_cast<QDBusVariant>(reply.arguments().first()).variant());
        QString typeName, name;
        QVariantMap attachments;
        description.beginStructure();
        description >> typeName >> attachments >> name;
        return name;
    }
    const QDBusMessage reply = Controller(QStringLiteral("CurrentInputMethod"));
    return reply.arguments().isEmpty() ? QString() : reply.arguments().first().toString();
}

// The desktop the tests run on, for its logs.
testsupport::PrivateDesktop* g_desktop = nullptr;

bool WaitForInputMethod(const QString& name)
{
    for (int i = 0; i < 200; ++i) {
        if (CurrentInputMethod() == name)
            return true;
        QTest::qWait(50);
    }
    qWarning("the input method is '%s', not '%s'; the framework's log:\n%s",
             qPrintable(CurrentInputMethod()), qPrintable(name),
             qPrintable(g_desktop->Log(g_ibus ? QStringLiteral("ibus.log") : QStringLiteral("fcitx5.log"))));
    return false;
}

// The user switches the focused window to Latin input.
bool SwitchToLatin()
{
    if (g_ibus)
        IBus(QStringLiteral("SetGlobalEngine"), {kLatin});
    else
        Controller(QStringLiteral("Deactivate"));
    return WaitForInputMethod(kLatin);
}

}  // namespace

class TestHangulInput : public QObject {
    Q_OBJECT

public:
    TestHangulInput(testsupport::PrivateDesktop* desktop, bool up) : desktop_(desktop), up_(up) {}

private:
    testsupport::PrivateDesktop* desktop_;
    bool up_;
    QTemporaryDir dir_;
    QString book_;

private slots:
    void initTestCase()
    {
        if (!up_ && desktop_->MaySkip())
            QSKIP(qPrintable(desktop_->Why()));
        QVERIFY2(up_, qPrintable(desktop_->Why()));
        // The framework takes a moment to come up on its bus.
        if (g_ibus) {
            QTRY_VERIFY2_WITH_TIMEOUT(IBusBus().isConnected() && IBusBus().interface() &&
                                          IBusBus().interface()->isServiceRegistered(
                                              QStringLiteral("org.freedesktop.IBus")),
                                      qPrintable(desktop_->Log(QStringLiteral("ibus.log"))), 20000);
        } else {
            QDBusConnectionInterface* bus = QDBusConnection::sessionBus().interface();
            QVERIFY(bus);
            QTRY_VERIFY2_WITH_TIMEOUT(bus->isServiceRegistered(QStringLiteral("org.fcitx.Fcitx5")),
                                      qPrintable(desktop_->Log(QStringLiteral("fcitx5.log"))), 20000);
        }

        QVERIFY(dir_.isValid());
        SetExeFolder(dir_.path());
        book_ = dir_.filePath(QStringLiteral("address.db"));
        testsupport::MakeBook(book_, {{QStringLiteral("친구"), QStringLiteral("홍길동"),
                                       QStringLiteral("02-123-4567"), QString(), QString(),
                                       QString(), QString()}});
        SetDatabasePath(book_);
        testsupport::Exec(
            dir_.filePath(QStringLiteral("zipcode.db")),
            QStringLiteral("CREATE TABLE zipcode (zipcode TEXT, sido TEXT, gugun TEXT, dong TEXT,"
                           " ri TEXT, bldg TEXT, bunji TEXT);"
                           "INSERT INTO zipcode VALUES ('135-080','서울특별시','강남구','역삼1동','','','600~700');"));
        QVERIFY(testsupport::OpenProgramWindows());
    }

    void cleanupTestCase()
    {
        if (!up_)
            return;
        testsupport::CloseProgramWindows();
    }

    // keyword, cb2 and cb ask for Hangul; leaving them for another control gives back Latin.
    void mainWindowBoxesAskForHangulAndGiveTheModeBack()
    {
        QVERIFY(ClickOn(Form1->grid->viewport()));
        QTRY_VERIFY(Form1->grid->hasFocus());
        QVERIFY(SwitchToLatin());

        QVERIFY(ClickOn(Form1->keyword));
        QTRY_VERIFY(Form1->keyword->hasFocus());
        QVERIFY(WaitForInputMethod(kHangul));
        QVERIFY(TypeKeys(kKimCheolsuKeys));
        QVERIFY(PressKey(QStringLiteral("Tab")));  // on to the search button
        QTRY_COMPARE(Form1->keyword->text(), kKimCheolsu);
        QTRY_VERIFY(Form1->Button1->hasFocus());
        QVERIFY(WaitForInputMethod(kLatin));

        // From box to box the mode stays Hangul; out of the last one it goes back.
        QVERIFY(PressKey(QStringLiteral("Tab")));
        QTRY_VERIFY(Form1->cb2->hasFocus());
        QVERIFY(WaitForInputMethod(kHangul));
        QVERIFY(PressKey(QStringLiteral("Tab")));
        QTRY_VERIFY(Form1->cb->hasFocus());
        QTest::qWait(300);
        QCOMPARE(CurrentInputMethod(), kHangul);
        QVERIFY(PressKey(QStringLiteral("Tab")));
        QTRY_VERIFY(Form1->grid->hasFocus());
        QVERIFY(WaitForInputMethod(kLatin));
    }

    // Under IBus the engine follows the fields: Hangul in the search boxes and back to the
    // keyboard after them; Hangul in the entry dialog's name, kept in the telephone field.
    void ibusEngineFollowsTheFields()
    {
        QVERIFY(ClickOn(Form1->grid->viewport()));
        QTRY_VERIFY(Form1->grid->hasFocus());
        QVERIFY(SwitchToLatin());
        QVERIFY(ClickOn(Form1->keyword));
        QTRY_VERIFY(Form1->keyword->hasFocus());
        QVERIFY(WaitForInputMethod(kHangul));
        QVERIFY(PressKey(QStringLiteral("Tab")));
        QTRY_VERIFY(Form1->Button1->hasFocus());
        QVERIFY(WaitForInputMethod(kLatin));

        QString afterName, inTel;
        QVERIFY(testsupport::WhileEntryDialogShown([] { Form2->OpenForNew(); }, [&] {
            QVERIFY(ClickOn(Form2->tel));
            QTRY_VERIFY(Form2->tel->hasFocus());
            QVERIFY(SwitchToLatin());
            QVERIFY(ClickOn(Form2->names));
            QTRY_VERIFY(Form2->names->hasFocus());
            QVERIFY(WaitForInputMethod(kHangul));
            afterName = CurrentInputMethod();
            QVERIFY(ClickOn(Form2->tel));
            QTRY_VERIFY(Form2->tel->hasFocus());
            QTest::qWait(300);
            inTel = CurrentInputMethod();
        }));
        QCOMPARE(afterName, kHangul);
        QCOMPARE(inTel, kHangul);
    }

    // The name after a Latin field comes out in Hangul; the telephone field asks for nothing.
    void entryDialogNameAfterALatinField()
    {
        QString latinTel, name, digitsTel;
        QVERIFY(testsupport::WhileEntryDialogShown([] { Form2->OpenForNew(); }, [&] {
            QVERIFY(ClickOn(Form2->tel));
            QTRY_VERIFY(Form2->tel->hasFocus());
            QVERIFY(SwitchToLatin());
            QVERIFY(TypeKeys(QStringLiteral("tel 010")));
            QTRY_COMPARE(Form2->tel->text(), QStringLiteral("tel 010"));
            latinTel = Form2->tel->text();
            QCOMPARE(CurrentInputMethod(), kLatin);

            QVERIFY(ClickOn(Form2->names));
            QTRY_VERIFY(Form2->names->hasFocus());
            QVERIFY(WaitForInputMethod(kHangul));
            QVERIFY(TypeKeys(kKimCheolsuKeys));
            // Tab commits the last syllable and selects the telephone number.
            QVERIFY(PressKey(QStringLiteral("Tab")));
            QTRY_COMPARE(Form2->names->text(), kKimCheolsu);
            name = Form2->names->text();
            QTRY_VERIFY(Form2->tel->hasFocus());
            // Digits and hyphens come through as typed, whatever the mode.
            QVERIFY(TypeKeys(QStringLiteral("02-555-0101")));
            QTRY_COMPARE(Form2->tel->text(), QStringLiteral("02-555-0101"));
            digitsTel = Form2->tel->text();
        }));
        QCOMPARE(latinTel, QStringLiteral("tel 010"));
        QCOMPARE(name, kKimCheolsu);
        QCOMPARE(digitsTel, QStringLiteral("02-555-0101"));
    }

    // The search window's keyword asks for Hangul; after "확인" the second address line does too,
    // and the syllable still in composition is part of what "등록" saves.
    void secondAddressLineAfterPostalSearch()
    {
        QString keyword, add1, add2;
        int found = 0;
        QVERIFY(testsupport::WhileEntryDialogShown([] { Form2->OpenForNew(); }, [&] {
            Form2->names->setText(QStringLiteral("이순신"));
            QVERIFY(ClickOn(Form2->zip));
            QTRY_VERIFY(Form2->zip->hasFocus());
            QVERIFY(SwitchToLatin());

            QVERIFY(ClickOn(Form2->Button4));  // 우편번호검색
            QTRY_VERIFY(Form5->isVisible());
            QVERIFY(QTest::qWaitForWindowActive(Form5));
            QTRY_VERIFY(Form5->keyword->hasFocus());
            QVERIFY(WaitForInputMethod(kHangul));
            QVERIFY(TypeKeys(kYeoksamKeys));
            QVERIFY(PressKey(QStringLiteral("Return")));  // commits, then searches
            QTRY_COMPARE(Form5->keyword->text(), QStringLiteral("역삼"));
            keyword = Form5->keyword->text();
            QTRY_COMPARE(Form5->model->RowCount(), 2);
            found = Form5->model->Cell(1, 1) == QStringLiteral("135-080");

            QVERIFY(ClickOn(Form5->Button1));  // 확인
            QTRY_VERIFY(!Form5->isVisible());
            QVERIFY(QTest::qWaitForWindowActive(Form2));
            QTRY_VERIFY(Form2->add2->hasFocus());
            QVERIFY(WaitForInputMethod(kHangul));
            QVERIFY(TypeKeys(kKimCheolsuKeys));
            add1 = Form2->add1->text();
            // "수" is still being composed when the button is pressed.
            QVERIFY(ClickOn(Form2->Button1));  // 등록
            QTRY_VERIFY(!Form2->isVisible());
            add2 = Form2->add2->text();
        }));
        QCOMPARE(keyword, QStringLiteral("역삼"));
        QVERIFY(found);
        QCOMPARE(add1, ZipcodeDirectory::FullAddress(ZipcodeDirectory::FindByZipcode(QStringLiteral("135-080")).at(0)));
        QCOMPARE(add2, kKimCheolsu);
        // What was saved holds the whole last syllable.
        const AddressList saved = AddressStore::ListAll();
        QCOMPARE(saved.size(), 2);
        QCOMPARE(saved.at(1).name, QStringLiteral("이순신"));
        QCOMPARE(saved.at(1).address2, kKimCheolsu);
    }
};

int main(int argc, char** argv)
{
    std::vector<char*> args = testsupport::WithoutFlag(argc, argv, "--ibus", &g_ibus);
    // Each framework has its own cases, unless the command line names some.
    static QByteArray cases[] = {"ibusEngineFollowsTheFields", "mainWindowBoxesAskForHangulAndGiveTheModeBack",
                                 "entryDialogNameAfterALatinField", "secondAddressLineAfterPostalSearch"};
    if (args.size() == 1) {
        if (g_ibus)
            args.push_back(cases[0].data());
        else
            for (size_t i = 1; i < std::size(cases); ++i)
                args.push_back(cases[i].data());
    }
    if (g_ibus)
        kLatin = QStringLiteral("xkb:us::eng");
    testsupport::PrivateDesktop desktop;
    g_desktop = &desktop;
    using Input = testsupport::PrivateDesktop::Input;
    return testsupport::RunOnDesktop<TestHangulInput>(desktop, g_ibus ? Input::IBus : Input::Fcitx5,
                                                      std::move(args));
}

#include "test_hangul_input.moc"
