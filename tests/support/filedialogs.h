#pragma once
// The file dialogs as the user meets them: every real QFileDialog the program opens is recorded
// and answered as a user would, by typing the file names the test gives and pressing the
// dialog's button, or by cancelling it when the test gives none.
#include <QApplication>
#include <QFileDialog>
#include <QPointer>
#include <QTimer>
#include <functional>

namespace testsupport {

struct FileDialogSeen {
    bool save = false;   // a dialog that asks for a file to write
    QString caption;
    QPointer<QWidget> owner;
    QString suggested;   // the file selected as it opens
};

// Sees each file dialog and returns the files to choose (none: cancel).
using FileAnswer = std::function<QStringList(const FileDialogSeen&)>;

class FileDialogAnswerer : public QObject {
public:
    FileAnswer answer;

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* dialog = qobject_cast<QFileDialog*>(watched);
        if (!dialog || event->type() != QEvent::Show)
            return false;
        const FileDialogSeen seen{dialog->acceptMode() == QFileDialog::AcceptSave, dialog->windowTitle(),
                                  dialog->parentWidget(), dialog->selectedFiles().value(0)};
        QPointer<QFileDialog> open = dialog;
        QTimer::singleShot(0, dialog, [this, open, seen] {
            if (!open || !answer)
                return;
            const QStringList files = answer(seen);
            if (!open || !open->isVisible())
                return;
            if (files.isEmpty()) {
                open->reject();
                return;
            }
            QStringList quoted;
            for (const QString& f : files)
                quoted << QLatin1Char('"') + f + QLatin1Char('"');
            open->selectFile(files.size() == 1 ? files.front() : quoted.join(QLatin1Char(' ')));
            static_cast<QDialog*>(open.data())->accept();  // QFileDialog::accept, as its button calls it
        });
        return false;
    }
};

// With an answer installed every file dialog is answered; nullptr leaves them to the user.
inline void SetFileAnswer(FileAnswer answer)
{
    static FileDialogAnswerer* answerer = nullptr;
    if (!answerer) {
        answerer = new FileDialogAnswerer;
        qApp->installEventFilter(answerer);
    }
    answerer->answer = std::move(answer);
}

}  // namespace testsupport
