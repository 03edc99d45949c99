#include "ui/hangul.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QWidget>
#include <utility>
#include <vector>

void HangulComposition::Watch(QWidget* field)
{
    field->setAttribute(Qt::WA_InputMethodEnabled, true);
    field->installEventFilter(this);
    connect(field, &QObject::destroyed, this, [this](QObject* gone) { preedit_.remove(gone); });
}

bool HangulComposition::eventFilter(QObject* watched, QEvent* event)
{
    // What the field shows as composition after any input method event is its preedit text.
    if (event->type() == QEvent::InputMethod)
        preedit_[watched] = static_cast<QInputMethodEvent*>(event)->preeditString();
    return QObject::eventFilter(watched, event);
}

void HangulComposition::CommitAll()
{
    // A platform input method commits its composition into the field it belongs to; the
    // filter then sees an empty preedit for that field.
    QGuiApplication::inputMethod()->commit();
    std::vector<std::pair<QObject*, QString>> left;
    for (auto it = preedit_.cbegin(); it != preedit_.cend(); ++it)
        if (!it.value().isEmpty())
            left.emplace_back(it.key(), it.value());
    for (const auto& [field, text] : left) {
        QInputMethodEvent commit;
        commit.setCommitString(text);
        QCoreApplication::sendEvent(field, &commit);
        preedit_[field].clear();
    }
    // The input method must not commit the same syllable a second time later.
    if (!left.empty())
        QGuiApplication::inputMethod()->reset();
}

void HangulComposition::DiscardAll()
{
    bool any = false;
    for (auto it = preedit_.begin(); it != preedit_.end(); ++it) {
        if (it.value().isEmpty())
            continue;
        QInputMethodEvent clear;
        QCoreApplication::sendEvent(it.key(), &clear);
        it.value().clear();
        any = true;
    }
    if (any)
        QGuiApplication::inputMethod()->reset();
}
