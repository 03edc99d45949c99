#include "print.h"

#include "address.h"
#include "forms.h"
#include "report/label_painter.h"
#include "ui/guard.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMainWindow>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QScreen>
#include <QSpinBox>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QElapsedTimer>
#include <algorithm>

namespace {

QString AskWithFileDialog(QWidget* parent, const QString& suggested)
{
    return QFileDialog::getSaveFileName(parent, QStringLiteral("PDF 파일로 저장"), suggested,
                                        QStringLiteral("PDF (*.pdf)"));
}

QIcon PreviewIcon(const char* theme, const char* picture)
{
    // Qt's own preview pictures, unless the desktop theme has its icon.
    return QIcon::fromTheme(QString::fromLatin1(theme),
                            QIcon(QStringLiteral(":/qt-project.org/dialogs/qprintpreviewdialog/images/%1-24.png")
                                      .arg(QString::fromLatin1(picture))));
}

}  // namespace

// The print preview: pages, zoom, printer set-up and printing, around Qt's preview widget.
class LabelPreviewWindow : public QMainWindow {
public:
    LabelPreviewWindow(QPrinter* printer, TForm4* owner) : preview_(new QPrintPreviewWidget(printer, this))
    {
        setWindowTitle(QStringLiteral("라벨 미리보기"));
        setAttribute(Qt::WA_QuitOnClose, false);
        setCentralWidget(preview_);
        preview_->setZoomMode(QPrintPreviewWidget::FitToWidth);

        QToolBar* bar = addToolBar(QStringLiteral("미리보기"));
        bar->setMovable(false);
        bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        const auto add = [&](const char* name, const QString& text, const QIcon& icon, auto body) {
            QAction* a = bar->addAction(icon, text);
            a->setObjectName(QString::fromLatin1(name));
            ConnectGuarded(a, &QAction::triggered, this, [body] { body(); });
            return a;
        };
        add("fitWidth", QStringLiteral("너비 맞춤"), PreviewIcon("zoom-fit-width", "zoom-fit-width"),
            [this] { preview_->fitToWidth(); });
        add("fitPage", QStringLiteral("쪽 맞춤"), PreviewIcon("zoom-fit-best", "zoom-fit-page"),
            [this] { preview_->fitInView(); });
        add("zoomIn", QStringLiteral("확대"), PreviewIcon("zoom-in", "zoom-in"), [this] { preview_->zoomIn(); })
            ->setShortcut(QKeySequence::ZoomIn);
        add("zoomOut", QStringLiteral("축소"), PreviewIcon("zoom-out", "zoom-out"), [this] { preview_->zoomOut(); })
            ->setShortcut(QKeySequence::ZoomOut);
        bar->addSeparator();
        add("firstPage", QStringLiteral("처음"), PreviewIcon("go-first", "go-first"),
            [this] { preview_->setCurrentPage(1); });
        add("previousPage", QStringLiteral("이전"), PreviewIcon("go-previous", "go-previous"),
            [this] { preview_->setCurrentPage(preview_->currentPage() - 1); })
            ->setShortcut(QKeySequence::MoveToPreviousPage);
        page_ = new QSpinBox(bar);
        page_->setObjectName(QStringLiteral("page"));
        page_->setKeyboardTracking(false);
        bar->addWidget(page_);
        pages_ = new QLabel(bar);
        pages_->setObjectName(QStringLiteral("pages"));
        bar->addWidget(pages_);
        add("nextPage", QStringLiteral("다음"), PreviewIcon("go-next", "go-next"),
            [this] { preview_->setCurrentPage(preview_->currentPage() + 1); })
            ->setShortcut(QKeySequence::MoveToNextPage);
        add("lastPage", QStringLiteral("마지막"), PreviewIcon("go-last", "go-last"),
            [this] { preview_->setCurrentPage(preview_->pageCount()); });
        bar->addSeparator();
        add("singlePage", QStringLiteral("한 쪽"), PreviewIcon("view-pages-single", "view-pages-single"),
            [this] { preview_->setSinglePageViewMode(); });
        add("allPages", QStringLiteral("모든 쪽"), PreviewIcon("view-pages-overview", "view-pages-overview"),
            [this] { preview_->setAllPagesViewMode(); });
        bar->addSeparator();
        add("printerSetup", QStringLiteral("프린터 설정"), PreviewIcon("document-page-setup", "page-setup"),
            [owner] { owner->SetUpPrinter(); });
        add("print", QStringLiteral("인쇄"), PreviewIcon("document-print", "printer"),
            [owner] { owner->PrintFromPreview(); })
            ->setShortcut(QKeySequence::Print);
        add("close", QStringLiteral("닫기"), style()->standardIcon(QStyle::SP_DialogCloseButton), [this] { close(); })->setShortcut(Qt::Key_Escape);

        ConnectGuarded(page_, &QSpinBox::valueChanged, this,
                       [this](int page) { preview_->setCurrentPage(page); });
        ConnectGuarded(preview_, &QPrintPreviewWidget::previewChanged, this, [this] { ShowPageNumbers(); });
    }

    QPrintPreviewWidget* Preview() const { return preview_; }
    std::function<void()> OnClosed;

protected:
    void closeEvent(QCloseEvent* event) override
    {
        QMainWindow::closeEvent(event);
        if (event->isAccepted() && OnClosed)
            OnClosed();
    }

private:
    void ShowPageNumbers()
    {
        const QSignalBlocker quiet(page_);
        page_->setRange(preview_->pageCount() > 0 ? 1 : 0, preview_->pageCount());
        page_->setValue(preview_->currentPage());
        pages_->setText(QStringLiteral(" / %1 ").arg(preview_->pageCount()));
    }

    QPrintPreviewWidget* preview_;
    QSpinBox* page_ = nullptr;
    QLabel* pages_ = nullptr;
};

TForm4::TForm4() : slices_(new QTimer(this))
{
    // Pages after the first are made between the window's events, a slice at a time.
    slices_->setInterval(0);
    ConnectGuarded(slices_, &QTimer::timeout, this, [this] { ProducePreview(15); });
}

TForm4::~TForm4() = default;

void TForm4::PreviewLabels()
{
    if (Form1)
        PreviewLabelsOf(Form1->List());
}

void TForm4::PreviewLabelsOf(const LabelSource& source)
{
    if (preview_) {
        // Already open: a second preview would only wait inside the first one's loop.
        preview_->setWindowState((preview_->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
        preview_->raise();
        preview_->activateWindow();
        return;
    }
    struct Reset {
        TForm4* form;
        ~Reset()
        {
            form->slices_->stop();
            form->previewRun_.reset();
            form->previewPages_ = {};
            form->shownPages_ = 0;
            form->preview_.reset();
            form->source_ = nullptr;
        }
    } reset{this};

    source_ = &source;
    previewRun_ = qr.Start(source);
    // A short list is made whole before the window shows; a long one shows its first page.
    ProducePreview(20);
    preview_ = std::make_unique<LabelPreviewWindow>(&Printer(), this);
    ConnectGuarded(preview_->Preview(), &QPrintPreviewWidget::paintRequested, this,
                   [this](QPrinter* printer) { PaintPreview(printer); });
    QEventLoop loop;
    preview_->OnClosed = [&loop] { loop.quit(); };
    // The restored size, most of the screen, centred.
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        QRect restored(QPoint(), area.size() * 0.9);
        restored.moveCenter(area.center());
        preview_->setGeometry(restored);
    }
    preview_->showMaximized();  // paints the pages made so far
    if (previewRun_)
        slices_->start();
    if (preview_->isVisible())
        loop.exec();
}

QPrinter& TForm4::Printer()
{
    if (!printer_) {
        printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer_->setDocName(QStringLiteral("주소 라벨"));
        printer_->setCopyCount(1);
        printer_->setPrintRange(QPrinter::AllPages);
        printer_->setDuplex(QPrinter::DuplexNone);
        report::ApplyPageSetup(*printer_, qr.Page);
    }
    return *printer_;
}

// Makes more of the preview's run for about budgetMs (at least its first page), then shows the
// new pages once there are four times as many as shown. Qt's preview repaints every page on each
// update, so it grows by a factor and stops growing at a quarter of the pages the list will give:
// all updates before the last repaint a third of the run at most.
void TForm4::ProducePreview(int budgetMs)
{
    if (!previewRun_)
        return;
    const auto complete = [this] {
        const size_t made = previewRun_->Document().pages.size();
        return previewRun_->Done() ? made : made - std::min<size_t>(made, 1);
    };
    QElapsedTimer clock;
    clock.start();
    do
        previewRun_->Step(16);  // two pages
    while (!previewRun_->Done() && (complete() == 0 || clock.elapsed() < budgetMs));
    const bool done = previewRun_->Done();
    const size_t ready = complete();
    if (done) {
        slices_->stop();
        previewPages_ = previewRun_->Take();
        previewRun_.reset();
    }
    const size_t expected = size_t(std::max(0, source_->RowCount() / 2 + 7) / 8);
    if (preview_ && (done || (ready >= 4 * shownPages_ && 4 * ready <= expected)))
        preview_->Preview()->updatePreview();
}

void TForm4::PaintPreview(QPrinter* printer)
{
    const report::ReportDocument& doc = previewRun_ ? previewRun_->Document() : previewPages_;
    const size_t made = doc.pages.size();
    shownPages_ = previewRun_ ? made - std::min<size_t>(made, 1) : made;
    report::PaintPages(doc, qr.Page, *printer, QStringLiteral("라벨을 미리 보이지 못했습니다"), shownPages_);
}

void TForm4::PaintRequested(QPrinter* printer)
{
    if (!source_)
        return;
    // The preview's run shares the report's state: it ends before a print starts another.
    while (previewRun_)
        ProducePreview(1000);
    const report::ReportDocument run = qr.Run(*source_);
    const QString target = printer->outputFileName().isEmpty() ? printer->printerName() : printer->outputFileName();
    report::PaintPages(run, qr.Page, *printer, QStringLiteral("라벨을 인쇄하지 못했습니다 (%1)").arg(target));
}

void TForm4::PrintFromPreview()
{
    Guard([&] {
        if (!preview_)
            return;
        QPrinter& printer = Printer();
        if (printer.outputFormat() == QPrinter::PdfFormat) {
            const QString suggested = printer.outputFileName().isEmpty()
                                          ? QDir::home().filePath(QStringLiteral("labels.pdf"))
                                          : printer.outputFileName();
            QString name = AskWithFileDialog(preview_.get(), suggested);
            if (name.isEmpty())
                return;
            if (QFileInfo(name).suffix().isEmpty())
                name += QStringLiteral(".pdf");
            printer.setOutputFileName(name);
        }
        PaintRequested(&printer);
    });
}

void TForm4::SetUpPrinter()
{
    Guard([&] {
        QPrintDialog dialog(&Printer(), preview_.get());
        dialog.setWindowTitle(QStringLiteral("프린터 설정"));
        if (dialog.exec() == QDialog::Accepted && preview_)
            preview_->Preview()->updatePreview();
    });
}
