#pragma once
#include <QDialog>
#include <QHash>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <QString>

class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

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

// The position of a window of the given size centred over `over`; a position left of or above
// `desktop` is moved to its left or top edge.
QPoint CentredOver(const QRect& over, const QSize& size, const QRect& desktop);
// The splash window's place on the screen (the primary screen when there is no splash window).
QRect SplashGeometry();

// The entry dialog, for a new entry or the one selected in the main window.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    TForm2();

    // Both are modal and return when the dialog has closed. Errors are shown by the default
    // error display; when the entry to edit cannot be read, the dialog is not shown.
    void OpenForNew();
    void OpenForEdit();  // loads the entry of the main window's SelectedNum

    // For the postal code search window.
    void SetZipText(const QString& text);
    void SetAddress1Text(const QString& text);
    void FocusAddress2();  // throws when the dialog is not shown

    int EntryMode = 0;  // 0 new entry, 1 edit of the main window's selected entry

    void FillCategories();
    void LoadSelectedEntry();
    void SaveNewEntry();
    void SaveEditedEntry();

    // Event handlers, each run through the guard by its control.
    void FormShow();
    void Button1Click();  // 등록
    void Button2Click();  // 종료
    void Button3Click();  // 주소검색
    void Button4Click();  // 우편번호검색

    QFrame* Panel1 = nullptr;
    QLabel* Image1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label1 = nullptr;
    QComboBox* units = nullptr;
    QLineEdit* names = nullptr;
    QLineEdit* tel = nullptr;
    QLineEdit* cell = nullptr;
    QLineEdit* zip = nullptr;
    QPushButton* Button3 = nullptr;
    QPushButton* Button4 = nullptr;
    QLineEdit* add1 = nullptr;
    QLineEdit* add2 = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
    QLabel* namesLabel = nullptr;
    QLabel* telLabel = nullptr;
    QLabel* cellLabel = nullptr;
    QLabel* zipLabel = nullptr;
    QLabel* add1Label = nullptr;

    HangulComposition* composition = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void SetTitle(const QString& title);
    void ShowModally();
    // Ends the modal showing once the running handler has returned, as a dialog result does.
    void Close(int result);
    void FinishClose();
    template <class Handler>
    void Bind(QPushButton* button, Handler handler);

    bool closeRequested_ = false;
    int closeResult_ = QDialog::Rejected;
    bool placed_ = false;
};

// The gradient picture behind the controls of the entry dialog and the search window,
// stretched over its rectangle.
QLabel* NewGradientPicture(QWidget* parent, const QRect& rect);
