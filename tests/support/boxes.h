#pragma once
// The message boxes as the user meets them: every real box the program opens is recorded with
// what it shows and answered as a user would, with its OK button, or for the delete question
// with the answer a responder gives.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <functional>

namespace testsupport {

struct Box {
    enum Kind { Error, Plain, Information, Question } kind;
    QString caption;
    QString text;              // as shown
    QPointer<QWidget> owner;   // the window the box belongs to
    bool blocksOthers = false; // application modal
};

// Sees each box while it is open and, for a question, returns the answer (true for Yes).
using Responder = std::function<bool(const Box&)>;

class BoxAnswerer : public QObject {
public:
    Responder responder;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* box = qobject_cast<QMessageBox*>(watched);
        if (!box || event->type() != QEvent::Show)
            return false;
        const bool question = box->button(QMessageBox::Yes) != nullptr;
        Box seen{question ? Box::Question
                 : box->icon() == QMessageBox::Critical    ? Box::Error
                 : box->icon() == QMessageBox::Information ? Box::Information
                                                           : Box::Plain,
                 box->windowTitle(), box->text(), box->parentWidget(),
                 box->isModal() || box->testAttribute(Qt::WA_ShowModal)};
        // Answered once the box runs its own loop, as a user's key press would be.
        QPointer<QMessageBox> open = box;
        QTimer::singleShot(0, box, [this, open, seen] {
            if (!open)
                return;
            const Responder r = responder;  // may replace itself while it runs
            if (!r)
                return;
            const bool yes = r(seen);
            if (!open || !open->isVisible())
                return;
            QAbstractButton* press = seen.kind == Box::Question
                                         ? open->button(yes ? QMessageBox::Yes : QMessageBox::No)
                                         : open->button(QMessageBox::Ok);
            if (press)
                press->click();
        });
        return false;
    }
};

// With a responder installed every box is answered; nullptr leaves the boxes to the user.
inline void SetResponder(Responder responder)
{
    static BoxAnswerer* answerer = nullptr;
    if (!answerer) {
        answerer = new BoxAnswerer;
        qApp->installEventFilter(answerer);
    }
    answerer->responder = std::move(responder);
}

}  // namespace testsupport
