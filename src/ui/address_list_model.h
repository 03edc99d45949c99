#pragma once
// The main window's list: the rows the store returned, held once as the store read them, shown
// through a view; a cell's text is made only when the view or the label report asks for it.
// Model row r is grid row r + 1; the grid's row 0 is the view's header.
#include "report/label_source.h"
#include "store/address_store.h"

#include <QAbstractTableModel>
#include <vector>

class AddressListModel : public QAbstractTableModel, public LabelSource {
    Q_OBJECT
public:
    // Columns 0 to 7 are shown; column 8 carries the key and is never shown.
    enum Column { Number = 0, Unit, Name, Tel, Mobile, Zip, Address, Check, Key, Columns };

    explicit AddressListModel(QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Replaces the whole list. A non-empty list also writes the header texts, which stay from
    // then on; an empty one leaves one blank row.
    void Replace(AddressList&& entries);
    bool HeadersShown() const { return headersShown_; }
    bool IsBlank() const { return entries_.empty(); }
    QString Num(int modelRow) const;  // empty for the blank row or a row outside the list

    // The grid as the label report reads it: header row included.
    int RowCount() const override;
    QString Cell(int column, int row) const override;

    static QString HeaderText(int column);

private:
    QString Text(int column, int modelRow) const;

    AddressList entries_;
    std::vector<bool> checked_;
    bool headersShown_ = false;
};
