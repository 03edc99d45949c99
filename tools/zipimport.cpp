// zipimport SOURCE... TARGET: builds the postal code directory TARGET (zipcode.db) from
// directory files: Korea Post's five-digit road-name range, lot-number range and full building
// files, or the older six-digit layout (store/postal_source.h reads them). Each SOURCE is a file,
// or a folder whose .txt, .csv and .tsv files are all read, in name order (Korea Post publishes
// one file per province).
//
// Every file's header is read before anything is written: one file that cannot be read at all
// fails the whole import. Rows that cannot be read are rejected with their file, line number
// and reason; the others are written. The directory is built in a temporary file beside the
// target and replaces the target only when at least one row was written, so a bad source never
// damages a good directory. An existing target is replaced only when it is a postal code
// directory (or an empty file, as the program leaves behind when zipcode.db was missing): an
// address book or any other file is never touched.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include "store/errors.h"
#include "store/file_replacement.h"
#include "store/schema.h"
#include "store/sqlite_layer.h"
#include "store/postal_source.h"
#include "tool_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using toolfiles::ParentOf;

const int kListedRejections = 100;  // beyond this only the count is reported

void Print(FILE* to, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, utf8.size(), to);
    std::fputc('\n', to);
}

int Fail(const QString& message)
{
    Print(stderr, "zipimport: " + message);
    return 1;
}

QString Errno() { return QString::fromLocal8Bit(std::strerror(errno)); }

// Why the file at path must not be replaced by a directory, or empty when it may.
QString RefusalFor(const std::string& path, const QString& shown, bool& exists, bool& empty)
{
    struct stat st {};
    exists = ::stat(path.c_str(), &st) == 0;
    empty = exists && st.st_size == 0;
    if (!exists)
        return errno == ENOENT ? QString() : "cannot check " + shown + ": " + Errno();
    if (S_ISDIR(st.st_mode))
        return shown + " is a folder";
    if (!S_ISREG(st.st_mode))
        return shown + " is not a regular file";
    if (st.st_size == 0)
        return {};
    try {
        TSQLiteDatabase db(QFile::decodeName(path.c_str()), TSQLiteDatabase::OpenMode::ExistingOnly);
        const TSQLiteTable tables = db.Query(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'table'"));
        for (int row = 0; row < tables.RowCount(); ++row) {
            const QString table = tables.Text(row, 0);
            if (table.compare("zipcode", Qt::CaseInsensitive) != 0 && !table.startsWith("sqlite_"))
                return QString("%1 holds the table %2, so it is not a postal code directory; it was not replaced")
                    .arg(shown, table);
        }
    } catch (const ESQLiteException&) {
        return shown + " is not a postal code directory (not a readable SQLite database); it was not replaced";
    }
    return {};
}

QString FileNameOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return QFile::decodeName(slash == std::string::npos ? path.c_str() : path.c_str() + slash + 1);
}

// The files a SOURCE names: itself, or the directory files of a folder in name order.
QStringList SourceFiles(const QString& source)
{
    const QFileInfo info(source);
    if (!info.isDir())
        return {source};
    QStringList files;
    const QDir dir(source);
    for (const QFileInfo& entry : dir.entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString suffix = entry.suffix().toLower();
        if (entry.isFile() && (suffix == u"txt" || suffix == u"csv" || suffix == u"tsv"))
            files << dir.filePath(entry.fileName());
        else
            Print(stdout, "zipimport: skipping " + dir.filePath(entry.fileName()) +
                              " (not a .txt, .csv or .tsv file)");
    }
    if (files.isEmpty())
        throw EError("the folder " + source + " holds no .txt, .csv or .tsv file");
    return files;
}

// One source file, held in memory (mapped where possible) while it is read.
struct SourceFile {
    QString path;
    QFile file;
    QByteArray copy;  // when the file cannot be mapped
    std::unique_ptr<PostalSource::File> reader;

    explicit SourceFile(const QString& p) : path(p), file(p)
    {
        if (!file.open(QIODevice::ReadOnly))
            throw EError("cannot read " + path + ": " + file.errorString());
        QByteArrayView data;
        if (file.size() > 0) {
            if (uchar* mapped = file.map(0, file.size())) {
                data = QByteArrayView(reinterpret_cast<const char*>(mapped), file.size());
            } else {
                copy = file.readAll();
                if (file.error() != QFileDevice::NoError)
                    throw EError("cannot read " + path + ": " + file.errorString());
                data = copy;
            }
        }
        try {
            reader = std::make_unique<PostalSource::File>(data);
        } catch (const EError& e) {
            throw EError(path + ": " + e.Message());
        }
    }
};

// Writes rows into the empty file at path, one bound INSERT each, in one transaction.
class DirectoryWriter {
public:
    explicit DirectoryWriter(const QString& path) try : db_(path, TSQLiteDatabase::OpenMode::ExistingOnly) {
        // The file is a scratch copy until it is renamed into place: no journal needed.
        db_.Query(QStringLiteral("PRAGMA journal_mode = OFF"));
        db_.Execute(QStringLiteral("PRAGMA synchronous = OFF"));
        db_.Execute(QString::fromLatin1(Schema::kZipcode));
        db_.Execute(QStringLiteral("BEGIN"));
        insert_.emplace(db_, QStringLiteral("INSERT INTO zipcode (zipcode, sido, gugun, dong, ri, bldg, bunji)"
                                            " VALUES (?, ?, ?, ?, ?, ?, ?)"));
    } catch (const EError& e) {
        throw Failed(e);
    }

    void Add(const ZipcodeRow& row)
    {
        values_[0] = row.zipcode, values_[1] = row.sido, values_[2] = row.gugun, values_[3] = row.dong;
        values_[4] = row.ri, values_[5] = row.bldg, values_[6] = row.bunji;
        try {
            insert_->Execute(values_);
        } catch (const EError& e) {
            throw Failed(e);
        }
        ++written_;
    }
    qsizetype Written() const { return written_; }

    void Finish()
    {
        try {
            insert_.reset();
            db_.Execute(QStringLiteral("COMMIT"));
            db_.Execute(QString::fromLatin1(Schema::kZipcodeIndex));
            db_.Close();
        } catch (const EError& e) {
            throw Failed(e);
        }
    }

private:
    static EError Failed(const EError& e)
    {
        return EError("cannot write the directory: " + QString(e.Message()).replace(u'\r', u' '));
    }

    TSQLiteDatabase db_;
    std::optional<TSQLiteStatement> insert_;
    QVariantList values_ = QVariantList(7);
    qsizetype written_ = 0;
};

QString SeparatorName(QChar sep)
{
    return sep == u'\t' ? "tab" : sep == u',' ? "comma" : "'|'";
}

int Import(const QStringList& sources, const std::string& target)
{
    const QString shownTarget = QFile::decodeName(target.c_str());

    // The target first: nothing is read or built for a target that may not be replaced.
    const QString name = FileNameOf(target);
    if (name.compare("address.db", Qt::CaseInsensitive) == 0 ||
        name.compare("address_backup.db", Qt::CaseInsensitive) == 0)
        return Fail(shownTarget + " is the name of an address book; the postal code directory is zipcode.db");
    bool exists = false;
    bool empty = false;
    const QString refusal = RefusalFor(target, shownTarget, exists, empty);
    if (!refusal.isEmpty())
        return Fail(refusal);
    const std::string folder = ParentOf(target);
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return Fail("the folder " + QFile::decodeName(folder.c_str()) + " does not exist");
    FileReplacement::RemoveLeftovers(shownTarget);  // what an interrupted import left

    // Every file's encoding and header before anything is written.
    std::vector<std::unique_ptr<SourceFile>> files;
    for (const QString& source : sources)
        for (const QString& path : SourceFiles(source))
            files.push_back(std::make_unique<SourceFile>(path));

    // The new directory replaces the target only whole and on disk.
    FileReplacement replacement(shownTarget, QString());
    DirectoryWriter writer(replacement.Path());
    int read = 0;
    int rejected = 0;
    for (const auto& source : files) {
        const PostalSource::File& reader = *source->reader;
        Print(stdout, QString("zipimport: reading %1: %2 layout, %3, %4-separated")
                          .arg(source->path, PostalSource::LayoutName(reader.FileLayout()), reader.Encoding(),
                               SeparatorName(reader.Separator())));
        if (!reader.IgnoredColumns().isEmpty())
            Print(stdout, "zipimport: ignoring the columns " + reader.IgnoredColumns().join(", "));
        int fileRejected = 0;
        const int fileRead = reader.ReadRows([&](const ZipcodeRow& row) { writer.Add(row); },
                                             [&](int line, const QString& reason) {
                                                 ++fileRejected;
                                                 if (++rejected <= kListedRejections)
                                                     Print(stderr, QString("zipimport: %1: line %2: rejected: %3")
                                                                       .arg(source->path)
                                                                       .arg(line)
                                                                       .arg(reason));
                                             });
        read += fileRead;
        if (files.size() > 1)
            Print(stdout, QString("zipimport: %1: %2 rows read, %3 rejected").arg(source->path).arg(fileRead).arg(fileRejected));
    }
    if (rejected > kListedRejections)
        Print(stderr, QString("zipimport: ... %1 further rejected rows not listed").arg(rejected - kListedRejections));
    auto summary = [&](qsizetype written) {
        return QString("zipimport: %1 rows read, %2 rejected, %3 written").arg(read).arg(rejected).arg(written);
    };
    if (writer.Written() == 0) {
        Print(stdout, summary(0));
        return Fail(exists ? "no row could be imported; " + shownTarget + " was left as it was"
                           : "no row could be imported; " + shownTarget + " was not created");
    }
    writer.Finish();
    replacement.Commit();

    Print(stdout, summary(writer.Written()) + " to " + shownTarget +
                      (!exists ? "" : empty ? " (it replaced an empty file)" : " (the previous directory was replaced)"));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    bool usable = argc >= 3;
    for (int i = 1; usable && i < argc; ++i)
        usable = argv[i][0] != '\0';
    if (!usable) {
        std::fprintf(stderr, "usage: zipimport SOURCE... TARGET\n"
                             "  SOURCE: a directory file, or a folder of them; TARGET: the zipcode.db to build\n");
        return 2;
    }
    QStringList sources;
    for (int i = 1; i < argc - 1; ++i)
        sources << QFile::decodeName(argv[i]);
    try {
        return Import(sources, argv[argc - 1]);
    } catch (const EError& e) {
        return Fail(e.Message());
    }
}
