#include "start.h"

#include "address.h"
#include "forms.h"
#include "store/paths.h"
#include "ui/controls.h"
#include "ui/fonts.h"
#include "ui/guard.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>

QRect SplashGeometry()
{
    if (Form3)
        return Form3->frameGeometry();
    if (QScreen* screen = QGuiApplication::primaryScreen())
        return screen->geometry();
    return {};
}

TForm3::TForm3()
{
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    setWindowTitle(QStringLiteral("Form3"));
    setFont(TahomaPx(11));
    const QSize size(400, 301);
    setFixedSize(size);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size, screen->availableGeometry()));

    Image1 = new TImage(this, true);
    Image1->setScaledContents(false);
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setGeometry(0, 0, 400, 301);
    Image1->SetPicture(QPixmap(QStringLiteral(":/splash.png")));

    Label1 = new QLabel(QStringLiteral("로딩 중...."), this);
    Label1->setFont(TahomaPx(11, true));
    QPalette white = Label1->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    Label1->setPalette(white);
    Label1->move(64, 208);
    Label1->adjustSize();

    // Opaque in the button-face colour, as the picture under it is dark. A label on the button
    // role would draw its text in the button-text colour: the text keeps the window-text role.
    label2 = new QLabel(this);
    label2->setAutoFillBackground(true);
    label2->setBackgroundRole(QPalette::Button);
    label2->setForegroundRole(QPalette::WindowText);
    label2->move(124, 208);
    label2->resize(0, label2->sizeHint().height());

    pb = new QProgressBar(this);
    pb->setGeometry(64, 227, 242, 17);
    pb->setRange(0, 100);
    pb->setValue(0);
    pb->setTextVisible(false);

    Button1 = new QPushButton(QStringLiteral("닫기"), this);
    Button1->setGeometry(312, 210, 49, 34);
    Button1->hide();
    ConnectGuarded(Button1, &QPushButton::clicked, this, &TForm3::Button1Click);

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    ConnectGuarded(Timer1, &QTimer::timeout, this, &TForm3::Timer1Timer);
    Timer1->start();
}

void TForm3::Timer1Timer()
{
    const int n = ++ticks_;
    // Positions past the range show a full bar.
    pb->setValue(n >= 2 ? 100 : 50 * n);
    if (n != 2)
        return;
    const QString path = ExeFolder() + QStringLiteral("address.db");
    if (QFileInfo(path).isFile()) {
        SetDatabasePath(path);
        label2->setText(QStringLiteral("Database Done"));
        label2->adjustSize();
        // The main window's show sequence runs inside show(), with this window still up.
        if (Form1) {
            Form1->show();
            Form1->raise();
            Form1->activateWindow();
        }
        hide();
    } else {
        QPalette red = label2->palette();
        red.setColor(QPalette::WindowText, QColor(255, 0, 0));
        label2->setPalette(red);
        label2->setText(QStringLiteral("Database Fail. Not Found 'address.db'"));
        label2->adjustSize();
        Button1->show();
    }
}

void TForm3::Button1Click() { close(); }

void TForm3::closeEvent(QCloseEvent* e)
{
    // The main form: once it closes, by any path and visible or not, the program ends.
    e->accept();
    if (ending_)
        return;
    ending_ = true;
    QCoreApplication::quit();
}
