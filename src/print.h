#pragma once
#include "report/label_report.h"

#include <QString>
#include <QWidget>
#include <functional>
#include <memory>

class QPrinter;
class QPrintPreviewWidget;
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

    // The preview window while it is open, else nullptr.
    QWidget* PreviewWindow() const;
    QPrintPreviewWidget* PreviewWidget() const;
    // The printer that the preview shows and prints on; its set-up persists between previews.
    QPrinter& Printer();

    // The preview's commands.
    void PrintFromPreview();  // a new run against the list of this moment, sent to the printer
    void SetUpPrinter();      // the printer set-up dialog

    // Without a printer, printing writes a PDF file that the user names. The default asks with a
    // file dialog; an empty answer cancels the print. Tests replace it.
    using PdfFileNameAsk = std::function<QString(QWidget* parent, const QString& suggested)>;
    static void SetPdfFileNameAsk(PdfFileNameAsk ask);  // nullptr: the file dialog again

    // Runs so far (previews and prints) and the pages of the last one.
    int Runs() const { return runs_; }
    const report::ReportDocument& LastRun() const { return lastRun_; }

private:
    void PaintRequested(QPrinter* printer);

    std::unique_ptr<QPrinter> printer_;
    std::unique_ptr<LabelPreviewWindow> preview_;
    const LabelSource* source_ = nullptr;
    report::ReportDocument lastRun_;
    int runs_ = 0;
};
