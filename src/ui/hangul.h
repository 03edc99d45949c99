#pragma once
#include <QHash>
#include <QObject>
#include <QString>

class QWidget;

// Keeps the Hangul syllable that is still being composed in each watched field, so that a
// button can commit it before it reads the field: the platform input method (fcitx5, IBus)
// is asked first; what it leaves uncommitted is committed into the field here.
class HangulComposition : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    void Watch(QWidget* field);
    void CommitAll();   // the syllables in progress become part of the fields' texts
    void DiscardAll();  // the syllables in progress are dropped

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QHash<QObject*, QString> preedit_;
};
