#include "add.h"

#include "address.h"
#include "forms.h"
#include "start.h"
#include "store/address_store.h"
#include "store/errors.h"
#include "store/zipcode_directory.h"
#include "ui/fonts.h"
#include "ui/guard.h"
#include "ui/hangul.h"
#include "ui/hangul_input.h"
#include "ui/pictures.h"
#include "ui/placement.h"
#include "ui/messages.h"
#include "zipcode.h"

#include <QComboBox>
#include <QFrame>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

// ---- The entry dialog ----------------------------------------------------------------------

namespace {

QLabel* NewCaption(QWidget* parent, const QString& text, const QRect& rect, const QFont& font)
{
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    QPalette p = label->palette();
    p.setColor(QPalette::WindowText, Qt::white);
    label->setPalette(p);
    label->setGeometry(rect);
    // Wider than the given box when the face is wider than Tahoma: never cut the text.
    if (label->sizeHint().width() > rect.width())
        label->resize(label->sizeHint().width(), rect.height());
    return label;
}

// The title sizes itself to its text, with room below for the underline, which the text
// height alone would cut off.
void FitTitle(QLabel* title)
{
    title->adjustSize();
    title->resize(title->width(), title->height() + 4);
}

QLineEdit* NewEdit(QWidget* parent, const QRect& rect)
{
    auto* edit = new QLineEdit(parent);
    edit->setGeometry(rect);
    edit->setFont(TahomaPx(15));
    return edit;
}

QPushButton* NewButton(QWidget* parent, const QString& text, const QRect& rect)
{
    auto* button = new QPushButton(text, parent);
    button->setGeometry(rect);
    // No default button: Enter has no dialog-wide effect.
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

}  // namespace

TForm2::TForm2()
{
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::WindowStaysOnTopHint);
    setFixedSize(385, 444);
    setFont(TahomaPx(11));
    SetTitle(QStringLiteral("신규 등록"));

    Panel1 = new QFrame(this);
    Panel1->setGeometry(0, 0, 385, 444);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setLineWidth(1);
    Image1 = NewGradientPicture(Panel1, QRect(1, 1, 383, 442));

    const QFont captionFont = TahomaPx(15, true);
    QFont titleFont = TahomaPx(25, true);
    titleFont.setItalic(true);
    titleFont.setUnderline(true);
    Label2 = NewCaption(Panel1, windowTitle(), QRect(16, 16, 104, 30), titleFont);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FitTitle(Label2);
    Label1 = NewCaption(Panel1, QStringLiteral("분류"), QRect(16, 72, 32, 18), captionFont);
    namesLabel = NewCaption(Panel1, QStringLiteral("이름"), QRect(149, 75, 32, 18), captionFont);
    telLabel = NewCaption(Panel1, QStringLiteral("전화번호"), QRect(16, 144, 64, 18), captionFont);
    cellLabel = NewCaption(Panel1, QStringLiteral("핸드폰번호"), QRect(149, 144, 80, 18), captionFont);
    zipLabel = NewCaption(Panel1, QStringLiteral("우편번호"), QRect(16, 225, 64, 18), captionFont);
    add1Label = NewCaption(Panel1, QStringLiteral("주소"), QRect(16, 283, 32, 18), captionFont);

    units = new QComboBox(Panel1);
    units->setEditable(true);
    units->setGeometry(16, 96, 120, 26);
    units->setFont(TahomaPx(15));
    units->setMaxVisibleItems(18);
    // The typed category stays exactly as typed: no completion, no insertion on Enter.
    units->setCompleter(nullptr);
    units->setInsertPolicy(QComboBox::NoInsert);
    names = NewEdit(Panel1, QRect(149, 96, 220, 26));
    tel = NewEdit(Panel1, QRect(16, 165, 120, 26));
    cell = NewEdit(Panel1, QRect(149, 165, 120, 26));
    zip = NewEdit(Panel1, QRect(16, 246, 120, 26));
    Button3 = NewButton(Panel1, QStringLiteral("주소검색"), QRect(142, 244, 75, 30));
    Button4 = NewButton(Panel1, QStringLiteral("우편번호검색"), QRect(223, 244, 82, 30));
    add1 = NewEdit(Panel1, QRect(16, 304, 345, 26));
    add2 = NewEdit(Panel1, QRect(15, 336, 346, 26));
    Button1 = NewButton(Panel1, QStringLiteral("등록"), QRect(149, 388, 90, 41));
    Button1->setFont(TahomaPx(13, true));
    Button2 = NewButton(Panel1, QStringLiteral("종료"), QRect(271, 388, 90, 41));
    QPalette red = Button2->palette();
    red.setColor(QPalette::ButtonText, Qt::red);
    Button2->setPalette(red);

    QWidget* order[] = {units, names, tel, cell, zip, Button3, Button4, add1, add2, Button1, Button2};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
    for (QWidget* field : {static_cast<QWidget*>(units), static_cast<QWidget*>(names),
                           static_cast<QWidget*>(add1), static_cast<QWidget*>(add2)})
        HangulInput::AskForHangul(field);

    composition = new HangulComposition(this);
    for (QWidget* field : {static_cast<QWidget*>(units), static_cast<QWidget*>(units->lineEdit()),
                           static_cast<QWidget*>(names), static_cast<QWidget*>(add1),
                           static_cast<QWidget*>(add2)})
        composition->Watch(field);

    Bind(Button1, &TForm2::Button1Click);
    Bind(Button2, &TForm2::Button2Click);
    Bind(Button3, &TForm2::Button3Click);
    Bind(Button4, &TForm2::Button4Click);
}

void TForm2::Bind(QPushButton* button, void (TForm2::*handler)())
{
    ConnectGuarded(button, &QPushButton::clicked, this, handler);
    // After the handler, also when it failed: a save that went through closes the dialog.
    connect(button, &QPushButton::clicked, this, &TForm2::FinishClose);
}

void TForm2::SetTitle(const QString& title)
{
    setWindowTitle(title);
    if (Label2) {
        Label2->setText(title);
        FitTitle(Label2);
    }
}

void TForm2::OpenForNew()
{
    const bool ready = Guard([this] {
        EntryMode = 0;
        SetTitle(QStringLiteral("신규 등록"));
        composition->DiscardAll();
        units->clearEditText();
        for (QLineEdit* field : {names, tel, cell, zip, add1, add2})
            field->clear();
    });
    if (ready)
        ShowModally();
}

void TForm2::OpenForEdit()
{
    const bool ready = Guard([this] {
        SetTitle(QStringLiteral("정보 수정"));
        EntryMode = 1;
        composition->DiscardAll();
        LoadSelectedEntry();
    });
    if (ready)
        ShowModally();
}

void TForm2::LoadSelectedEntry()
{
    const QString num = Form1 ? Form1->SelectedNum() : QString();
    const std::optional<AddressEntry> entry = AddressStore::LoadEntry(num);
    if (!entry)
        return;
    units->setEditText(entry->unit);
    names->setText(entry->name);
    tel->setText(entry->tel);
    cell->setText(entry->cell);
    zip->setText(entry->zip);
    add1->setText(entry->address1);
    add2->setText(entry->address2);
}

void TForm2::ShowModally()
{
    if (!placed_) {
        const QScreen* screen = QGuiApplication::primaryScreen();
        move(CentredOver(SplashGeometry(), size(), screen ? screen->virtualGeometry() : QRect()));
        placed_ = true;
    }
    // A search window still open from an earlier showing is blocked like every other window.
    if (Form5)
        Form5->LeaveEntryDialog();
    closeRequested_ = false;
    exec();
}

void TForm2::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        Guard([this] { FormShow(); });
}

void TForm2::keyPressEvent(QKeyEvent* event)
{
    // No cancel button: Escape does not close the dialog.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TForm2::FormShow()
{
    FillCategories();
    units->setFocus(Qt::OtherFocusReason);
}

void TForm2::FillCategories()
{
    const QStringList categories = AddressStore::ListCategories();
    // Emptying the list also empties the edit part: keep the typed or loaded category.
    const QString text = units->currentText();
    units->clear();
    for (int i = 0; i < categories.size(); ++i)
        units->insertItem(i, categories[i]);
    units->setCurrentIndex(-1);
    units->setEditText(text);
}

void TForm2::Close(int result)
{
    closeRequested_ = true;
    closeResult_ = result;
}

void TForm2::FinishClose()
{
    if (!closeRequested_)
        return;
    closeRequested_ = false;
    done(closeResult_);
}

static AddressEntry FieldsOf(const TForm2& form)
{
    AddressEntry entry;
    entry.unit = form.units->currentText();
    entry.name = form.names->text();
    entry.tel = form.tel->text();
    entry.cell = form.cell->text();
    entry.zip = form.zip->text();
    entry.address1 = form.add1->text();
    entry.address2 = form.add2->text();
    return entry;
}

void TForm2::Button1Click()
{
    composition->CommitAll();
    if (names->text().isEmpty()) {
        Messages::ShowPlain(QStringLiteral("이름을 입력해주세요"));
        names->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (EntryMode == 0)
        SaveNewEntry();
    else if (EntryMode == 1)
        SaveEditedEntry();
}

void TForm2::SaveNewEntry()
{
    AddressStore::InsertEntry(FieldsOf(*this));
    // Closing first: a failing refresh still lets the dialog go, the entry being saved.
    Close(QDialog::Accepted);
    if (Form1)
        Form1->RefreshList(Search);
}

void TForm2::SaveEditedEntry()
{
    const QString num = Form1 ? Form1->SelectedNum() : QString();
    AddressStore::UpdateEntry(num, FieldsOf(*this));
    Close(QDialog::Accepted);
    if (Form1)
        Form1->RefreshList(Search);
}

void TForm2::Button2Click() { Close(QDialog::Rejected); }

void TForm2::Button3Click()
{
    composition->CommitAll();
    const ZipcodeRows rows = ZipcodeDirectory::FindByZipcode(zip->text());
    for (const ZipcodeRow& row : rows)
        add1->setText(ZipcodeDirectory::FullAddress(row));
    add2->setFocus(Qt::OtherFocusReason);
}

void TForm2::Button4Click()
{
    if (Form5)
        Form5->ShowBeside();
}

void TForm2::SetZipText(const QString& text) { zip->setText(text); }

void TForm2::SetAddress1Text(const QString& text) { add1->setText(text); }

void TForm2::FocusAddress2()
{
    if (!isVisible())
        throw EError(QStringLiteral("Cannot focus a disabled or invisible window"));
    activateWindow();
    add2->setFocus(Qt::OtherFocusReason);
}
