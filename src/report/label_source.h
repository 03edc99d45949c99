#pragma once
#include <QString>

// What the label report reads of the main window's list: a grid whose row 0 is the header row.
class LabelSource {
public:
    virtual ~LabelSource() = default;
    virtual int RowCount() const = 0;                       // header row included
    virtual QString Cell(int column, int row) const = 0;   // empty text for a blank cell
};
