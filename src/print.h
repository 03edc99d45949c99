#pragma once
#include "report/label_report.h"

#include <QString>
#include <QWidget>
#include <memory>

class QPrinter;
class QTimer;
class LabelPreviewWindow;

// Holder of the label report; never shown itself.
class TForm4 : public QWidget {
    Q_OBJECT
public:
    TForm4();
    ~TForm4() override;

    // Labels of the main window's current list in a print preview; returns when it closes.
    void PreviewLabels();
    // The same for any list; it must outlive the preview.
    void PreviewLabelsOf(const LabelSource& source);

    report::LabelReport qr;

    // The printer that the preview shows and prints on; its set-up persists between previews.
    QPrinter& Printer();

    // The preview's commands.
    void PrintFromPreview();  // a new run against the list of this moment, sent to the printer
    // (without a printer: to a PDF file the user names in a file dialog; cancelling it cancels)
    void SetUpPrinter();      // the printer set-up dialog

private:
    void PaintRequested(QPrinter* printer);
    void PaintPreview(QPrinter* printer);
    void ProducePreview(int budgetMs);

    // The preview's run, made in slices while the preview is open; its pages once it is over.
    std::unique_ptr<report::ReportRun> previewRun_;
    report::ReportDocument previewPages_;
    size_t shownPages_ = 0;
    QTimer* slices_ = nullptr;

    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<LabelPreviewWindow> preview_;
    const LabelSource* source_ = nullptr;
};
