#pragma once
// Whether the program ends, seen as its user sees it: the application's event loop stops.
#include <QApplication>
#include <QSignalSpy>
#include <QTimer>
#include <functional>

namespace testsupport {

// Runs the application's event loop, does `act` inside it and tells whether the program then
// ended by itself (the loop quits with code 0 and aboutToQuit is emitted). A loop still running
// after `waitMs` is stopped with another code: the program did not end.
inline bool EndsTheProgram(const std::function<void()>& act, int waitMs = 5000)
{
    constexpr int kStillRunning = 77;
    QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
    QTimer::singleShot(0, qApp, act);
    QTimer stop;
    stop.setSingleShot(true);
    QObject::connect(&stop, &QTimer::timeout, qApp, [] { QCoreApplication::exit(kStillRunning); });
    stop.start(waitMs);
    const int code = QApplication::exec();
    return code == 0 && quitting.count() == 1;
}

}  // namespace testsupport
