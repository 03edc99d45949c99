#pragma once
// The grid of texts that the main list and the postal search share.
#include <QColor>
#include <QTableView>

// A grid of texts over a table model: the view's header is the grid's fixed header row (row 0)
// and model row r is grid row r + 1. Every row is 25 pixels high, lines run between all cells,
// the user may drag column borders, nothing is edited in place, one column may be stretched
// over the width the others leave and columns may hold a text per row without being shown.
// The current row is painted pale yellow in the ordinary text colour, with neither selection
// colour nor focus rectangle. When the model's rows are replaced the current row keeps its
// number, or becomes the last row when the grid has grown shorter than that.
class TStringGrid : public QTableView {
    Q_OBJECT
public:
    explicit TStringGrid(QWidget* parent);

    void setModel(QAbstractItemModel* model) override;

    void SetStretchedColumn(int column);
    void SetHiddenColumn(int column);
    void SelectWholeRows();        // whole rows, one at a time, from now on
    int CurrentRow() const;        // grid row, 1 for the first data row
    void SetCurrentRow(int row);   // clamped to the data rows there are

    static QColor CurrentRowColour() { return QColor(238, 240, 149); }

private:
    void SetCurrentRow(int row, int column);

    int keptRow_ = 1;
    int keptColumn_ = 0;
};
