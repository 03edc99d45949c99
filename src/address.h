#pragma once
#include "report/label_source.h"

#include <QString>
#include <QWidget>

class AddressListModel;
class QAction;
class QMenu;
class HangulComposition;
class QComboBox;
class QLabel;
class QPushButton;
class QStatusBar;
class QTimer;
class TStringGrid;
class TBand;
class TClickEdit;
class TImage;

// The refresh modes of the list; any other value acts as All.
enum ListMode : int { CategoryFilter = 0, Search = 1, All = 3 };

// The main window: the list, its category filter and search, and the toolbar.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    TForm1();

    void RefreshList(int mode);
    QString SelectedNum() const;      // column 8 of the current row; empty for a blank row
    void LoadCategories();
    void CheckDatabase();
    const LabelSource& List() const;  // the grid's rows, header row included

    // Event handlers, each bound through the guard.
    void FormShow();
    void FormClose();
    void cbChange();
    void Button1Click();
    void keywordClick();
    void Image2Click();  // new
    void Image4Click();  // edit
    void Image5Click();  // delete
    void Image6Click();  // print
    void Image7Click();  // backup
    void Image8Click();  // exit
    void Image2MouseMove();
    void Image2MouseLeave();
    void Image4MouseMove();
    void Image4MouseLeave();
    void Image5MouseMove();
    void Image5MouseLeave();
    void Image6MouseMove();
    void Image6MouseLeave();
    void Image7MouseMove();
    void Image7MouseLeave();
    void Image8MouseMove();
    void Image8MouseLeave();
    void gridContextPopup(const QPoint& pos);  // the list's context menu
    void ImportItemClick();                     // "가져오기…"
    void ExportItemClick();                     // "내보내기…"


    // Bands.
    TBand* Panel4 = nullptr;  // title
    TBand* Panel1 = nullptr;  // toolbar
    TBand* Panel2 = nullptr;  // search bar
    TBand* Panel3 = nullptr;  // list area
    QStatusBar* stbar = nullptr;
    QLabel* stbarPanel0 = nullptr;
    QLabel* stbarPanel1 = nullptr;
    // Title and toolbar pictures.
    TImage* Image3 = nullptr;
    TImage* Image15 = nullptr;
    TImage* Image1 = nullptr;
    TImage* Image2 = nullptr;
    TImage* Image9 = nullptr;
    TImage* Image4 = nullptr;
    TImage* Image10 = nullptr;
    TImage* Image5 = nullptr;
    TImage* Image12 = nullptr;
    TImage* Image6 = nullptr;
    TImage* Image13 = nullptr;
    TImage* Image7 = nullptr;
    TImage* Image11 = nullptr;
    TImage* Image8 = nullptr;
    // Search bar.
    TImage* Image14 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label3 = nullptr;
    QComboBox* cb = nullptr;
    QComboBox* cb2 = nullptr;
    TClickEdit* keyword = nullptr;
    QPushButton* Button1 = nullptr;
    // The list.
    TStringGrid* grid = nullptr;
    AddressListModel* model = nullptr;
    HangulComposition* composition = nullptr;  // keyword's and cb's syllables in progress
    QMenu* PopupMenu1 = nullptr;               // the list's context menu
    QAction* ImportItem = nullptr;
    QAction* ExportItem = nullptr;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    void BuildTitleBar();
    void BuildToolbar();
    void BuildSearchBar();
    void BuildGrid();
    void BuildListMenu();
    void KeepDesignSize();
    void ShowListed(int count);
    void LoadFace(TImage* image, const QString& path);

    QTimer* keepSize_ = nullptr;
    int cbIndex_ = -1;          // Qt keeps its index while the text is typed over; this does not
    bool hoverBusy_ = false;    // a hover error box is open
};
