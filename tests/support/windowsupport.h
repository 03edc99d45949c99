#pragma once
// Helpers for the window tests: running the modal entry dialog from a test, reading the boxes.
#include "add.h"
#include "forms.h"
#include "ui/fonts.h"
#include "ui/messages.h"
#include "start.h"
#include "boxes.h"

#include <QApplication>
#include <QList>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <functional>

namespace testsupport {

// Opens the entry dialog with `open`, runs `inside` once it is shown modally and closes it with
// "종료" if it is still open. Returns whether the dialog was shown.
inline bool WhileEntryDialogShown(const std::function<void()>& open,
                                  const std::function<void()>& inside = {})
{
    bool shown = false;
    QTimer timer;
    timer.setInterval(1);
    QObject::connect(&timer, &QTimer::timeout, &timer, [&] {
        // Wait for the dialog in front: a box it opens on showing is answered first.
        if (!Form2->isVisible() || QApplication::activeModalWidget() != Form2)
            return;
        timer.stop();
        shown = true;
        // As for a user: the dialog is the active window (an inactive window that hides
        // moves its focus on).
        if (shown && !QTest::qWaitForWindowActive(Form2))
            qWarning("the entry dialog did not become active");
        if (inside)
            inside();
        if (Form2->isVisible())
            Form2->Button2->click();
    });
    timer.start();
    open();
    return shown;
}

// The texts of the error boxes among those shown.
inline QStringList ErrorTexts(const QList<testsupport::Box>& boxes)
{
    QStringList texts;
    for (const testsupport::Box& b : boxes)
        if (b.kind == testsupport::Box::Error)
            texts << b.text;
    return texts;
}

// Puts up the program's windows as the user meets them after the splash, over the book and
// directory already in ExeFolder(): the forms created, the splash timer stopped, the main window
// shown and active. Boxes are answered and logged. Undone by CloseProgramWindows().
inline bool OpenProgramWindows()
{
    InstallFontSubstitutions();
    CreateForms();
    for (QTimer* t : Form3->findChildren<QTimer*>())
        t->stop();
    SetResponder([](const Box& box) {
        qWarning("box: %s", qPrintable(box.text));
        return true;
    });
    Form1->show();
    return QTest::qWaitForWindowActive(Form1);
}

inline void CloseProgramWindows()
{
    SetResponder(nullptr);
    DestroyForms();
}

}  // namespace testsupport
