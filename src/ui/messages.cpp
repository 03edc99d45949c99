#include "ui/messages.h"

#include <QCoreApplication>
#include <QAbstractButton>
#include <QEventLoop>
#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>

namespace Messages {

namespace {

Responder& CurrentResponder()
{
    static Responder responder;
    return responder;
}

FileResponder& CurrentFileResponder()
{
    static FileResponder responder;
    return responder;
}

// Answers a file question through the file responder when one is installed.
bool RespondFiles(const FileQuestion& question, QStringList& files)
{
    FileResponder responder = CurrentFileResponder();
    if (!responder)
        return false;
    files = responder(question);
    return true;
}

// The database layer separates lines with a carriage return; the box wants line feeds.
QString AsShown(const QString& text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

// Answers the box through the responder when one is installed. The responder is copied
// first, so that it may replace itself while it runs.
bool Respond(const Box& box, bool& answer)
{
    Responder responder = CurrentResponder();
    if (!responder)
        return false;
    answer = responder(box);
    return true;
}

void ShowModalBox(QMessageBox::Icon icon, const QString& caption, const QString& text,
                  const QString& okText = {})
{
    QMessageBox box(icon, caption, text, QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText);  // a text from the database is never markup
    if (!okText.isEmpty())
        box.button(QMessageBox::Ok)->setText(okText);
    box.exec();
}

}  // namespace

QString TitleOf(const QString& fileName)
{
    // The first character is shown as a capital, so "addressbook" reads "Addressbook".
    const QString name = fileName.section(QLatin1Char('.'), 0, 0);
    return name.left(1).toUpper() + name.mid(1).toLower();
}

QString ApplicationTitle()
{
    const QString path = QCoreApplication::instance() ? QCoreApplication::applicationFilePath()
                                                      : QString();
    return TitleOf(QFileInfo(path).fileName());
}

QString WithFullStop(const QString& text)
{
    // An empty text stays empty: there is no last character to judge.
    if (!text.isEmpty() && text.back().unicode() > 46)
        return text + QLatin1Char('.');
    return text;
}

void ShowError(const QString& text)
{
    const Box box{Box::Error, ApplicationTitle(), AsShown(WithFullStop(text))};
    bool answer = false;
    if (Respond(box, answer))
        return;
    ShowModalBox(QMessageBox::Critical, box.caption, box.text);
}

void ShowPlain(const QString& text)
{
    const Box box{Box::Plain, ApplicationTitle(), AsShown(text)};
    bool answer = false;
    if (Respond(box, answer))
        return;
    ShowModalBox(QMessageBox::NoIcon, box.caption, box.text);
}

void ShowInformation(const QString& text)
{
    const Box box{Box::Information, QStringLiteral("Information"), AsShown(text)};
    bool answer = false;
    if (Respond(box, answer))
        return;
    ShowModalBox(QMessageBox::Information, box.caption, box.text, QStringLiteral("OK"));
}

bool AskYesNo(const QString& text, const QString& caption)
{
    const Box box{Box::Question, caption, AsShown(text)};
    bool answer = false;
    if (Respond(box, answer))
        return answer;

    // No owner and no modality: the other windows stay usable while the question waits, so the
    // caller waits in a loop of its own instead of exec().
    QPointer<QMessageBox> question =
        new QMessageBox(QMessageBox::NoIcon, caption, box.text, QMessageBox::Yes | QMessageBox::No);
    question->setTextFormat(Qt::PlainText);
    question->setWindowModality(Qt::NonModal);
    question->setAttribute(Qt::WA_DeleteOnClose, false);
    QEventLoop loop;
    QObject::connect(question.data(), &QMessageBox::finished, &loop, &QEventLoop::quit);
    question->show();
    question->raise();
    question->activateWindow();
    loop.exec();
    // The loop also ends when the application quits while the question is open: no answer.
    bool yes = false;
    if (question) {
        yes = question->clickedButton() &&
              question->standardButton(question->clickedButton()) == QMessageBox::Yes;
        delete question.data();
    }
    return yes;
}

void SetResponder(Responder responder) { CurrentResponder() = std::move(responder); }

QStringList AskOpenFiles(const QString& caption, const QString& filter)
{
    QStringList files;
    if (RespondFiles({FileQuestion::Open, caption, filter}, files))
        return files;
    return QFileDialog::getOpenFileNames(QApplication::activeWindow(), caption, QString(), filter);
}

QString AskSaveFile(const QString& caption, const QString& filter)
{
    QStringList files;
    if (RespondFiles({FileQuestion::Save, caption, filter}, files))
        return files.value(0);
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), caption, QString(), filter);
}

void SetFileResponder(FileResponder responder) { CurrentFileResponder() = std::move(responder); }

}  // namespace Messages
