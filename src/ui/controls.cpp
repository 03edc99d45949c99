#include "ui/controls.h"

#include "store/errors.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMouseEvent>

TImage::TImage(QWidget* parent, bool stretch) : QLabel(parent), stretch_(stretch)
{
    setScaledContents(stretch);
    setMouseTracking(true);  // moves without a pressed button, for the hover faces
    setFocusPolicy(Qt::NoFocus);
}

void TImage::SetPicture(const QPixmap& picture)
{
    setPixmap(picture);
    if (!stretch_ && !picture.isNull())
        resize(picture.size());
}

void TImage::LoadFromFile(const QString& path)
{
    const QString shown = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw EError(QStringLiteral("Cannot open file \"%1\". %2").arg(shown, file.errorString()));
    QPixmap picture;
    if (!picture.loadFromData(file.readAll(), "PNG"))
        throw EError(QStringLiteral("Cannot read the picture in \"%1\"").arg(shown));
    SetPicture(picture);
}

void TImage::mousePressEvent(QMouseEvent* e)
{
    if (e->button() == Qt::LeftButton)
        pressed_ = true;
    e->accept();
}

void TImage::mouseReleaseEvent(QMouseEvent* e)
{
    const bool click = pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
    if (e->button() == Qt::LeftButton)
        pressed_ = false;
    e->accept();
    if (click)
        emit clicked();
}

void TImage::mouseMoveEvent(QMouseEvent* e)
{
    QLabel::mouseMoveEvent(e);
    emit mouseMoved();
}

void TImage::leaveEvent(QEvent* e)
{
    QLabel::leaveEvent(e);
    emit mouseLeft();
}

void TClickEdit::mouseReleaseEvent(QMouseEvent* e)
{
    QLineEdit::mouseReleaseEvent(e);
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        emit clicked();
}

TBand::TBand(QWidget* parent, int height) : QFrame(parent)
{
    if (height >= 0)
        setFixedHeight(height);
}

void TBand::AddFill(QWidget* w)
{
    fills_.append(w);
    w->setGeometry(contentsRect());
    w->lower();
}

void TBand::resizeEvent(QResizeEvent* e)
{
    QFrame::resizeEvent(e);
    for (QWidget* w : fills_)
        w->setGeometry(contentsRect());
}
