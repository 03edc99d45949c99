#include "store/address_store.h"

#include "store/file_replacement.h"
#include "store/paths.h"
#include "store/sqlite_layer.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>

QString SearchFieldColumn(SearchField field)
{
    switch (field) {
    case SearchField::name: return QStringLiteral("name");
    case SearchField::tel: return QStringLiteral("tel");
    case SearchField::cell: return QStringLiteral("cell");
    case SearchField::address1: return QStringLiteral("address1");
    }
    return QStringLiteral("name");
}

namespace {

// The key as the number it stands for; anything but a decimal integer is refused before any
// file is opened, so it can never reach a statement.
qint64 ParseNum(const QString& num)
{
    static const QRegularExpression decimal(QStringLiteral("^-?[0-9]+$"));
    bool ok = false;
    qint64 value = 0;
    if (decimal.match(num).hasMatch())
        value = num.toLongLong(&ok);
    if (!ok)
        throw SQLiteError(SQLiteFailure::BadNumber, num);
    return value;
}

AddressList ReadList(const QString& sql, const QVariantList& params)
{
    TSQLiteDatabase db(DatabasePath(), TSQLiteDatabase::OpenMode::ExistingOnly);
    return AddressList(db.Query(sql, params));
}

void Write(const QString& sql, const QVariantList& params)
{
    TSQLiteDatabase db(DatabasePath(), TSQLiteDatabase::OpenMode::ExistingOnly);
    db.Execute(sql, params);
}

QVariantList EntryValues(const AddressEntry& e)
{
    return {e.name, e.tel, e.cell, e.zip, e.address1, e.address2, e.unit};
}

// SQLite's result codes that a backup step may end with.
constexpr int kDone = 101;         // the whole copy went through
constexpr int kCorrupt = 11;       // the source is malformed
constexpr int kNotADatabase = 26;  // the source is not an SQLite file at all

// How long a backup waits for another program's lock on the book before it gives up.
constexpr int kBackupLockWait = 2000;  // milliseconds

// Why the open file db is not a sound address book, or empty text when it is one.
QString AddressBookProblem(TSQLiteDatabase& db)
{
    const QString check = db.QuickCheck();
    if (!check.isEmpty())
        return SQLiteError(SQLiteFailure::CheckFound, check).Message();
    TSQLiteTable columns = db.Query(QStringLiteral("PRAGMA table_info(ADDRESS_LIST)"));
    if (columns.RowCount() == 0)
        return SQLiteError(SQLiteFailure::NoBookTable).Message();
    QStringList missing{QStringLiteral("num"),  QStringLiteral("unit"), QStringLiteral("name"),
                        QStringLiteral("tel"),  QStringLiteral("cell"), QStringLiteral("zip"),
                        QStringLiteral("address1"), QStringLiteral("address2")};
    for (; !columns.Eof(); columns.Next()) {
        const QString name = columns.FieldAsString(QStringLiteral("name"));
        missing.removeIf([&](const QString& column) { return column.compare(name, Qt::CaseInsensitive) == 0; });
    }
    if (!missing.isEmpty())
        return SQLiteError(SQLiteFailure::NoBookColumns, missing.join(QStringLiteral(", "))).Message();
    return {};
}

const QString kInsert = QStringLiteral(
    "INSERT INTO ADDRESS_LIST(name,tel,cell,zip,address1,address2,unit)VALUES (\"?\",\"?\",\"?\",\"?\",\"?\",\"?\",\"?\")");

// The insert statement for rows entries at once: "...VALUES (?,?,?,?,?,?,?),(?,...)".
QString InsertRows(int rows)
{
    QString sql = kInsert;
    for (int i = 1; i < rows; ++i)
        sql += QStringLiteral(",(?,?,?,?,?,?,?)");
    return sql;
}

// The seven values as one text that no other seven values give: each value after its length.
QString SevenValuesKey(const QString* const (&values)[7])
{
    QString key;
    for (const QString* v : values) {
        key += QString::number(v->size());
        key += QLatin1Char(':');
        key += *v;
    }
    return key;
}

QString SevenValuesKey(const AddressEntry& e)
{
    const QString* const values[7] = {&e.unit, &e.name, &e.tel, &e.cell, &e.zip, &e.address1, &e.address2};
    return SevenValuesKey(values);
}

}  // namespace

namespace AddressStore {

AddressList ListAll()
{
    return ReadList(QStringLiteral("select * from ADDRESS_LIST"), {});
}

AddressList ListByCategory(const QString& category)
{
    return ReadList(QStringLiteral("select * from ADDRESS_LIST where unit='?'"), {category});
}

AddressList SearchEntries(const std::optional<QString>& category, SearchField field,
                          const QString& keyword)
{
    const QString pattern = QStringLiteral("%") + keyword + QStringLiteral("%");
    const QString column = SearchFieldColumn(field);
    if (category)
        return ReadList(QStringLiteral("select * from ADDRESS_LIST where unit='?' and ") + column +
                            QStringLiteral(" like \"?\""),
                        {*category, pattern});
    return ReadList(QStringLiteral("select * from ADDRESS_LIST where ") + column + QStringLiteral(" like \"?\""),
                    {pattern});
}

QStringList ListCategories()
{
    TSQLiteDatabase db(DatabasePath(), TSQLiteDatabase::OpenMode::ExistingOnly);
    const TSQLiteTable rows = db.Query(QStringLiteral("select * from ADDRESS_LIST group by unit"));
    QStringList categories;
    if (rows.RowCount() == 0)
        return categories;
    const int unit = rows.FieldIndex(QStringLiteral("unit"));
    for (int row = 0; row < rows.RowCount(); ++row)
        categories.append(rows.Text(row, unit));
    return categories;
}

std::optional<AddressEntry> LoadEntry(const QString& num)
{
    const qint64 key = ParseNum(num);
    const AddressList rows = ReadList(QStringLiteral("select * from ADDRESS_LIST where num=?"), {key});
    if (rows.empty())
        return std::nullopt;
    return rows.front();
}

void InsertEntry(const AddressEntry& entry)
{
    Write(kInsert, EntryValues(entry));
}

InsertResult InsertEntries(const std::vector<AddressEntry>& entries, bool dryRun)
{
    TSQLiteDatabase db(DatabasePath(), TSQLiteDatabase::OpenMode::ExistingOnly);
    // Taking the write lock first means a book that someone else is writing fails here, before
    // anything is read or written, and the duplicates are judged against what will stay.
    if (!dryRun)
        db.Execute(QStringLiteral("BEGIN IMMEDIATE"));
    try {
        QSet<QString> seen;
        {
            TSQLiteTable rows = db.Query(
                QStringLiteral("select unit,name,tel,cell,zip,address1,address2 from ADDRESS_LIST"));
            seen.reserve(rows.RowCount() + qsizetype(entries.size()));
            for (; !rows.Eof(); rows.Next()) {
                QString texts[7];
                for (int c = 0; c < 7; ++c)
                    texts[c] = rows.FieldAsString(c);
                const QString* const values[7] = {&texts[0], &texts[1], &texts[2], &texts[3],
                                                  &texts[4], &texts[5], &texts[6]};
                seen.insert(SevenValuesKey(values));
            }
        }
        InsertResult result;
        // Several rows to a statement: compiling one statement per row would cost more than the
        // writing itself. More than 32 gained nothing measurable and would only lengthen the
        // statement an error message quotes.
        constexpr int kRowsPerStatement = 32;
        QVariantList batch;
        int batched = 0;
        const auto flush = [&] {
            if (batched > 0 && !dryRun)
                db.Execute(InsertRows(batched), batch);
            batch.clear();
            batched = 0;
        };
        for (const AddressEntry& e : entries) {
            const QString key = SevenValuesKey(e);
            if (seen.contains(key)) {
                ++result.duplicates;
                continue;
            }
            seen.insert(key);
            batch << EntryValues(e);
            if (++batched == kRowsPerStatement)
                flush();
            ++result.added;
        }
        flush();
        if (!dryRun)
            db.Execute(QStringLiteral("COMMIT"));
        return result;
    } catch (...) {
        // Nothing of the run stays; a failed rollback leaves SQLite to undo it at close.
        if (!dryRun) {
            try {
                db.Execute(QStringLiteral("ROLLBACK"));
            } catch (...) {
            }
        }
        throw;
    }
}

void UpdateEntry(const QString& num, const AddressEntry& entry)
{
    const qint64 key = ParseNum(num);
    QVariantList values = EntryValues(entry);
    values.append(key);
    Write(QStringLiteral("UPDATE ADDRESS_LIST SET name=\"?\", tel=\"?\", cell=\"?\", zip=\"?\", address1=\"?\","
                         " address2=\"?\",unit=\"?\" where num=?"),
          values);
}

void DeleteEntry(const QString& num)
{
    const qint64 key = ParseNum(num);
    Write(QStringLiteral("delete from ADDRESS_LIST where num=?"), {key});
}

bool BackupDatabase()
{
    const QString source = ExeFolder() + QStringLiteral("address.db");
    const QString target = ExeFolder() + QStringLiteral("address_backup.db");
    if (!QFileInfo::exists(source))
        return false;
    const bool hadBackup = QFileInfo::exists(target);
    TSQLiteDatabase from(source, TSQLiteDatabase::OpenMode::ExistingOnly);
    // Another program writing the book holds it for a commit at a time: wait that out, briefly.
    from.WaitForLocks(kBackupLockWait);

    // The copy is made and checked beside the old backup, which it replaces only when whole
    // and on disk; until then address_backup.db stays the previous backup, on its own.
    FileReplacement replacement(target, SQLiteError(SQLiteFailure::Backup).Message() + QStringLiteral(": "));
    TSQLiteDatabase copy(replacement.Path(), TSQLiteDatabase::OpenMode::ExistingOnly);
    copy.Query(QStringLiteral("PRAGMA journal_mode=OFF"));  // a scratch file until renamed
    copy.Execute(QStringLiteral("PRAGMA synchronous=OFF"));  // flushed once, by the replacement
    const int rc = from.BackupTo(copy);
    QString damage;
    if (rc == kCorrupt || rc == kNotADatabase)
        damage = SQLiteResultText(rc) + QLatin1Char('.');
    else if (rc != kDone)
        throw TSQLiteDatabase::BackupFailure(rc, copy);
    // The check runs on the copy: exactly the pages that would become the backup.
    if (damage.isEmpty())
        damage = AddressBookProblem(copy);
    if (!damage.isEmpty())
        throw SQLiteError(hadBackup ? SQLiteFailure::RefusedBackupKept : SQLiteFailure::RefusedNoBackup, damage);
    copy.Close();
    replacement.Commit();
    from.Close();
    return true;
}

}  // namespace AddressStore
