#include "address.h"

#include "add.h"
#include "forms.h"
#include "print.h"
#include "start.h"
#include "store/address_store.h"
#include "store/paths.h"
#include "ui/address_list_model.h"
#include "ui/controls.h"
#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui/hangul.h"
#include "ui/hangul_input.h"
#include "ui/messages.h"
#include "ui/string_grid.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace {

const QSize kDesignSize(786, 580);

QString StatusTextFor(size_t count)
{
    return QString::number(count) + QStringLiteral(" 건이 검색되었습니다.    ");
}

SearchField FieldOf(int kindIndex)
{
    switch (kindIndex) {
    case 1: return SearchField::tel;
    case 2: return SearchField::cell;
    case 3: return SearchField::address1;
    default: return SearchField::name;
    }
}

QLabel* Caption(QWidget* parent, const QString& text, int x, int y)
{
    auto* label = new QLabel(text, parent);
    label->setFont(TahomaPx(14, true));
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(p);
    label->move(x, y);
    label->adjustSize();
    return label;
}

void SolidFill(QWidget* w, const QColor& colour)
{
    QPalette p = w->palette();
    p.setColor(QPalette::Window, colour);
    w->setPalette(p);
    w->setAutoFillBackground(true);
}

}  // namespace

TForm1::TForm1()
{
    setWindowTitle(QStringLiteral("주소록"));
    setFont(TahomaPx(11));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Panel4 = new TBand(this, 65);
    Panel1 = new TBand(this, 67);
    Panel2 = new TBand(this, 69);
    Panel3 = new TBand(this);
    Panel3->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel3->setLineWidth(1);
    stbar = new QStatusBar(this);
    stbar->setFixedHeight(26);
    stbar->setSizeGripEnabled(false);

    BuildTitleBar();
    BuildToolbar();
    BuildSearchBar();
    BuildGrid();

    stbarPanel0 = new QLabel(stbar);
    stbarPanel0->setFixedWidth(50);
    stbarPanel1 = new QLabel(stbar);
    stbar->addWidget(stbarPanel0);
    stbar->addWidget(stbarPanel1, 1);

    layout->addWidget(Panel4);
    layout->addWidget(Panel1);
    layout->addWidget(Panel2);
    layout->addWidget(Panel3, 1);
    layout->addWidget(stbar);

    // A syllable still being composed is not yet in the field's text: the buttons and pictures
    // commit it before they act.
    composition = new HangulComposition(this);
    composition->Watch(keyword);
    composition->Watch(cb->lineEdit());

    setTabOrder(keyword, Button1);
    setTabOrder(Button1, cb2);
    setTabOrder(cb2, cb);
    setTabOrder(cb, grid);

    // Hangul while the search boxes have the focus; the mode found returns when it leaves them.
    for (QWidget* box : {static_cast<QWidget*>(keyword), static_cast<QWidget*>(cb),
                         static_cast<QWidget*>(cb2)})
        HangulInput::AskForHangul(box, HangulInput::OnLeave::GiveBack);

    // Centred at the design size for when it is restored; it opens maximized.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, kDesignSize,
                                        screen->availableGeometry()));
    else
        resize(kDesignSize);
    // Equal minimum and maximum sizes would keep a window manager from maximising the window:
    // it may not shrink below its design size, and a size that dragging its border gave it is
    // undone, while maximising still gives the whole screen.
    setMinimumSize(kDesignSize);
    keepSize_ = new QTimer(this);
    keepSize_->setSingleShot(true);
    keepSize_->setInterval(150);
    ConnectGuarded(keepSize_, &QTimer::timeout, this, &TForm1::KeepDesignSize);
    setWindowState(Qt::WindowMaximized);
}

void TForm1::BuildTitleBar()
{
    Image3 = new TImage(Panel4, true);
    SolidFill(Image3, QColor(29, 47, 79));
    Panel4->AddFill(Image3);
    Image15 = new TImage(Panel4);
    Image15->move(1, 0);
    Image15->SetPicture(QPixmap(QStringLiteral(":/title.png")));
}

void TForm1::BuildToolbar()
{
    // Under the stretched picture, the same gradient painted, for a build without pictures.
    QLinearGradient gradient(0, 0, 0, 67);
    gradient.setColorAt(0, QColor(29, 47, 79));
    gradient.setColorAt(1, QColor(152, 163, 180));
    QPalette p = Panel1->palette();
    p.setBrush(QPalette::Window, gradient);
    Panel1->setPalette(p);
    Panel1->setAutoFillBackground(true);

    Image1 = new TImage(Panel1, true);
    Image1->SetPicture(QPixmap(QStringLiteral(":/toolbar_gradient.png")));
    Panel1->AddFill(Image1);

    auto picture = [this](int left, const char* resource) {
        auto* image = new TImage(Panel1);
        image->move(left, 0);
        image->SetPicture(QPixmap(QString::fromLatin1(resource)));
        return image;
    };
    // Created left to right, so that a later picture lies over an earlier one where they meet.
    Image2 = picture(8, ":/face_new.png");
    Image9 = picture(110, ":/separator.png");
    Image4 = picture(130, ":/face_edit.png");
    Image10 = picture(232, ":/separator.png");
    Image5 = picture(252, ":/face_delete.png");
    Image12 = picture(354, ":/separator.png");
    Image6 = picture(374, ":/face_print.png");
    Image13 = picture(476, ":/separator.png");
    Image7 = picture(501, ":/face_backup.png");
    Image11 = picture(598, ":/separator.png");
    Image8 = picture(700, ":/face_exit.png");

    auto bind = [this](TImage* image, void (TForm1::*click)(), void (TForm1::*move)(),
                       void (TForm1::*leave)()) {
        image->setCursor(Qt::PointingHandCursor);
        ConnectGuarded(image, &TImage::clicked, this, click);
        ConnectGuarded(image, &TImage::mouseMoved, this, move);
        ConnectGuarded(image, &TImage::mouseLeft, this, leave);
    };
    bind(Image2, &TForm1::Image2Click, &TForm1::Image2MouseMove, &TForm1::Image2MouseLeave);
    bind(Image4, &TForm1::Image4Click, &TForm1::Image4MouseMove, &TForm1::Image4MouseLeave);
    bind(Image5, &TForm1::Image5Click, &TForm1::Image5MouseMove, &TForm1::Image5MouseLeave);
    bind(Image6, &TForm1::Image6Click, &TForm1::Image6MouseMove, &TForm1::Image6MouseLeave);
    bind(Image7, &TForm1::Image7Click, &TForm1::Image7MouseMove, &TForm1::Image7MouseLeave);
    bind(Image8, &TForm1::Image8Click, &TForm1::Image8MouseMove, &TForm1::Image8MouseLeave);
}

void TForm1::BuildSearchBar()
{
    Image14 = new TImage(Panel2, true);
    SolidFill(Image14, QColor(152, 163, 181));
    Panel2->AddFill(Image14);

    Label1 = Caption(Panel2, QStringLiteral("분류"), 25, 0);
    Label2 = Caption(Panel2, QStringLiteral("검색종류"), 141, 0);
    Label3 = Caption(Panel2, QStringLiteral("검색어"), 263, 0);

    // Created in tab order: keyword, Button1, cb2, cb.
    keyword = new TClickEdit(Panel2);
    keyword->setGeometry(263, 23, 242, 31);
    keyword->setFont(TahomaPx(19));
    keyword->setAttribute(Qt::WA_InputMethodEnabled);
    ConnectGuarded(keyword, &TClickEdit::clicked, this, &TForm1::keywordClick);
    // Enter in keyword starts nothing: returnPressed is left unconnected on purpose.

    Button1 = new QPushButton(QStringLiteral("검색"), Panel2);
    Button1->setGeometry(516, 22, 94, 35);
    Button1->setFont(TahomaPx(14, true));
    Button1->setAutoDefault(false);
    ConnectGuarded(Button1, &QPushButton::clicked, this, &TForm1::Button1Click);

    cb2 = new QComboBox(Panel2);
    cb2->setGeometry(141, 23, 116, 31);
    cb2->setFont(TahomaPx(19));
    cb2->addItems({QStringLiteral("이름"), QStringLiteral("전화번호"), QStringLiteral("핸드폰"),
                   QStringLiteral("주소")});
    cb2->setCurrentIndex(0);
    cb2->setAttribute(Qt::WA_InputMethodEnabled);

    cb = new QComboBox(Panel2);
    cb->setEditable(true);
    cb->setGeometry(25, 23, 110, 31);
    cb->setFont(TahomaPx(19));
    // A typed text is the filter as it stands: no completion, no items added on Enter, and no
    // item selected behind the user's back when the text happens to match one.
    cb->setCompleter(nullptr);
    cb->setInsertPolicy(QComboBox::NoInsert);
    QObject::disconnect(cb->lineEdit(), &QLineEdit::editingFinished, cb, nullptr);
    cb->setAttribute(Qt::WA_InputMethodEnabled);
    cb->lineEdit()->setAttribute(Qt::WA_InputMethodEnabled);
    ConnectGuarded(cb->lineEdit(), &QLineEdit::textEdited, this, [this] {
        cbIndex_ = -1;
        cbChange();
    });
    ConnectGuarded(cb, &QComboBox::activated, this, [this](int index) {
        cbIndex_ = index;
        cbChange();
    });
}

void TForm1::BuildGrid()
{
    auto* inside = new QVBoxLayout(Panel3);
    inside->setContentsMargins(0, 0, 0, 0);
    grid = new TStringGrid(Panel3);
    inside->addWidget(grid);

    model = new AddressListModel(grid);
    grid->setModel(model);
    const int widths[] = {37, 40, 40, 40, 524, 8, 50, 40};
    for (int c = 0; c < 8; ++c)
        grid->setColumnWidth(c, widths[c]);
    grid->SetStretchedColumn(AddressListModel::Address);
    grid->SetHiddenColumn(AddressListModel::Key);
    BuildListMenu();
}

void TForm1::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    // Checked a moment later: a window manager may report the new size before the new state.
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)) &&
        size() != kDesignSize)
        keepSize_->start();
}

void TForm1::KeepDesignSize()
{
    if (!(windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)) &&
        size() != kDesignSize)
        resize(kDesignSize);
}

void TForm1::showEvent(QShowEvent* e)
{
    QWidget::showEvent(e);
    // Only the program's own show runs the sequence, not a restore by the window system.
    if (!e->spontaneous())
        Guard([&] { FormShow(); });
}

void TForm1::closeEvent(QCloseEvent* e)
{
    Guard([&] { FormClose(); });
    e->accept();
}

void TForm1::FormShow()
{
    CheckDatabase();
    RefreshList(All);
    LoadCategories();
}

void TForm1::FormClose()
{
    if (Form3)
        Form3->close();
}

void TForm1::CheckDatabase()
{
    if (!QFileInfo(ExeFolder() + QStringLiteral("address.db")).isFile())
        Messages::ShowPlain(QStringLiteral("DB 연결 실패."));
}

void TForm1::RefreshList(int mode)
{
    const SearchField field = FieldOf(cb2->currentIndex());
    const bool filtered = cbIndex_ != 0;
    const QString category = cb->currentText();

    // Fetch first: an error of the store leaves the grid and the status bar as they were.
    AddressList entries;
    if (mode == CategoryFilter)
        entries = filtered ? AddressStore::ListByCategory(category) : AddressStore::ListAll();
    else if (mode == Search)
        entries = AddressStore::SearchEntries(filtered ? std::optional<QString>(category) : std::nullopt,
                                              field, keyword->text());
    else
        entries = AddressStore::ListAll();

    const size_t n = entries.size();
    if (n > 0) {
        stbarPanel1->setText(StatusTextFor(n));
        model->Replace(std::move(entries));
        const int widths[] = {100, 100, 90, 90, 90};
        for (int c = 1; c <= 5; ++c)
            grid->setColumnWidth(c, widths[c - 1]);
        grid->SelectWholeRows();
    } else {
        // One blank row under the header, which keeps its texts, as the widths and status do.
        model->Replace(AddressList());
    }
}

QString TForm1::SelectedNum() const
{
    const QModelIndex current = grid->currentIndex();
    return current.isValid() ? model->Num(current.row()) : QString();
}

void TForm1::LoadCategories()
{
    const QStringList categories = AddressStore::ListCategories();
    const QSignalBlocker block(cb);
    cb->clear();
    cb->clearEditText();
    cb->insertItem(0, QStringLiteral("전체"));
    cb->insertItems(1, categories);
    if (!categories.isEmpty()) {
        cb->setCurrentIndex(0);
        cbIndex_ = 0;
    } else {
        cb->setCurrentIndex(-1);
        cb->clearEditText();
        cbIndex_ = -1;
    }
}

const LabelSource& TForm1::List() const { return *model; }

void TForm1::cbChange() { RefreshList(CategoryFilter); }

void TForm1::Button1Click()
{
    composition->CommitAll();
    RefreshList(Search);
}

void TForm1::keywordClick() { keyword->selectAll(); }

// Toolbar actions.

void TForm1::Image2Click()
{
    composition->CommitAll();
    if (Form2)
        Form2->OpenForNew();
}

void TForm1::Image4Click()
{
    composition->CommitAll();
    if (SelectedNum().isEmpty()) {
        Messages::ShowPlain(QStringLiteral("선택이 안되었습니다"));
        return;
    }
    if (Form2)
        Form2->OpenForEdit();
}

void TForm1::Image5Click()
{
    composition->CommitAll();
    if (SelectedNum().isEmpty()) {
        Messages::ShowPlain(QStringLiteral("선택이 안되었습니다"));
        return;
    }
    // The question blocks nothing: the row current when it is answered is the one deleted.
    if (Messages::AskYesNo(QStringLiteral("정말 삭제 하시  겠습니까?"), QStringLiteral("삭제")))
        AddressStore::DeleteEntry(SelectedNum());
    RefreshList(Search);
}

void TForm1::Image6Click()
{
    composition->CommitAll();
    if (Form4)
        Form4->PreviewLabels();
}

void TForm1::Image7Click()
{
    composition->CommitAll();
    if (!AddressStore::BackupDatabase())
        Messages::ShowInformation(
            QStringLiteral("Test.db does not exist. Click Test Sqlite 3 to create it."));
}

void TForm1::Image8Click()
{
    if (Form3)
        Form3->close();
    close();
}

// Hover faces: read from ./image/ under the current folder at every event.

void TForm1::LoadFace(TImage* image, const QString& path)
{
    // The error box of a failed load takes the mouse off the picture; that leave is not the
    // user's and would only stack a second box.
    if (hoverBusy_)
        return;
    hoverBusy_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{hoverBusy_};
    try {
        image->LoadFromFile(path);
    } catch (...) {
        ShowErrorOf(std::current_exception());
    }
}

void TForm1::Image2MouseMove() { LoadFace(Image2, QStringLiteral("./image/1_2.png")); }
void TForm1::Image2MouseLeave() { LoadFace(Image2, QStringLiteral("./image/1.png")); }
void TForm1::Image4MouseMove() { LoadFace(Image4, QStringLiteral("./image/2_2.png")); }
void TForm1::Image4MouseLeave() { LoadFace(Image4, QStringLiteral("./image/2.png")); }
void TForm1::Image5MouseMove() { LoadFace(Image5, QStringLiteral("./image/3_2.png")); }
void TForm1::Image5MouseLeave() { LoadFace(Image5, QStringLiteral("./image/3.png")); }
void TForm1::Image6MouseMove() { LoadFace(Image6, QStringLiteral("./image/5_2.png")); }
void TForm1::Image6MouseLeave() { LoadFace(Image6, QStringLiteral("./image/5.png")); }
void TForm1::Image7MouseMove() { LoadFace(Image7, QStringLiteral("./image/4_2.png")); }
void TForm1::Image7MouseLeave() { LoadFace(Image7, QStringLiteral("./image/4.png")); }
void TForm1::Image8MouseMove() { LoadFace(Image8, QStringLiteral("./image/6_2.png")); }
void TForm1::Image8MouseLeave() { LoadFace(Image8, QStringLiteral("./image/6.png")); }
