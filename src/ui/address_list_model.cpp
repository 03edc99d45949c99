#include "ui/address_list_model.h"


AddressListModel::AddressListModel(QObject* parent) : QAbstractTableModel(parent) {}

int AddressListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return entries_.empty() ? 1 : int(entries_.size());
}

int AddressListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Columns;
}

QString AddressListModel::HeaderText(int column)
{
    switch (column) {
    case Number: return QStringLiteral("번호");
    case Unit: return QStringLiteral("   소속");
    case Name: return QStringLiteral("  이름");
    case Tel: return QStringLiteral("전화번호");
    case Mobile: return QStringLiteral("핸드폰번호");
    case Zip: return QStringLiteral("우편번호");
    case Address: return QStringLiteral("             주소");
    default: return {};
    }
}

QString AddressListModel::Text(int column, int modelRow) const
{
    if (modelRow < 0 || size_t(modelRow) >= entries_.size())
        return {};
    const size_t row = size_t(modelRow);
    switch (column) {
    case Number: return QString::number(modelRow + 1);
    case Unit: return entries_.Text(row, AddressEntry::Unit);
    case Name: return entries_.Text(row, AddressEntry::Name);
    case Tel: return entries_.Text(row, AddressEntry::Tel);
    case Mobile: return entries_.Text(row, AddressEntry::Cell);
    case Zip: return entries_.Text(row, AddressEntry::Zip);
    case Address:
        return entries_.Text(row, AddressEntry::Address1) + QLatin1Char(' ') + entries_.Text(row, AddressEntry::Address2);
    case Key: return entries_.Text(row, AddressEntry::Num);
    default: return {};
    }
}

QVariant AddressListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole) {
        if (index.column() == Check)
            return {};
        return Text(index.column(), index.row());
    }
    if (role == Qt::CheckStateRole && index.column() == Check && !entries_.empty())
        return checked_[size_t(index.row())] ? Qt::Checked : Qt::Unchecked;
    return {};
}

bool AddressListModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    // Only the check box can change; nothing in the program reads it.
    if (!index.isValid() || role != Qt::CheckStateRole || index.column() != Check || entries_.empty())
        return false;
    checked_[size_t(index.row())] = value.toInt() == Qt::Checked;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

Qt::ItemFlags AddressListModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == Check && !entries_.empty())
        f |= Qt::ItemIsUserCheckable;
    return f;
}

QVariant AddressListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return headersShown_ ? HeaderText(section) : QString();
}

void AddressListModel::Replace(AddressList&& entries)
{
    beginResetModel();
    entries_ = std::move(entries);  // the old rows go as the new ones take their place
    checked_.assign(entries_.size(), false);
    if (!entries_.empty())
        headersShown_ = true;
    endResetModel();
    if (!entries_.empty())
        emit headerDataChanged(Qt::Horizontal, 0, Columns - 1);
}

QString AddressListModel::Num(int modelRow) const { return Text(Key, modelRow); }

int AddressListModel::RowCount() const { return rowCount() + 1; }

QString AddressListModel::Cell(int column, int row) const
{
    if (row == 0)
        return headersShown_ ? HeaderText(column) : QString();
    return Text(column, row - 1);
}
