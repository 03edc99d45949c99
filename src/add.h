#pragma once
#include <QDialog>
#include <QString>

// The entry dialog, for a new entry or the one selected in the main window.
class TForm2 : public QDialog {
    Q_OBJECT
public:
    TForm2();

    void OpenForNew();   // modal; returns when the dialog has closed
    void OpenForEdit();  // modal; loads the entry of the main window's SelectedNum

    // For the postal code search window.
    void SetZipText(const QString& text);
    void SetAddress1Text(const QString& text);
    void FocusAddress2();  // throws when the dialog is not shown
};
