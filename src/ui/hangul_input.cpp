#include "ui/hangul_input.h"

#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QGuiApplication>
#include <QHash>
#include <QPointer>
#include <QSet>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>
#include <cerrno>
#include <functional>
#include <signal.h>

namespace HangulInput {
namespace {

// The name of the Hangul input method in fcitx5 (fcitx5-hangul) and of the engine in IBus
// (ibus-hangul).
const QString kHangul = QStringLiteral("hangul");

// Replies come within milliseconds; a framework that takes longer is treated as absent.
constexpr int kCallTimeoutMs = 2000;

// A focus-in reaches the input method framework through Qt's own connection; a window's first
// focus-in also creates its input context there first. A request that arrives before that lands
// on the input context focused before: it is sent again while the field keeps the focus, by
// when the framework has caught up.
constexpr int kRepeatAfterMs[] = {150, 500};

enum class Framework { Fcitx5, IBus };

// A mode found on entering a field, with the framework it was found in.
struct Mode {
    Framework framework = Framework::Fcitx5;
    QString name;
};

using Found = std::function<void(const Mode&)>;

void OnReply(const QDBusPendingCall& call, QObject* context,
             std::function<void(const QDBusMessage&)> done)
{
    auto* watcher = new QDBusPendingCallWatcher(call, context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [done = std::move(done)](QDBusPendingCallWatcher* w) {
                         w->deleteLater();
                         done(w->reply());
                     });
}

bool NotRunning(const QDBusMessage& reply)
{
    return reply.type() == QDBusMessage::ErrorMessage &&
           (reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown") ||
            reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner") ||
            reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.Disconnected"));
}

// ---- fcitx5: its controller acts on the input context that has the focus ---------------------

QDBusMessage Fcitx5Call(const QString& method, const QVariantList& args = {})
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.fcitx.Fcitx5"), QStringLiteral("/controller"),
        QStringLiteral("org.fcitx.Fcitx.Controller1"), method);
    call.setArguments(args);
    // Never start a framework that is not running.
    call.setAutoStartService(false);
    return call;
}

// The session bus, when there is one to reach: without an address, libdbus would try to launch
// a bus of its own.
bool SessionBusReachable()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFile::exists(runtime + QStringLiteral("/bus"));
}

// ---- IBus: a bus of its own, its address in a file named after the machine and display -------

QString IBusAddress()
{
    QString address = qEnvironmentVariable("IBUS_ADDRESS");
    if (!address.isEmpty())
        return address;
    QString file = qEnvironmentVariable("IBUS_ADDRESS_FILE");
    if (file.isEmpty()) {
        QByteArray display = qgetenv("WAYLAND_DISPLAY");
        QByteArray host = "unix";
        QByteArray number = display;
        if (display.isEmpty()) {
            display = qgetenv("DISPLAY");
            const qsizetype colon = display.indexOf(':');
            if (colon > 0)
                host = display.left(colon);
            number = display.mid(colon + 1);
            const qsizetype dot = number.indexOf('.');
            if (dot >= 0)
                number = number.left(dot);
        }
        if (number.isEmpty())
            return {};
        file = QStandardPaths::writableLocation(QStandardPaths::ConfigLocation) +
               QStringLiteral("/ibus/bus/") + QString::fromLatin1(QDBusConnection::localMachineId()) +
               QLatin1Char('-') + QString::fromLocal8Bit(host) + QLatin1Char('-') +
               QString::fromLocal8Bit(number);
    }
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    qint64 pid = 0;
    while (!f.atEnd()) {
        const QByteArray line = f.readLine().trimmed();
        if (line.startsWith("IBUS_ADDRESS="))
            address = QString::fromLocal8Bit(line.mid(13));
        else if (line.startsWith("IBUS_DAEMON_PID="))
            pid = line.mid(16).toLongLong();
    }
    // A file left behind by a daemon that has gone names a dead socket.
    if (pid > 0 && ::kill(pid_t(pid), 0) != 0 && errno == ESRCH)
        return {};
    return address;
}

QDBusConnection IBusConnection()
{
    static const QString kName = QStringLiteral("hangul-input-ibus");
    QDBusConnection connection(kName);
    if (connection.isConnected())
        return connection;
    QDBusConnection::disconnectFromBus(kName);
    const QString address = IBusAddress();
    if (address.isEmpty())
        return QDBusConnection(kName);
    connection = QDBusConnection::connectToBus(address, kName);
    return connection;
}

QDBusMessage IBusCall(const QString& method, const QVariantList& args = {})
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.IBus"), QStringLiteral("/org/freedesktop/IBus"),
        QStringLiteral("org.freedesktop.IBus"), method);
    call.setArguments(args);
    call.setAutoStartService(false);
    return call;
}

// The engine's name inside the engine description that GetGlobalEngine hands back: a structure
// of the type name, its attachments, then the name.
QString EngineName(const QDBusMessage& reply)
{
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return {};
    const QDBusVariant outer = qvariant_cast<QDBusVariant>(reply.arguments().first());
    const QDBusArgument description = qvariant_cast<QDBusArgument>(outer.variant());
    if (description.currentType() != QDBusArgument::StructureType)
        return {};
    QString typeName;
    QString name;
    description.beginStructure();
    description >> typeName;
    description.beginMap();
    while (!description.atEnd()) {
        QString key;
        QDBusVariant value;
        description.beginMapEntry();
        description >> key >> value;
        description.endMapEntry();
    }
    description.endMap();
    description >> name;
    return name;
}

// ---- The requests ------------------------------------------------------------------------

class Requests : public QObject {
public:
    explicit Requests(QObject* parent) : QObject(parent) {}

    void Add(QWidget* field, OnLeave leave)
    {
        if (fields_.contains(field))
            return;
        fields_.insert(field, leave);
        field->installEventFilter(this);
        connect(field, &QObject::destroyed, this, [this](QObject* gone) { fields_.remove(gone); });
        QWidget* window = field->window();
        if (!windows_.contains(window)) {
            windows_.insert(window);
            connect(window, &QObject::destroyed, this, [this](QObject* gone) {
                windows_.remove(gone);
                held_.remove(gone);
            });
        }
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
            auto* field = static_cast<QWidget*>(watched);
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (event->type() == QEvent::FocusIn)
                Entered(field);
            else
                Left(field, reason);
        }
        return QObject::eventFilter(watched, event);
    }

private:
    // What a window that gives back the mode remembers while the focus is in its fields.
    struct Held {
        bool finding = false;     // the mode on entering is being read
        bool found = false;
        bool leftEarly = false;   // the focus left before the mode was read: give it back then
        Mode mode;
    };

    void Entered(QWidget* field)
    {
        // Sent once Qt's own focus handling, which tells the framework, has run.
        QPointer<QWidget> f(field);
        QTimer::singleShot(0, this, [this, f] {
            if (f && f->hasFocus())
                Ask(f, true);
        });
        for (int ms : kRepeatAfterMs)
            QTimer::singleShot(ms, this, [this, f] {
                if (f && f->hasFocus())
                    Ask(f, false);
            });
    }

    void Left(QWidget* field, Qt::FocusReason reason)
    {
        if (fields_.value(field) != OnLeave::GiveBack)
            return;
        // The window keeps its input context and the mode with it while another window or a
        // popup has the focus; the request is made again when the focus comes back.
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            return;
        QWidget* next = QApplication::focusWidget();
        if (next && next != field && next->window() == field->window() &&
            fields_.value(next, OnLeave::KeepMode) == OnLeave::GiveBack)
            return;
        QWidget* window = field->window();
        auto it = held_.find(window);
        if (it == held_.end())
            return;
        if (it->finding) {
            it->leftEarly = true;
            return;
        }
        const Held held = *it;
        held_.erase(it);
        if (held.found)
            GiveBack(held.mode);
    }

    void Ask(QWidget* field, bool first)
    {
        Found found;
        if (first && fields_.value(field) == OnLeave::GiveBack) {
            QWidget* window = field->window();
            if (!held_.contains(window)) {
                held_[window].finding = true;
                QPointer<QWidget> w(window);
                found = [this, w](const Mode& mode) { Remember(w, mode); };
            }
        }
        // IBus serves the whole program through one input context, made at start: its engine
        // is set once per focus-in.
        const bool ibusToo = first;
        if (!SessionBusReachable() || qgetenv("QT_IM_MODULE").startsWith("ibus")) {
            if (ibusToo)
                AskIBus(found, field);
            return;
        }
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected()) {
            if (ibusToo)
                AskIBus(found, field);
            return;
        }
        // fcitx5 answers in order: the mode read is the one before the switch.
        if (found)
            OnReply(bus.asyncCall(Fcitx5Call(QStringLiteral("CurrentInputMethod")), kCallTimeoutMs),
                    this, [found](const QDBusMessage& reply) {
                        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
                            found({Framework::Fcitx5, reply.arguments().first().toString()});
                        else if (!NotRunning(reply))
                            found({});
                        // Not running: IBus is asked instead, below.
                    });
        OnReply(bus.asyncCall(Fcitx5Call(QStringLiteral("SetCurrentIM"), {kHangul}), kCallTimeoutMs),
                this, [this, found, ibusToo, f = QPointer<QWidget>(field)](const QDBusMessage& reply) {
                    if (NotRunning(reply) && ibusToo)
                        AskIBus(found, f);
                });
    }

    // IBus refuses an engine while its input context is still on its way in: the request is
    // tried again a few times while the field keeps the focus.
    void AskIBus(const Found& found, QPointer<QWidget> field, int tries = 3)
    {
        QDBusConnection ibus = IBusConnection();
        if (!ibus.isConnected()) {
            // No framework answered: there is nothing to give back.
            if (found)
                found({});
            return;
        }
        // Setting the engine anew would end a syllable in composition: only a different engine
        // is replaced. Without a Hangul engine the daemon answers with an error and nothing
        // changes.
        OnReply(ibus.asyncCall(IBusCall(QStringLiteral("GetGlobalEngine")), kCallTimeoutMs), this,
                [this, found, field, tries](const QDBusMessage& reply) {
                    const QString name = EngineName(reply);
                    if (found)
                        found({Framework::IBus, name});
                    QDBusConnection ibus = IBusConnection();
                    if (name == kHangul || !ibus.isConnected())
                        return;
                    OnReply(ibus.asyncCall(IBusCall(QStringLiteral("SetGlobalEngine"), {kHangul}),
                                           kCallTimeoutMs),
                            this, [this, field, tries](const QDBusMessage& set) {
                                if (set.type() == QDBusMessage::ReplyMessage || tries <= 1)
                                    return;
                                QTimer::singleShot(kRepeatAfterMs[0], this, [this, field, tries] {
                                    if (field && field->hasFocus())
                                        AskIBus({}, field, tries - 1);
                                });
                            });
                });
    }

    void Remember(const QPointer<QWidget>& window, const Mode& mode)
    {
        if (!window)
            return;
        auto it = held_.find(window.data());
        if (it == held_.end() || !it->finding)
            return;
        it->finding = false;
        it->found = !mode.name.isEmpty();
        it->mode = mode;
        if (it->leftEarly) {
            const Held held = *it;
            held_.erase(it);
            if (held.found)
                GiveBack(held.mode);
        }
    }

    void GiveBack(const Mode& mode)
    {
        if (mode.name.isEmpty() || mode.name == kHangul)
            return;
        if (mode.framework == Framework::Fcitx5)
            QDBusConnection::sessionBus().asyncCall(
                Fcitx5Call(QStringLiteral("SetCurrentIM"), {mode.name}), kCallTimeoutMs);
        else if (QDBusConnection ibus = IBusConnection(); ibus.isConnected())
            ibus.asyncCall(IBusCall(QStringLiteral("SetGlobalEngine"), {mode.name}), kCallTimeoutMs);
    }

    QHash<QObject*, OnLeave> fields_;
    QHash<QObject*, Held> held_;
    QSet<QObject*> windows_;
};

Requests* TheRequests()
{
    static QPointer<Requests> requests;
    if (!requests)
        requests = new Requests(QCoreApplication::instance());
    return requests;
}

}  // namespace

void AskForHangul(QWidget* field, OnLeave leave)
{
    field->setAttribute(Qt::WA_InputMethodEnabled, true);
    // Windows drawn off any screen have no input context with a framework; a request would only
    // switch whatever other program last had the focus.
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return;
    TheRequests()->Add(field, leave);
}

}  // namespace HangulInput
