#pragma once
// A private desktop for tests that type real keys: an X server (Xvfb), optionally a session bus
// and the fcitx5 input method framework with its Hangul engine. Started before the application
// object exists, so that Qt connects to them; every process is ended when the desktop goes, and
// also when the test process dies.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace testsupport {

class PrivateDesktop {
public:
    enum class Input {
        NoBus,      // no session bus at all
        BusOnly,    // a session bus with no input method framework on it (Qt set up for fcitx)
        Fcitx5,     // fcitx5 with its Hangul engine, Latin keyboard first
        IBus,       // ibus-daemon with ibus-hangul, no engine chosen yet
    };

    // Starts everything; on failure Why() says what could not start. The environment of this
    // process is set for Qt: DISPLAY, the bus address (a dead one without a bus), the platform
    // and input method module, a private configuration folder.
    bool Start(Input input)
    {
        if (!dir_.isValid())
            return Fail(QStringLiteral("no temporary folder"));
        const QByteArray display = Spawn({"Xvfb", "-displayfd", "%FD", "-screen", "0", "1280x1024x24",
                                          "-nolisten", "tcp"},
                                         QStringLiteral("xvfb.log"), 20000);
        if (display.isEmpty())
            return Fail(QStringLiteral("no X server could be started (Xvfb)"), true);
        setenv("DISPLAY", (":" + display).constData(), 1);
        // A window manager, as on a desktop: it activates the windows that ask for it.
        if (Spawn({"openbox", "--sm-disable"}, QStringLiteral("openbox.log"), 0).isNull())
            return Fail(QStringLiteral("openbox could not be started"));
        ::usleep(300000);
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        const QByteArray config = QFile::encodeName(dir_.filePath(QStringLiteral("config")));
        setenv("XDG_CONFIG_HOME", config.constData(), 1);
        setenv("XDG_DATA_HOME", QFile::encodeName(dir_.filePath(QStringLiteral("data"))).constData(), 1);
        // The frameworks keep caches there (IBus its engine registry): nothing shared with
        // another run.
        setenv("XDG_CACHE_HOME", QFile::encodeName(dir_.filePath(QStringLiteral("cache"))).constData(), 1);
        unsetenv("XMODIFIERS");
        unsetenv("IBUS_ADDRESS");
        setenv("QT_IM_MODULE", "", 1);
        if (input == Input::NoBus) {
            // No session bus at all: an address where nothing listens, so that nothing is
            // launched in its place either.
            setenv("DBUS_SESSION_BUS_ADDRESS",
                   ("unix:path=" + QFile::encodeName(dir_.filePath(QStringLiteral("no-bus")))).constData(), 1);
            return true;
        }
        const QByteArray bus = Spawn({"dbus-daemon", "--session", "--nofork", "--print-address=%FD",
                                      "--address=unix:path=" +
                                          QFile::encodeName(dir_.filePath(QStringLiteral("bus")))},
                                     QStringLiteral("dbus.log"), 20000);
        if (bus.isEmpty())
            return Fail(QStringLiteral("no D-Bus session could be started (dbus-daemon)"), true);
        setenv("DBUS_SESSION_BUS_ADDRESS", bus.constData(), 1);
        if (input == Input::BusOnly) {
            // Qt is set up for fcitx, which is not running: the common left-over of a desktop
            // where the framework was removed or has not started.
            setenv("QT_IM_MODULE", "fcitx", 1);
            return true;
        }
        if (input == Input::IBus) {
            setenv("QT_IM_MODULE", "ibus", 1);
            if (Spawn({"ibus-daemon", "--panel=disable", "--xim=false"}, QStringLiteral("ibus.log"), 0)
                    .isNull())
                return Fail(QStringLiteral("ibus-daemon could not be started"));
            return true;
        }
        // Latin keyboard first, Hangul second: the framework starts in Latin mode.
        QDir().mkpath(QString::fromLocal8Bit(config) + QStringLiteral("/fcitx5"));
        QFile profile(QString::fromLocal8Bit(config) + QStringLiteral("/fcitx5/profile"));
        if (!profile.open(QIODevice::WriteOnly))
            return Fail(QStringLiteral("cannot write the fcitx5 profile"));
        profile.write("[Groups/0]\nName=Default\nDefault Layout=us\nDefaultIM=hangul\n\n"
                      "[Groups/0/Items/0]\nName=keyboard-us\nLayout=\n\n"
                      "[Groups/0/Items/1]\nName=hangul\nLayout=\n\n"
                      "[GroupOrder]\n0=Default\n");
        profile.close();
        setenv("QT_IM_MODULE", "fcitx", 1);
        if (Spawn({"fcitx5", "--disable=wayland"}, QStringLiteral("fcitx5.log"), 0).isNull())
            return Fail(QStringLiteral("fcitx5 could not be started"));
        return true;
    }

    QString Why() const { return why_; }
    // Only a missing X server or session bus excuses a test; anything else is a fault of the
    // set-up.
    bool MaySkip() const { return maySkip_; }
    QString Log(const QString& name) const
    {
        QFile f(dir_.filePath(name));
        return f.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(f.readAll()) : QString();
    }

    ~PrivateDesktop()
    {
        // The last started first: fcitx5 and the bus before the X server they use.
        for (auto it = pids_.rbegin(); it != pids_.rend(); ++it) {
            ::kill(*it, SIGTERM);
            for (int i = 0; i < 100 && ::waitpid(*it, nullptr, WNOHANG) == 0; ++i)
                ::usleep(20000);
            if (::waitpid(*it, nullptr, WNOHANG) == 0) {
                ::kill(*it, SIGKILL);
                ::waitpid(*it, nullptr, 0);
            }
        }
    }

private:
    bool Fail(const QString& why, bool maySkip = false)
    {
        why_ = why;
        maySkip_ = maySkip;
        return false;
    }

    // Starts a program with its output in a log file. "%FD" in an argument is replaced by the
    // number of a pipe on which the program reports when it is ready; then the first line it
    // writes there is returned (empty when it wrote none within waitMs). Without "%FD" a
    // non-null empty text tells that the program started.
    QByteArray Spawn(std::vector<QByteArray> args, const QString& log, int waitMs)
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return {};
        for (QByteArray& a : args)
            a.replace("%FD", QByteArray::number(fds[1]));
        const QByteArray logPath = QFile::encodeName(dir_.filePath(log));
        const pid_t pid = ::fork();
        if (pid < 0)
            return {};
        if (pid == 0) {
            // Ends with the test, however the test ends.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            ::close(fds[0]);
            const int out = ::open(logPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (out >= 0) {
                ::dup2(out, 1);
                ::dup2(out, 2);
            }
            std::vector<char*> argv;
            for (QByteArray& a : args)
                argv.push_back(a.data());
            argv.push_back(nullptr);
            ::execvp(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        pids_.push_back(pid);
        QByteArray line;
        if (waitMs > 0) {
            pollfd p{fds[0], POLLIN, 0};
            int left = waitMs;
            while (left > 0 && !line.contains('\n')) {
                if (::poll(&p, 1, 100) > 0) {
                    char buf[256];
                    const ssize_t n = ::read(fds[0], buf, sizeof buf);
                    if (n <= 0)
                        break;
                    line.append(buf, n);
                }
                left -= 100;
            }
            line = line.left(line.indexOf('\n')).trimmed();
        } else {
            line = QByteArray("");
            ::usleep(50000);
            if (::waitpid(pid, nullptr, WNOHANG) == pid) {
                line = QByteArray();  // ended at once: not installed or broken
                pids_.pop_back();
            }
        }
        ::close(fds[0]);
        return line;
    }

    QTemporaryDir dir_;
    QString why_;
    bool maySkip_ = false;
    std::vector<pid_t> pids_;
};

}  // namespace testsupport

// ---- Real input through the X server (xdotool), for a desktop started above ---------------------
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTest>
#include <QWidget>

namespace testsupport {

// Runs xdotool with the arguments while the application goes on handling its events.
inline bool XdoTool(const QStringList& args)
{
    QProcess xdo;
    xdo.start(QStringLiteral("xdotool"), args);
    if (!xdo.waitForStarted(5000))
        return false;
    QElapsedTimer clock;
    clock.start();
    while (xdo.state() != QProcess::NotRunning && clock.elapsed() < 20000)
        QTest::qWait(10);
    if (xdo.state() != QProcess::NotRunning) {
        xdo.kill();
        xdo.waitForFinished(1000);
        return false;
    }
    return xdo.exitStatus() == QProcess::NormalExit && xdo.exitCode() == 0;
}

// A left click in the middle of the widget, with the X pointer.
inline bool ClickOn(const QWidget* widget)
{
    const QPoint p = widget->mapToGlobal(widget->rect().center());
    return XdoTool({QStringLiteral("mousemove"), QStringLiteral("--sync"), QString::number(p.x()),
                    QString::number(p.y()), QStringLiteral("click"), QStringLiteral("1")});
}

// Types the text key by key, as the keyboard would.
inline bool TypeKeys(const QString& keys)
{
    return XdoTool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("40"), keys});
}

inline bool PressKey(const QString& key)
{
    return XdoTool({QStringLiteral("key"), key});
}

// The command line without `flag`; `found` tells whether it was there.
inline std::vector<char*> WithoutFlag(int argc, char** argv, const char* flag, bool* found)
{
    std::vector<char*> args;
    *found = false;
    for (int i = 0; i < argc; ++i) {
        if (QByteArray(argv[i]) == flag)
            *found = true;
        else
            args.push_back(argv[i]);
    }
    return args;
}

// Runs the test class (constructed from the desktop and whether it came up) on a private
// desktop with the given input; off any screen when the desktop cannot start, where the test
// skips.
template <class Test>
int RunOnDesktop(PrivateDesktop& desktop, PrivateDesktop::Input input, std::vector<char*> args)
{
    const bool up = desktop.Start(input);
    if (!up)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    int count = int(args.size());
    args.push_back(nullptr);
    QApplication app(count, args.data());
    Test test(&desktop, up);
    return QTest::qExec(&test, count, args.data());
}

}  // namespace testsupport
