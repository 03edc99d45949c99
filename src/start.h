#pragma once
#include <QRect>
#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QTimer;
class TImage;

// The splash window's place on the screen (the primary screen when there is no splash window):
// the dialogs open centred over it.
QRect SplashGeometry();

// The splash window: checks for address.db on the second timer tick and hands over to the
// main window. It is the application's main form: closing it ends the program.
class TForm3 : public QWidget {
    Q_OBJECT
public:
    TForm3();

    void Timer1Timer();   // one tick of Timer1
    void Button1Click();  // "닫기": ends the program

    TImage* Image1 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* label2 = nullptr;
    QProgressBar* pb = nullptr;
    QPushButton* Button1 = nullptr;
    QTimer* Timer1 = nullptr;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    bool ending_ = false;  // closed once: the program is ending
    int ticks_ = 0;  // raised by every tick, never reset; one splash window per run
};
