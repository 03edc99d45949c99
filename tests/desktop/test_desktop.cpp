// The real program, staged into a program folder, on a desktop with a window manager (Xvfb and
// openbox), seen from the X server: which window stacks above which, where the window manager
// put each window and how large it made it, and the pixels of a screenshot of the screen.
#include "pixels.h"
#include "xsession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <optional>

namespace {

// Runs a command, bounded in time; its standard output, or nothing when it failed.
std::optional<QString> Run(const QString& program, const QStringList& args, int timeoutMs = 15000)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(5000)) {
        qWarning("%s did not start", qPrintable(program));
        return {};
    }
    if (!p.waitForFinished(timeoutMs)) {
        qWarning("%s did not finish", qPrintable(program));
        p.kill();
        p.waitForFinished(1000);
        return {};
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        qWarning("%s %s: %s", qPrintable(program), qPrintable(args.join(QLatin1Char(' '))),
                 p.readAllStandardError().constData());
        return {};
    }
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

QString Output(const QString& program, const QStringList& args) { return Run(program, args).value_or(QString()); }

// Polls until the condition holds or the time is up.
template <class Condition>
bool WaitFor(Condition condition, int timeoutMs = 15000)
{
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        if (condition())
            return true;
        QTest::qWait(100);
    }
    return condition();
}

// The visible top-level window whose title is exactly name (no pattern characters), or 0.
qulonglong WindowNamed(const QString& name)
{
    // Nothing found is no failure here: xdotool then ends with 1.
    QProcess p;
    p.start(QStringLiteral("xdotool"), {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                        QStringLiteral("--name"), QLatin1Char('^') + name + QLatin1Char('$')});
    if (!p.waitForFinished(15000))
        return 0;
    const QString out = QString::fromLocal8Bit(p.readAllStandardOutput());
    const QStringList ids = out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return ids.isEmpty() ? 0 : ids.last().toULongLong();
}

// The client area on the screen, as the X server has it.
QRect Geometry(qulonglong window)
{
    const QString out = Output(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(window)});
    auto field = [&](const char* name) {
        const QRegularExpression re(QString::fromLatin1(name) + QStringLiteral(":\\s*(-?\\d+)"));
        return re.match(out).captured(1).toInt();
    };
    return {field("Absolute upper-left X"), field("Absolute upper-left Y"), field("Width"), field("Height")};
}

// The client windows from bottom to top, as the window manager stacks them.
QList<qulonglong> Stacking()
{
    const QString out = Output(QStringLiteral("xprop"), {QStringLiteral("-root"), QStringLiteral("_NET_CLIENT_LIST_STACKING")});
    QList<qulonglong> ids;
    const QRegularExpression hex(QStringLiteral("0x[0-9a-fA-F]+"));
    for (auto it = hex.globalMatch(out.section(QLatin1Char('#'), 1)); it.hasNext();)
        ids << it.next().captured(0).toULongLong(nullptr, 16);
    return ids;
}

bool Maximised(qulonglong window)
{
    const QString state = Output(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window),
                                                        QStringLiteral("_NET_WM_STATE")});
    return state.contains(QLatin1String("_NET_WM_STATE_MAXIMIZED_VERT")) &&
           state.contains(QLatin1String("_NET_WM_STATE_MAXIMIZED_HORZ"));
}

bool Wm(qulonglong window, const char* change)
{
    return Run(QStringLiteral("wmctrl"), {QStringLiteral("-i"), QStringLiteral("-r"), QString::number(window),
                                          QStringLiteral("-b"), QString::fromLatin1(change)})
        .has_value();
}

bool Xdo(const QStringList& args) { return Run(QStringLiteral("xdotool"), args).has_value(); }

// A left click at (x, y) of the window's client area.
bool ClickAt(qulonglong window, int x, int y)
{
    return Xdo({QStringLiteral("mousemove"), QStringLiteral("--window"), QString::number(window),
                QString::number(x), QString::number(y), QStringLiteral("click"), QStringLiteral("1")});
}


}  // namespace

class TestDesktop : public QObject {
    Q_OBJECT

    testsupport::PrivateDesktop desktop_;
    QTemporaryDir work_;
    QProcess program_;
    int shots_ = 0;

    // A program folder staged as the set-up does it.
    QString Stage(const QString& name)
    {
        const QString folder = work_.filePath(name);
        QProcess stage;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("BUILD_DIR"), QStringLiteral(BINARY_DIR));
        stage.setProcessEnvironment(env);
        stage.start(QStringLiteral("bash"), {QStringLiteral(SOURCE_DIR "/scripts/stage.sh"), folder});
        if (!stage.waitForFinished(120000) || stage.exitCode() != 0)
            return {};
        return folder;
    }

    bool Start(const QString& folder)
    {
        program_.setWorkingDirectory(folder);
        program_.setProcessChannelMode(QProcess::ForwardedChannels);
        program_.start(folder + QStringLiteral("/addressbook"), {});
        return program_.waitForStarted(10000);
    }

    void Stop()
    {
        if (program_.state() == QProcess::NotRunning)
            return;
        program_.terminate();
        if (!program_.waitForFinished(5000)) {
            program_.kill();
            program_.waitForFinished(5000);
        }
    }

    // The whole screen; also kept beside the build for a look.
    QImage Screenshot(const QString& name)
    {
        const QString path = work_.filePath(QStringLiteral("%1-%2.png").arg(++shots_).arg(name));
        if (!Run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), path}))
            return {};
        const QString kept = QStringLiteral(BINARY_DIR "/desktop-shots");
        QDir().mkpath(kept);
        QFile::remove(kept + QLatin1Char('/') + QFileInfo(path).fileName());
        QFile::copy(path, kept + QLatin1Char('/') + QFileInfo(path).fileName());
        return QImage(path);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(work_.isValid());
        if (!desktop_.Start(testsupport::PrivateDesktop::Input::NoBus))
            QSKIP(qPrintable(QStringLiteral("no desktop for the real program: ") + desktop_.Why()));
        for (const char* tool : {"xdotool", "xprop", "xwininfo", "wmctrl", "import"})
            QVERIFY2(!QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty(),
                     qPrintable(QStringLiteral("%1 is missing: run scripts/setup.sh").arg(QLatin1String(tool))));
    }

    void cleanup() { Stop(); }

    // Without address.db the splash window shows its failure text in red where it stands.
    void splashWithoutBook()
    {
        const QString folder = Stage(QStringLiteral("nobook"));
        QVERIFY(!folder.isEmpty());
        QVERIFY(QFile::remove(folder + QStringLiteral("/address.db")));
        QVERIFY(Start(folder));
        qulonglong splash = 0;
        QVERIFY(WaitFor([&] { return (splash = WindowNamed(QStringLiteral("Form3"))) != 0; }));
        const QRect box = Geometry(splash);
        QCOMPARE(box.size(), QSize(400, 301));
        // The text stands right of "로딩 중....", from (124, 208), above the bar.
        const QRect text(box.left() + 124, box.top() + 208, 186, 18);
        int red = 0;
        QImage shot;
        WaitFor([&] {
            shot = Screenshot(QStringLiteral("splash"));
            red = testsupport::CountPixelsNear(shot, text, QColor(255, 0, 0));
            return red >= 30;
        }, 8000);
        QVERIFY2(red >= 30, qPrintable(QStringLiteral("%1 red pixels where the failure text stands").arg(red)));
        // Pure red is drawn, not only something close to it.
        QVERIFY(testsupport::CountPixelsNear(shot, text, QColor(255, 0, 0)) > 0);
        bool pure = false;
        for (int y = text.top(); y <= text.bottom() && !pure; ++y)
            for (int x = text.left(); x <= text.right() && !pure; ++x)
                pure = QColor(shot.pixel(x, y)) == QColor(255, 0, 0);
        QVERIFY2(pure, "no pixel of RGB(255, 0, 0) in the failure text");
    }

    // The main window opens maximised, restores to its 786 x 580 client area, does not keep a
    // size given by dragging, and maximises again.
    void mainWindowMaximisesAgain()
    {
        const QString folder = Stage(QStringLiteral("book"));
        QVERIFY(!folder.isEmpty());
        QVERIFY(Start(folder));
        qulonglong main = 0;
        QVERIFY(WaitFor([&] { return (main = WindowNamed(QStringLiteral("주소록"))) != 0; }));
        QVERIFY(WaitFor([&] { return Maximised(main) && Geometry(main).width() > 1000; }));
        Screenshot(QStringLiteral("maximised"));

        QVERIFY(Wm(main, "remove,maximized_vert,maximized_horz"));
        QVERIFY(WaitFor([&] { return !Maximised(main) && Geometry(main).size() == QSize(786, 580); }));
        Screenshot(QStringLiteral("restored"));

        // As a drag on the border would: the window manager asks for another size.
        QVERIFY(Xdo({QStringLiteral("windowsize"), QString::number(main), QStringLiteral("900"), QStringLiteral("700")}));
        QTest::qWait(500);
        QVERIFY(WaitFor([&] { return Geometry(main).size() == QSize(786, 580); }));

        QVERIFY(Wm(main, "add,maximized_vert,maximized_horz"));
        QVERIFY2(WaitFor([&] { return Maximised(main) && Geometry(main).width() > 1000; }),
                 qPrintable(QStringLiteral("after a restore the window is %1 x %2")
                                .arg(Geometry(main).width()).arg(Geometry(main).height())));
        Screenshot(QStringLiteral("maximised-again"));
        QVERIFY(Wm(main, "remove,maximized_vert,maximized_horz"));
        QVERIFY(WaitFor([&] { return !Maximised(main) && Geometry(main).size() == QSize(786, 580); }));
    }

    // "등록" with an empty name: the box stacks above the entry dialog, which stays on top, and
    // Enter answers it; the dialog then takes the name typed.
    void emptyNameBoxAboveEntryDialog()
    {
        const QString folder = Stage(QStringLiteral("entry"));
        QVERIFY(!folder.isEmpty());
        QVERIFY(Start(folder));
        qulonglong main = 0;
        QVERIFY(WaitFor([&] { return (main = WindowNamed(QStringLiteral("주소록"))) != 0; }));
        QVERIFY(WaitFor([&] { return Maximised(main); }));
        QTest::qWait(300);

        // The new-entry picture: the toolbar lies below the 65-pixel title band.
        QVERIFY(ClickAt(main, 58, 65 + 30));
        qulonglong dialog = 0;
        QVERIFY(WaitFor([&] { return (dialog = WindowNamed(QStringLiteral("신규 등록"))) != 0; }));
        QCOMPARE(Geometry(dialog).size(), QSize(385, 444));
        QTest::qWait(300);

        QVERIFY(ClickAt(dialog, 149 + 45, 388 + 20));  // 등록
        qulonglong box = 0;
        QVERIFY(WaitFor([&] { return (box = WindowNamed(QStringLiteral("addressbook"))) != 0; }));
        QTest::qWait(300);
        const QList<qulonglong> order = Stacking();
        QVERIFY2(order.contains(box) && order.contains(dialog) && order.indexOf(box) > order.indexOf(dialog),
                 "the box is not stacked above the entry dialog");
        // On the screen the box covers the dialog where they overlap: the box's own face, no
        // gradient blue.
        const QImage shot = Screenshot(QStringLiteral("empty-name-box"));
        const QRect boxArea = Geometry(box);
        const QRect overlap = boxArea.intersected(Geometry(dialog)).adjusted(4, 4, -4, -4);
        QVERIFY(!overlap.isEmpty());
        const int blue = testsupport::CountPixelsNear(shot, overlap, QColor(35, 120, 170));
        QVERIFY2(blue * 20 < overlap.width() * overlap.height(),
                 qPrintable(QStringLiteral("%1 gradient pixels show through the box").arg(blue)));

        QVERIFY(Xdo({QStringLiteral("key"), QStringLiteral("Return")}));
        QVERIFY(WaitFor([&] { return WindowNamed(QStringLiteral("addressbook")) == 0; }, 5000));
        QVERIFY(WindowNamed(QStringLiteral("신규 등록")) != 0);

        // The focus is back in the name field: typing a name and saving closes the dialog.
        QVERIFY(Xdo({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("30"), QStringLiteral("Kim")}));
        QVERIFY(ClickAt(dialog, 149 + 45, 388 + 20));
        QVERIFY(WaitFor([&] { return WindowNamed(QStringLiteral("신규 등록")) == 0; }, 5000));
        Screenshot(QStringLiteral("saved"));
    }
};

QTEST_GUILESS_MAIN(TestDesktop)
#include "test_desktop.moc"
