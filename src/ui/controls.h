#pragma once
// Small widgets the windows are built from: pictures that take clicks and hover moves, an edit
// field that reports a click, and a band whose backgrounds follow its size.
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QVector>

// A picture at its natural size, or stretched over its rectangle.
class TImage : public QLabel {
    Q_OBJECT
public:
    explicit TImage(QWidget* parent, bool stretch = false);
    void SetPicture(const QPixmap& picture);  // natural size unless stretched
    // Reads a PNG file from disk on every call (nothing is cached) and shows it; on failure
    // the previous face stays and EError names the file and the system's reason.
    void LoadFromFile(const QString& path);

signals:
    void clicked();
    void mouseMoved();
    void mouseLeft();

protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void leaveEvent(QEvent* e) override;

private:
    bool stretch_;
    bool pressed_ = false;
};

// An edit field that reports a completed mouse click.
class TClickEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;
signals:
    void clicked();
protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
};

// A docked band; the widgets given to AddFill always cover its inside.
class TBand : public QFrame {
    Q_OBJECT
public:
    explicit TBand(QWidget* parent, int height = -1);
    void AddFill(QWidget* w);
protected:
    void resizeEvent(QResizeEvent* e) override;
private:
    QVector<QWidget*> fills_;
};
