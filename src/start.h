#pragma once
#include <QWidget>

// The splash window: checks for address.db on the second timer tick and hands over to the
// main window. It is the application's main form: closing it ends the program.
class TForm3 : public QWidget {
    Q_OBJECT
public:
    TForm3();
};
