// Qt's own dialogs in the user's language: with the Korean translations loaded, the file dialog
// and the print preview that Qt provides show Korean texts.
#include "ui/translations.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QPrintPreviewDialog>
#include <QtTest>

namespace {

bool HasHangul(const QString& text)
{
    for (QChar c : text)
        if (c.unicode() >= 0xAC00 && c.unicode() <= 0xD7A3)
            return true;
    return false;
}

// Every text a user reads on the widget: labels, buttons, actions and the title.
QStringList ShownTexts(QWidget* w)
{
    QStringList texts{w->windowTitle()};
    for (QLabel* l : w->findChildren<QLabel*>())
        texts << l->text();
    for (QAbstractButton* b : w->findChildren<QAbstractButton*>())
        texts << b->text() << b->toolTip();
    for (QAction* a : w->findChildren<QAction*>())
        texts << a->text();
    return texts;
}

}  // namespace

class TestTranslations : public QObject {
    Q_OBJECT
private slots:
    void koreanDialogs()
    {
        QVERIFY2(InstallQtTranslations(QLocale(QLocale::Korean, QLocale::SouthKorea)),
                 "qtbase_ko.qm not found: install qt6-translations-l10n");
        QFileDialog files;
        files.setOption(QFileDialog::DontUseNativeDialog);
        const QStringList fileTexts = ShownTexts(&files);
        QVERIFY2(std::any_of(fileTexts.begin(), fileTexts.end(), HasHangul), qPrintable(fileTexts.join('|')));

        QPrintPreviewDialog preview;
        const QStringList previewTexts = ShownTexts(&preview);
        QVERIFY2(std::any_of(previewTexts.begin(), previewTexts.end(), HasHangul),
                 qPrintable(previewTexts.join('|')));
    }

    // A locale without translations leaves Qt's texts as they are.
    void unknownLocaleKeepsEnglish()
    {
        QVERIFY(!InstallQtTranslations(QLocale(QLocale::Zulu, QLocale::SouthAfrica)));
    }
};

QTEST_MAIN(TestTranslations)
#include "test_translations.moc"
