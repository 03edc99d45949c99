#pragma once
#include <QWidget>

// Holder of the label report; never shown itself.
class TForm4 : public QWidget {
    Q_OBJECT
public:
    TForm4();

    // Labels of the main window's current list in a print preview; returns when it closes.
    void PreviewLabels();
};
