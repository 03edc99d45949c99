// The main list's context menu: contacts in from vCard or CSV files, and out into one.
#include "address.h"

#include "store/contacts_io.h"
#include "ui/guard.h"
#include "ui/messages.h"
#include "ui/string_grid.h"

#include <QEvent>
#include <QMenu>
#include <QMouseEvent>

namespace {

// The right button only opens the menu: it must not move the current row or the selection.
class RightButtonFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
            if (static_cast<QMouseEvent*>(e)->button() == Qt::RightButton)
                return true;
            break;
        default:
            break;
        }
        return QObject::eventFilter(watched, e);
    }
};

}  // namespace

void TForm1::BuildListMenu()
{
    PopupMenu1 = new QMenu(this);
    ImportItem = PopupMenu1->addAction(QStringLiteral("가져오기…"));
    ExportItem = PopupMenu1->addAction(QStringLiteral("내보내기…"));
    grid->viewport()->installEventFilter(new RightButtonFilter(grid));
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    ConnectGuarded(grid, &QWidget::customContextMenuRequested, this,
                   [this](const QPoint& pos) { gridContextPopup(pos); });
}

void TForm1::gridContextPopup(const QPoint& pos)
{
    // The chosen item runs after the menu has closed, outside its event loop.
    QAction* chosen = PopupMenu1->exec(grid->viewport()->mapToGlobal(pos));
    if (chosen == ImportItem)
        ImportItemClick();
    else if (chosen == ExportItem)
        ExportItemClick();
}

void TForm1::ImportItemClick()
{
    const QStringList files = Messages::AskOpenFiles(
        QStringLiteral("가져오기"),
        QStringLiteral("연락처 파일 (*.vcf *.vcard *.csv *.txt);;vCard (*.vcf *.vcard);;CSV (*.csv *.txt);;모든 파일 (*)"));
    if (files.isEmpty())
        return;
    const Contacts::ImportReport report = Contacts::Import(files, std::nullopt, false);
    Messages::ShowPlain(Contacts::ReportSummaryKorean(report));
    RefreshList(Search);
}

void TForm1::ExportItemClick()
{
    const QString out =
        Messages::AskSaveFile(QStringLiteral("내보내기"), QStringLiteral("vCard (*.vcf);;CSV, Excel (*.csv)"));
    if (out.isEmpty())
        return;
    const int written = Contacts::Export(Contacts::FormatOf(out).value_or(Contacts::Format::VCard), out);
    Messages::ShowPlain(QString::number(written) + QStringLiteral("건을 내보냈습니다."));
}
