#pragma once
#include <QDialog>
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
class HangulComposition;

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
    void Bind(QPushButton* button, void (TForm2::*handler)());

    bool closeRequested_ = false;
    int closeResult_ = QDialog::Rejected;
    bool placed_ = false;
};
