#include "ui/string_grid.h"

#include "ui/fonts.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>
#include <algorithm>

namespace {

// Cells as a string grid draws them: text from 2 pixels in, cut at the cell's edge rather than
// elided; a check box where the model has one; the current row filled pale yellow.
class GridCellDelegate : public QStyledItemDelegate {
public:
    explicit GridCellDelegate(QTableView* view) : QStyledItemDelegate(view), view_(view) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        const QModelIndex current = view_->currentIndex();
        const bool isCurrent = current.isValid() && current.row() == index.row();
        const QBrush fill = isCurrent ? QBrush(TStringGrid::CurrentRowColour())
                                      : option.palette.brush(QPalette::Base);
        if (index.data(Qt::CheckStateRole).isValid()) {
            QStyleOptionViewItem opt = option;
            initStyleOption(&opt, index);
            opt.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
            opt.backgroundBrush = fill;
            const QWidget* widget = opt.widget;
            QStyle* style = widget ? widget->style() : QApplication::style();
            style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
            return;
        }
        painter->save();
        painter->setClipRect(option.rect);
        painter->fillRect(option.rect, fill);
        painter->setFont(option.font);
        painter->setPen(option.palette.color(QPalette::Text));
        painter->drawText(option.rect.adjusted(2, 0, 0, 0),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          index.data(Qt::DisplayRole).toString());
        painter->restore();
    }

private:
    QTableView* view_;
};

}  // namespace

TStringGrid::TStringGrid(QWidget* parent) : QTableView(parent)
{
    setItemDelegate(new GridCellDelegate(this));
    setFont(TahomaPx(11));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSortingEnabled(false);
    setShowGrid(true);
    setWordWrap(false);
    setTextElideMode(Qt::ElideNone);
    setCornerButtonEnabled(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setTabKeyNavigation(false);

    QHeaderView* rows = verticalHeader();
    rows->hide();
    rows->setMinimumSectionSize(1);
    rows->setDefaultSectionSize(25);
    rows->setSectionResizeMode(QHeaderView::Fixed);

    QHeaderView* header = horizontalHeader();
    header->setFont(TahomaPx(11, true));
    header->setFixedHeight(25);
    header->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setSortIndicatorShown(false);
    header->setMinimumSectionSize(1);
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
}

void TStringGrid::setModel(QAbstractItemModel* model)
{
    QTableView::setModel(model);
    if (!model)
        return;
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        keptRow_ = CurrentRow();
        keptColumn_ = currentIndex().isValid() ? currentIndex().column() : 0;
    });
    connect(model, &QAbstractItemModel::modelReset, this, [this] { SetCurrentRow(keptRow_, keptColumn_); });
    // The highlight is painted per row: a new current row repaints the rows.
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, viewport(),
            qOverload<>(&QWidget::update));
    SetCurrentRow(1);
}

void TStringGrid::SetStretchedColumn(int column)
{
    horizontalHeader()->setSectionResizeMode(column, QHeaderView::Stretch);
}

void TStringGrid::SetHiddenColumn(int column) { setColumnHidden(column, true); }

void TStringGrid::SelectWholeRows()
{
    if (selectionBehavior() == QAbstractItemView::SelectRows)
        return;
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    SetCurrentRow(CurrentRow());
}

int TStringGrid::CurrentRow() const
{
    const QModelIndex current = currentIndex();
    return current.isValid() ? current.row() + 1 : 1;
}

void TStringGrid::SetCurrentRow(int row)
{
    const QModelIndex current = currentIndex();
    SetCurrentRow(row, current.isValid() ? current.column() : 0);
}

void TStringGrid::SetCurrentRow(int row, int column)
{
    if (!model() || model()->rowCount() < 1)
        return;
    row = std::clamp(row, 1, model()->rowCount());
    QItemSelectionModel::SelectionFlags flags = QItemSelectionModel::ClearAndSelect;
    if (selectionBehavior() == QAbstractItemView::SelectRows)
        flags |= QItemSelectionModel::Rows;
    selectionModel()->setCurrentIndex(model()->index(row - 1, column), flags);
}
