#include "ui/messages.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QAbstractButton>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>

namespace Messages {

namespace {

// The database layer separates lines with a carriage return; the box wants line feeds.
QString AsShown(const QString& text)
{
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

// The window a box belongs to: the modal dialog in front, else the active window. A box with
// an owner stacks above it, also above a window that stays on top.
QWidget* Owner()
{
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

// The box is at least as wide as its caption needs, with room for the title bar's icon and
// buttons, so that the caption is not cut.
void FitCaption(QMessageBox& box)
{
    QFont titleFont = box.font();
    titleFont.setBold(true);
    const int wanted = QFontMetrics(titleFont).horizontalAdvance(box.windowTitle()) + 140;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Minimum),
                      grid->rowCount(), 0, 1, grid->columnCount());
}

void ShowModalBox(QMessageBox::Icon icon, const QString& caption, const QString& text,
                  const QString& okText = {})
{
    // On the heap: the owner may go away while the box waits, and takes the box with it.
    QPointer<QMessageBox> box = new QMessageBox(icon, caption, text, QMessageBox::Ok, Owner());
    box->setTextFormat(Qt::PlainText);  // a text from the database is never markup
    if (!okText.isEmpty())
        box->button(QMessageBox::Ok)->setText(okText);
    FitCaption(*box);
    box->exec();
    delete box.data();
}

}  // namespace

QString TitleOf(const QString& fileName)
{
    // The first character stays as it is: "addressbook" reads "addressbook".
    const QString name = fileName.section(QLatin1Char('.'), 0, 0);
    return name.left(1) + name.mid(1).toLower();
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
    ShowModalBox(QMessageBox::Critical, ApplicationTitle(), AsShown(WithFullStop(text)));
}

void ShowPlain(const QString& text)
{
    ShowModalBox(QMessageBox::NoIcon, ApplicationTitle(), AsShown(text));
}

void ShowInformation(const QString& text)
{
    ShowModalBox(QMessageBox::Information, QStringLiteral("Information"), AsShown(text),
                 QStringLiteral("OK"));
}

bool AskYesNo(const QString& text, const QString& caption)
{

    // No owner and no modality: the other windows stay usable while the question waits, so the
    // caller waits in a loop of its own instead of exec().
    QPointer<QMessageBox> question =
        new QMessageBox(QMessageBox::NoIcon, caption, AsShown(text), QMessageBox::Yes | QMessageBox::No);
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

QStringList AskOpenFiles(const QString& caption, const QString& filter)
{
    return QFileDialog::getOpenFileNames(Owner(), caption, QString(), filter);
}

QString AskSaveFile(const QString& caption, const QString& filter)
{
    return QFileDialog::getSaveFileName(Owner(), caption, QString(), filter);
}

}  // namespace Messages
