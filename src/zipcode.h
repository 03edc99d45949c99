#pragma once
#include "store/zipcode_directory.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QStringList>

class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;
class HangulComposition;
class TStringGrid;

// The cells of the result grid. Grid row 0 is the header row; rows 1 to n hold the rows of the
// last search, and with no rows there is one blank data row. Only the rows are kept: the cell
// texts are made when asked for, so that a search of tens of thousands of rows is listed at
// once.
class ZipGridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    int RowCount() const;                  // header row included
    QString Cell(int column, int row) const;  // grid row; empty text for a blank cell
    void SetHeaders(const QStringList& headers);
    void SetRows(ZipcodeRows rows);  // none: one blank data row

private:
    QStringList headers_{QString(), QString(), QString(), QString()};
    ZipcodeRows rows_;
};

// The postal code search window, shown beside the entry dialog.
class TForm5 : public QDialog {
    Q_OBJECT
public:
    TForm5();

    // Shows the window non-modally; when it is shown already, only brings it to the front.
    void ShowBeside();
    // The entry dialog is being shown modally again: from now on this window is blocked like
    // every other window until it is shown from the dialog once more.
    void LeaveEntryDialog();

    // Event handlers, each run through the guard by its control.
    void FormShow();
    void Button3Click();     // 주소검색
    void keywordKeyPress();  // Enter in keyword
    void Button1Click();     // 확인

    void SearchByDong();

    TStringGrid* grid = nullptr;
    ZipGridModel* model = nullptr;
    QWidget* Panel1 = nullptr;
    QLabel* Image1 = nullptr;
    QPushButton* Button3 = nullptr;
    QLabel* keywordLabel = nullptr;
    QLineEdit* keyword = nullptr;
    QWidget* Panel2 = nullptr;
    QLabel* Image2 = nullptr;
    QPushButton* Button1 = nullptr;

    HangulComposition* composition = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool placed_ = false;
};
