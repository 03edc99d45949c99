#pragma once
#include <QDialog>

// The postal code search window, shown beside the entry dialog.
class TForm5 : public QDialog {
    Q_OBJECT
public:
    TForm5();

    // Shows the window non-modally; when it is shown already, only brings it to the front.
    void ShowBeside();
};
