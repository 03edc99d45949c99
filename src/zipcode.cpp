#include "zipcode.h"

#include "add.h"
#include "start.h"
#include "forms.h"
#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui/hangul.h"
#include "ui/hangul_input.h"
#include "ui/pictures.h"
#include "ui/placement.h"
#include "ui/string_grid.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QWindow>
#include <algorithm>

// ---- The grid's cells ----------------------------------------------------------------------

int ZipGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : std::max<int>(1, int(rows_.size()));
}

int ZipGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 4; }

QVariant ZipGridModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    return Cell(index.column(), index.row() + 1);
}

QVariant ZipGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= 4)
        return {};
    return headers_[section];
}

Qt::ItemFlags ZipGridModel::flags(const QModelIndex& index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

int ZipGridModel::RowCount() const { return rowCount() + 1; }

QString ZipGridModel::Cell(int column, int row) const
{
    if (column < 0 || column >= 4)
        return {};
    if (row == 0)
        return headers_[column];
    if (row < 1 || row > int(rows_.size()))
        return {};
    const size_t r = size_t(row - 1);
    switch (column) {
    case 0: return QString::number(row);
    case 1: return rows_.Text(r, ZipcodeRow::Zipcode);
    case 2: return rows_.Text(r, ZipcodeRow::Sido);
    default: return ZipcodeDirectory::LocalAddress(rows_[r]);
    }
}

void ZipGridModel::SetHeaders(const QStringList& headers)
{
    for (int i = 0; i < 4; ++i)
        headers_[i] = i < headers.size() ? headers[i] : QString();
    emit headerDataChanged(Qt::Horizontal, 0, 3);
}

void ZipGridModel::SetRows(ZipcodeRows rows)
{
    beginResetModel();
    rows_ = std::move(rows);
    endResetModel();
}

// ---- The search window ---------------------------------------------------------------------

TForm5::TForm5()
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint);
    setWindowTitle(QStringLiteral("우편번호 검색"));
    setFixedSize(419, 472);
    setFont(TahomaPx(11));

    grid = new TStringGrid(this);
    grid->setGeometry(0, 105, 419, 297);
    grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    model = new ZipGridModel(grid);
    grid->setModel(model);
    grid->setColumnWidth(0, 28);
    grid->setColumnWidth(1, 61);
    grid->setColumnWidth(2, 53);
    grid->SetStretchedColumn(3);

    Panel1 = new QWidget(this);
    Panel1->setGeometry(0, 0, 419, 105);
    Image1 = NewGradientPicture(Panel1, QRect(0, 0, 419, 105));
    Button3 = new QPushButton(QStringLiteral("주소검색"), Panel1);
    Button3->setGeometry(215, 53, 75, 30);
    Button3->setAutoDefault(false);
    keywordLabel = new QLabel(QStringLiteral("동 이름으로 검색"), Panel1);
    keywordLabel->setFont(TahomaPx(15, true));
    QPalette white = keywordLabel->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    keywordLabel->setPalette(white);
    keywordLabel->setGeometry(16, 34, 120, 18);
    if (keywordLabel->sizeHint().width() > 120)
        keywordLabel->resize(keywordLabel->sizeHint().width(), 18);
    keyword = new QLineEdit(Panel1);
    keyword->setGeometry(16, 55, 193, 26);
    keyword->setFont(TahomaPx(15));

    Panel2 = new QWidget(this);
    Panel2->setGeometry(0, 402, 419, 70);
    Image2 = NewGradientPicture(Panel2, QRect(0, 0, 419, 70));
    Button1 = new QPushButton(QStringLiteral("확인"), Panel2);
    Button1->setGeometry(296, 14, 105, 43);
    Button1->setAutoDefault(false);

    setTabOrder(grid, Button3);
    setTabOrder(Button3, keyword);
    setTabOrder(keyword, Button1);
    HangulInput::AskForHangul(keyword);

    composition = new HangulComposition(this);
    composition->Watch(keyword);

    ConnectGuarded(Button3, &QPushButton::clicked, this, &TForm5::Button3Click);
    ConnectGuarded(keyword, &QLineEdit::returnPressed, this, &TForm5::keywordKeyPress);
    ConnectGuarded(Button1, &QPushButton::clicked, this, &TForm5::Button1Click);
}

void TForm5::ShowBeside()
{
    // Opened from the modal entry dialog, the window takes input beside it.
    if (Form2 && Form2->isVisible()) {
        winId();
        if (QWindow* window = windowHandle())
            window->setTransientParent(Form2->windowHandle());
    }
    if (isVisible()) {
        raise();
        activateWindow();
        return;
    }
    if (!placed_) {
        const QScreen* primary = QGuiApplication::primaryScreen();
        const QPoint p = CentredOver(SplashGeometry(), size(),
                                     primary ? primary->virtualGeometry() : QRect(0, 0, 1, 1));
        move(OntoMonitor(p, size(), primary ? primary->geometry() : QRect()));
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
}

void TForm5::LeaveEntryDialog()
{
    if (QWindow* window = windowHandle())
        window->setTransientParent(nullptr);
}

void TForm5::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        Guard([this] { FormShow(); });
}

void TForm5::keyPressEvent(QKeyEvent* event)
{
    // No cancel button: Escape does not hide the window.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm5::FormShow()
{
    composition->DiscardAll();
    keyword->clear();
    keyword->setFocus(Qt::OtherFocusReason);
    model->SetRows({});
}

void TForm5::SearchByDong()
{
    composition->CommitAll();
    ZipcodeRows rows = ZipcodeDirectory::FindByDong(keyword->text());
    // The grid changes only once the result is in.
    model->SetHeaders({QStringLiteral("번호"), QStringLiteral("우편번호"), QStringLiteral("지역"),
                       QStringLiteral("주소")});
    grid->setColumnWidth(1, 50);
    grid->setColumnWidth(2, 50);
    model->SetRows(std::move(rows));
}

void TForm5::Button3Click() { SearchByDong(); }

void TForm5::keywordKeyPress() { SearchByDong(); }

void TForm5::Button1Click()
{
    if (!Form2)
        return;
    const int r = grid->CurrentRow();
    const ZipGridModel* cells = model;
    Form2->SetZipText(cells->Cell(1, r));
    Form2->SetAddress1Text(cells->Cell(2, r) + QChar(u' ') + cells->Cell(3, r));
    Form2->FocusAddress2();
    hide();
}
