#pragma once
#include "report/label_source.h"

#include <QString>
#include <QWidget>

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
};
