// The entry dialog's address lookup and the postal code search window on the five-digit sample
// directory, built by zipimport as the set-up builds it.
#include "add.h"
#include "address.h"
#include "forms.h"
#include "start.h"
#include "store/paths.h"
#include "store/zipcode_directory.h"
#include "ui/fonts.h"
#include "ui/messages.h"
#include "zipcode.h"

#include "testsupport.h"
#include "windowsupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {

// The grid's data rows: zipcode, sido and the address column.
QList<QStringList> Listed()
{
    QList<QStringList> rows;
    const ZipGridModel* cells = Form5->model;
    for (int r = 1; r < cells->RowCount(); ++r)
        rows << QStringList{cells->Cell(1, r), cells->Cell(2, r), cells->Cell(3, r)};
    return rows;
}

void SearchFor(const QString& keyword)
{
    Form5->keyword->setText(keyword);
    QTest::mouseClick(Form5->Button3, Qt::LeftButton);
}

}  // namespace

class TestPostalSample : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QList<testsupport::Box> boxes_;

private slots:
    void initTestCase()
    {
        QVERIFY(dir_.isValid());
        QProcess import;
        import.start(QStringLiteral(BINARY_DIR "/zipimport"),
                     {QStringLiteral(SOURCE_DIR "/data/zipcode_sample_5digit"), dir_.filePath("zipcode.db")});
        QVERIFY(import.waitForFinished(60000));
        QVERIFY2(import.exitCode() == 0, import.readAllStandardError().constData());
        SetExeFolder(dir_.path());
        const QString book = dir_.filePath(QStringLiteral("address.db"));
        testsupport::MakeBook(book);
        SetDatabasePath(book);
        InstallFontSubstitutions();
        CreateForms();
        for (QTimer* t : Form3->findChildren<QTimer*>())
            t->stop();
        testsupport::SetResponder([this](const testsupport::Box& box) {
            boxes_ << box;
            return true;
        });
    }

    void cleanup() { Form5->hide(); }

    void cleanupTestCase()
    {
        testsupport::SetResponder(nullptr);
        DestroyForms();
    }

    // 주소검색 with a five-digit code: the code's last row, as typed; an unknown code changes nothing.
    void lookupByFiveDigitCode()
    {
        QString found, unknown;
        QVERIFY(testsupport::WhileEntryDialogShown([] { Form2->OpenForNew(); }, [&] {
            QTest::keyClicks(Form2->zip, "06236");
            QTest::mouseClick(Form2->Button3, Qt::LeftButton);
            found = Form2->add1->text();
            Form2->zip->setText("99999");
            QTest::mouseClick(Form2->Button3, Qt::LeftButton);
            unknown = Form2->add1->text();
        }));
        QCOMPARE(found, QStringLiteral("서울특별시 강남구 테헤란로   2∼204 (짝수)"));
        QCOMPARE(unknown, found);
        QVERIFY(boxes_.isEmpty());
    }

    // The 동 search finds roads, neighbourhoods and 읍/면; "확인" hands code and address over.
    void searchFindsRoadsNeighbourhoodsAndTownships()
    {
        QString zip, add1;
        QList<QStringList> road, dong, myeon;
        QVERIFY(testsupport::WhileEntryDialogShown([] { Form2->OpenForNew(); }, [&] {
            QTest::mouseClick(Form2->Button4, Qt::LeftButton);
            SearchFor(QStringLiteral("테헤란로"));
            road = Listed();
            SearchFor(QStringLiteral("역삼동"));
            dong = Listed();
            SearchFor(QStringLiteral("강동면"));
            myeon = Listed();
            QTest::mouseClick(Form5->Button1, Qt::LeftButton);  // the first row
            zip = Form2->zip->text();
            add1 = Form2->add1->text();
        }));
        QVERIFY(road.contains(QStringList{"06236", "서울특별시", "강남구 테헤란로   1∼203 (홀수)"}));
        for (const QStringList& row : road)
            QVERIFY2(row[2].startsWith("강남구 테헤란로   "), qPrintable(row.join('|')));
        QVERIFY(dong.contains(QStringList{"06236", "서울특별시", "강남구 역삼동   2∼171"}));
        QVERIFY(myeon.contains(QStringList{"25627", "강원특별자치도", "강릉시 강동면 모전리  2∼878"}));
        QVERIFY(myeon.contains(QStringList{"25627", "강원특별자치도", "강릉시 강동면 심곡길   52∼116"}));
        QCOMPARE(zip, myeon.first()[0]);
        QCOMPARE(add1, myeon.first()[1] + ' ' + myeon.first()[2]);
        QVERIFY(boxes_.isEmpty());
    }
};

QTEST_MAIN(TestPostalSample)
#include "test_postal_sample.moc"
