// zipimport killed at random moments while it builds a large postal code directory: zipcode.db
// alone is always a sound directory holding the whole old or the whole new one, and what the
// interrupted runs left beside it is removed by the next import.
#include "faultsupport.h"

#include <QTemporaryDir>
#include <QTest>

class TestZipimportInterrupted : public QObject {
    Q_OBJECT

private slots:
    void killedAtRandomMoments();
};

namespace {

const char kAllRows[] = "SELECT * FROM zipcode ORDER BY rowid";

QByteArray Directory(int rows, const QByteArray& village)
{
    QByteArray text = "ZIPCODE\tSIDO\tGUGUN\tDONG\tRI\tBLDG\tBUNJI\n";
    for (int i = 0; i < rows; ++i)
        text += QByteArray::number(100000 + i % 900000).insert(3, '-') + "\t경기도\t화성시\t동탄" +
                QByteArray::number(i % 9 + 1) + "동\t" + village + QByteArray::number(i) + "리\t\t" +
                QByteArray::number(i % 500 + 1) + "\n";
    return text;
}


QStringList Files(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

}  // namespace

void TestZipimportInterrupted::killedAtRandomMoments()
{
    QTemporaryDir dir;
    const QString tool = QString(BINARY_DIR) + "/zipimport";
    const QString target = dir.filePath("zipcode.db");
    const QString oldSource = dir.filePath("old.tsv");
    const QString source = dir.filePath("new.tsv");
    faultsupport::WriteAll(oldSource, Directory(500, "옛"));
    faultsupport::WriteAll(source, Directory(20000, "새"));
    QProcess first;
    first.start(tool, {oldSource, target});
    QVERIFY(first.waitForFinished(60000) && first.exitCode() == 0);
    QVERIFY(QFile::remove(oldSource));
    const QStringList args{source, target};
    const QByteArray newContent =
        faultsupport::CheckKills(tool, args, 30, 20261211, {target, kAllRows, source, {"new.tsv", "zipcode.db"}});
    if (QTest::currentTestFailed())
        return;

    // The next import removes whatever the interrupted ones left.
    QProcess last;
    last.start(tool, args);
    QVERIFY(last.waitForFinished(60000) && last.exitCode() == 0);
    QCOMPARE(Files(dir.path()), QStringList({"new.tsv", "zipcode.db"}));
    QCOMPARE(faultsupport::Read(target, kAllRows).content, newContent);
}

QTEST_GUILESS_MAIN(TestZipimportInterrupted)
#include "test_zipimport_interrupted.moc"
