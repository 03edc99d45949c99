#include "store/sqlite_layer.h"

#include <QStringDecoder>
#include <sqlite3.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <iterator>
#include <limits>
#include <thread>

ESQLiteException SQLiteError(SQLiteFailure what, const QString& subject, int code, const QString& message)
{
    using F = SQLiteFailure;
    QString text;
    switch (what) {
    case F::Open:
        return ESQLiteException(QStringLiteral("Failed to open database \"") + subject + QStringLiteral("\" : ") +
                                (message.isEmpty() ? QStringLiteral("unknown error") : message));
    case F::NotOpen: return ESQLiteException(QStringLiteral("Database is not open"));
    case F::Compile: text = QStringLiteral("Error executing SQL"); break;
    case F::NoStatement: text = QStringLiteral("Could not prepare SQL statement"); break;
    case F::Busy: return ESQLiteException(QStringLiteral("Could not prepare SQL statement"));
    case F::Retrieve: text = QStringLiteral("Could not retrieve data"); break;
    case F::Execute: text = QStringLiteral("Error executing SQL statement"); break;
    case F::EmptyDataset:
        return ESQLiteException(QStringLiteral("Field ") + subject + QStringLiteral(" Not found. Empty dataset"));
    case F::UnknownField: return ESQLiteException(QStringLiteral("Field not found in dataset: ") + subject);
    case F::ColumnRange: return ESQLiteException(QStringLiteral("Column index out of range: ") + subject);
    case F::EndOfFile: return ESQLiteException(QStringLiteral("Table is at End of File"));
    case F::TooLarge: return ESQLiteException(QStringLiteral("Query result too large to hold in memory"));
    case F::BackupInit: return ESQLiteException(QStringLiteral("Could not initialize backup"));
    case F::Backup: text = QStringLiteral("Could not complete backup"); break;
    case F::BadNumber:
        return ESQLiteException(QStringLiteral("Invalid entry number \"") + subject +
                                QStringLiteral("\": a decimal integer is required"));
    case F::CheckFound: return ESQLiteException(QStringLiteral("SQLite's check found: ") + subject);
    case F::NoBookTable: return ESQLiteException(QStringLiteral("It has no table ADDRESS_LIST."));
    case F::NoBookColumns:
        return ESQLiteException(QStringLiteral("Its table ADDRESS_LIST has no column ") + subject + QLatin1Char('.'));
    case F::RefusedBackupKept:
    case F::RefusedNoBackup:
        return ESQLiteException(QStringLiteral("Backup not made: address.db looks damaged or is not an address book.\r") +
                                (what == F::RefusedBackupKept ? QStringLiteral("The previous backup was kept.\r")
                                                              : QStringLiteral("No backup was written.\r")) + subject);
    }
    // The details, when SQLite has an error code: the code, its text, and the statement (none
    // for a backup) with SQLite's own message.
    if (code == 0)
        return ESQLiteException(text);
    text += QStringLiteral(".\rError [") + QString::number(code) + QStringLiteral("]: ") + SQLiteResultText(code) +
            QStringLiteral(".\r");
    if (what != F::Backup)
        text += QLatin1Char('"') + subject + QStringLiteral("\": ");
    return ESQLiteException(text + message);
}

namespace {

// The compiled statement is released on every path.
struct Statement {
    sqlite3_stmt* st = nullptr;
    std::vector<QByteArray> texts;  // the bound texts, kept until the statement is stepped
    ~Statement() { sqlite3_finalize(st); }
};

// A value as a statement shows it. Numbers are written alike in every locale.
QString ValueText(const QVariant& v)
{
    if (v.typeId() == QMetaType::Double)
        return QString::number(v.toDouble(), 'g', 15);
    return v.toString();
}

// sql with every placeholder bare, for SQLite (values null), or with each value in its place
// between the quotes around its placeholder, as the statement reads.
QString Compose(const QString& sql, const QVariantList* values)
{
    QString out;
    qsizetype next = 0;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql[i];
        const bool quoted = (c == u'\'' || c == u'"') && i + 2 < sql.size() && sql[i + 1] == u'?' && sql[i + 2] == c;
        if (c != u'?' && !quoted) {
            out += c;
            continue;
        }
        if (!values)
            out += u'?';
        else if (quoted)
            out += c + ValueText(values->value(next++)) + c;
        else
            out += ValueText(values->value(next++));
        if (quoted)
            i += 2;
    }
    return out;
}

// The connection's error as a message about the statement sql with its values. The code is
// SQLite's primary result code, also when extended codes come back.
ESQLiteException Failure(sqlite3* db, SQLiteFailure what, const QString& sql, const QVariantList& params)
{
    const int code = db ? (sqlite3_errcode(db) & 0xff) : 0;
    return SQLiteError(what, Compose(sql, &params), code, code ? QString::fromUtf8(sqlite3_errmsg(db)) : QString());
}

// Compiles the first statement of sql.
void Prepare(sqlite3* db, const QString& sql, const QVariantList& params, Statement& statement)
{
    if (!db)
        throw SQLiteError(SQLiteFailure::NotOpen);
    const QByteArray text = Compose(sql, nullptr).toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &statement.st, nullptr) != SQLITE_OK)
        throw Failure(db, SQLiteFailure::Compile, sql, params);
    if (!statement.st)
        throw Failure(db, SQLiteFailure::NoStatement, sql, params);
}

// Binds params to the statement's placeholders in order; texts keeps the text values' bytes.
void Bind(sqlite3* db, const QString& sql, const QVariantList& params, sqlite3_stmt* st,
          std::vector<QByteArray>& texts)
{
    texts.resize(size_t(params.size()));
    for (int i = 0; i < params.size(); ++i) {
        const QVariant& v = params[i];
        int rc;
        switch (v.typeId()) {
        case QMetaType::UnknownType: rc = sqlite3_bind_null(st, i + 1); break;
        case QMetaType::LongLong:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long: rc = sqlite3_bind_int64(st, i + 1, v.toLongLong()); break;
        case QMetaType::Double: rc = sqlite3_bind_double(st, i + 1, v.toDouble()); break;
        default: {
            // A null QString is bound as empty text, exactly as typed.
            const QByteArray& u = texts[size_t(i)] =
                (v.typeId() == QMetaType::QString ? *static_cast<const QString*>(v.constData()) : v.toString()).toUtf8();
            rc = sqlite3_bind_text(st, i + 1, u.constData(), int(u.size()), SQLITE_STATIC);
        }
        }
        if (rc != SQLITE_OK)
            throw Failure(db, SQLiteFailure::Compile, sql, params);
    }
}

bool Equals(const char* a, const char* b) { return a && std::strcmp(a, b) == 0; }

}  // namespace

// ---- TSQLiteTable ----

int TSQLiteTable::RowCount() const { return names_.isEmpty() ? 0 : int(ends_.size() / names_.size()); }

void TSQLiteTable::Next()
{
    if (!Eof())
        ++current_;
}

int TSQLiteTable::FieldIndex(const QString& name) const
{
    if (RowCount() == 0)
        throw SQLiteError(SQLiteFailure::EmptyDataset, name);
    for (int i = 0; i < names_.size(); ++i)
        if (names_[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    throw SQLiteError(SQLiteFailure::UnknownField, name);
}

QString TSQLiteTable::ColumnName(int column) const
{
    if (column < 0 || column >= names_.size())
        throw SQLiteError(SQLiteFailure::ColumnRange, QString::number(column));
    return names_[column];
}

std::string_view TSQLiteTable::Utf8(int row, int column) const
{
    if (row < 0 || row >= RowCount())
        throw SQLiteError(SQLiteFailure::EndOfFile);
    if (column < 0 || column >= names_.size())
        throw SQLiteError(SQLiteFailure::ColumnRange, QString::number(column));
    const qsizetype cell = qsizetype(row) * names_.size() + column;
    const std::uint32_t begin = cell ? ends_[cell - 1] : 0;
    return std::string_view(bytes_.constData() + begin, ends_[cell] - begin);
}

QString TSQLiteTable::Text(int row, int column) const
{
    const std::string_view u = Utf8(row, column);
    // A leading U+FEFF is part of the value, not a byte-order mark to drop.
    if (u.size() >= 3 && std::memcmp(u.data(), "\xEF\xBB\xBF", 3) == 0)
        return QStringDecoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom)(
            QByteArrayView(u.data(), qsizetype(u.size())));
    return QString::fromUtf8(u.data(), qsizetype(u.size()));
}

QString TSQLiteTable::FieldAsString(int column) const { return Text(current_, column); }

QString TSQLiteTable::FieldAsString(const QString& name) const { return FieldAsString(FieldIndex(name)); }

// ---- TSQLiteDatabase ----

TSQLiteDatabase::TSQLiteDatabase(const QString& path, OpenMode mode)
{
    if (mode == OpenMode::ExistingOnly && path.isEmpty())  // SQLite would open a private temporary database
        throw SQLiteError(SQLiteFailure::Open, path, 0, QStringLiteral("unable to open database file"));
    // A connection serves one operation on one thread: SQLite's own locking of it is not needed.
    const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX |
                      (mode == OpenMode::CreateIfMissing ? SQLITE_OPEN_CREATE : 0);
    sqlite3* db = nullptr;
    const int rc = sqlite3_open_v2(path.toUtf8().constData(), &db, flags, nullptr);
    if (rc != SQLITE_OK) {
        const QString reason = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString();
        sqlite3_close(db);
        throw SQLiteError(SQLiteFailure::Open, path, 0, reason);
    }
    db_ = db;
}

TSQLiteDatabase::~TSQLiteDatabase() { Close(); }

void TSQLiteDatabase::Close()
{
    sqlite3_close(db_);
    db_ = nullptr;
}

TSQLiteTable TSQLiteDatabase::Query(const QString& sql, const QVariantList& params)
{
    Statement statement;
    Prepare(db_, sql, params, statement);
    sqlite3_stmt* st = statement.st;
    Bind(db_, sql, params, st, statement.texts);

    enum class Kind { Integer, Float, Text };
    TSQLiteTable table;
    std::vector<Kind> kinds;
    char number[40];
    for (;;) {
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_DONE)
            break;
        if (rc == SQLITE_BUSY)
            throw SQLiteError(SQLiteFailure::Busy);
        if (rc != SQLITE_ROW) {
            sqlite3_reset(st);
            throw Failure(db_, SQLiteFailure::Retrieve, sql, params);
        }
        if (kinds.empty()) {
            // Names and kinds come with the first row; the declared type chooses the text form.
            for (int c = 0; c < sqlite3_column_count(st); ++c) {
                table.names_.append(QString::fromUtf8(sqlite3_column_name(st, c)).toUpper());
                const char* decl = sqlite3_column_decltype(st, c);
                const int type = decl ? SQLITE_TEXT : sqlite3_column_type(st, c);  // an expression: by its value
                if (Equals(decl, "INTEGER") || Equals(decl, "BOOLEAN") || type == SQLITE_INTEGER)
                    kinds.push_back(Kind::Integer);
                else if (Equals(decl, "NUMERIC") || Equals(decl, "FLOAT") || Equals(decl, "DOUBLE") ||
                         Equals(decl, "REAL") || type == SQLITE_FLOAT)
                    kinds.push_back(Kind::Float);
                else
                    kinds.push_back(Kind::Text);
            }
        }
        for (size_t c = 0; c < kinds.size(); ++c) {
            const int column = int(c);
            if (kinds[c] == Kind::Text) {
                if (const unsigned char* text = sqlite3_column_text(st, column))  // none for NULL
                    table.bytes_.append(reinterpret_cast<const char*>(text), sqlite3_column_bytes(st, column));
            } else if (sqlite3_column_type(st, column) != SQLITE_NULL) {
                // Numbers in the C locale's form, whatever the user's locale writes.
                const auto written = kinds[c] == Kind::Integer
                    ? std::to_chars(number, number + sizeof number, sqlite3_column_int64(st, column))
                    : std::to_chars(number, number + sizeof number, sqlite3_column_double(st, column),
                                    std::chars_format::general, 15);
                table.bytes_.append(number, written.ptr - number);
            }
            if (size_t(table.bytes_.size()) > std::numeric_limits<std::uint32_t>::max())
                throw SQLiteError(SQLiteFailure::TooLarge);
            table.ends_.append(std::uint32_t(table.bytes_.size()));
        }
    }
    // Give back what growing left over.
    table.bytes_.squeeze();
    table.ends_.squeeze();
    return table;
}

void TSQLiteDatabase::Execute(const QString& sql, const QVariantList& params)
{
    TSQLiteStatement(*this, sql, params).Execute(params);
}

// ---- TSQLiteStatement ----

TSQLiteStatement::TSQLiteStatement(TSQLiteDatabase& db, const QString& sql, const QVariantList& shown)
    : db_(db.db_), sql_(sql)
{
    Statement statement;
    Prepare(db_, sql, shown, statement);
    std::swap(st_, statement.st);
}

TSQLiteStatement::~TSQLiteStatement() { sqlite3_finalize(st_); }

void TSQLiteStatement::Execute(const QVariantList& values)
{
    Bind(db_, sql_, values, st_, texts_);
    const int rc = sqlite3_step(st_);
    sqlite3_reset(st_);
    if (rc != SQLITE_DONE)
        throw Failure(db_, SQLiteFailure::Execute, sql_, values);
}

int TSQLiteDatabase::BackupTo(TSQLiteDatabase& target)
{
    if (!db_ || !target.db_)
        throw SQLiteError(SQLiteFailure::NotOpen);
    sqlite3_backup* backup = sqlite3_backup_init(target.db_, "main", db_, "main");
    if (!backup)
        throw SQLiteError(SQLiteFailure::BackupInit);
    int rc;
    int attempt = 0;
    do {  // busy and locked are the codes after which the backup interface allows another step
        rc = sqlite3_backup_step(backup, -1);
    } while (((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED) && SleepBeforeRetry(attempt++));
    // finish rolls back an unfinished copy and leaves its error on the target connection
    sqlite3_backup_finish(backup);
    return rc;
}

void TSQLiteDatabase::WaitForLocks(int milliseconds)
{
    if (!db_)
        throw SQLiteError(SQLiteFailure::NotOpen);
    lockDeadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    sqlite3_busy_handler(db_, &TSQLiteDatabase::OnBusy, this);
}

int TSQLiteDatabase::OnBusy(void* self, int count)
{
    return static_cast<const TSQLiteDatabase*>(self)->SleepBeforeRetry(count) ? 1 : 0;
}

// Short waits first, since most locks are held for a commit of a few milliseconds.
bool TSQLiteDatabase::SleepBeforeRetry(int count) const
{
    static const int delays[] = {1, 2, 5, 10, 15, 20, 25};
    const auto now = std::chrono::steady_clock::now();
    if (now >= lockDeadline_)
        return false;
    const auto delay = std::min<std::chrono::steady_clock::duration>(
        std::chrono::milliseconds(delays[std::min<size_t>(size_t(count), std::size(delays) - 1)]),
        lockDeadline_ - now);
    std::this_thread::sleep_for(delay);
    return true;
}

QString TSQLiteDatabase::QuickCheck()
{
    const QString sql = QStringLiteral("PRAGMA quick_check(1)");
    Statement statement;
    if (!db_)
        throw SQLiteError(SQLiteFailure::NotOpen);
    // Damage shows as the check's own finding or as SQLite's codes for a malformed file; any
    // other failure (a lock, a read error) says nothing about the content and is raised.
    auto damage = [this] {
        const int code = sqlite3_errcode(db_) & 0xff;
        return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
    };
    if (sqlite3_prepare_v2(db_, "PRAGMA quick_check(1)", -1, &statement.st, nullptr) != SQLITE_OK) {
        if (damage())
            return QString::fromUtf8(sqlite3_errmsg(db_));
        throw Failure(db_, SQLiteFailure::Compile, sql, {});
    }
    QString finding;
    int rc;
    while ((rc = sqlite3_step(statement.st)) == SQLITE_ROW) {
        const QString line = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement.st, 0)));
        if (line != QLatin1String("ok") && finding.isEmpty())
            finding = line;
    }
    if (rc != SQLITE_DONE) {
        sqlite3_reset(statement.st);
        if (damage())
            return QString::fromUtf8(sqlite3_errmsg(db_));
        throw Failure(db_, SQLiteFailure::Retrieve, sql, {});
    }
    return finding;
}

ESQLiteException TSQLiteDatabase::BackupFailure(int stepCode, const TSQLiteDatabase& target)
{
    const int code = stepCode & 0xff;
    return SQLiteError(SQLiteFailure::Backup, {}, code,
                       QString::fromUtf8(target.db_ ? sqlite3_errmsg(target.db_) : sqlite3_errstr(code)));
}

QString SQLiteResultText(int code)
{
    static const char* const texts[] = {
        "Successful result",
        "SQL error or missing database",
        "An internal logic error in SQLite",
        "Access permission denied",
        "Callback routine requested an abort",
        "The database file is locked",
        "A table in the database is locked",
        "A malloc() failed",
        "Attempt to write a readonly database",
        "Operation terminated by sqlite3_interrupt()",
        "Some kind of disk I/O error occurred",
        "The database disk image is malformed",
        "(Internal Only) Table or record not found",
        "Insertion failed because database is full",
        "Unable to open the database file",
        "Database lock protocol error",
        "Database is empty",
        "The database schema changed",
        "Too much data for one row of a table",
        "Abort due to contraint violation",
        "Data type mismatch",
        "Library used incorrectly",
        "Uses OS features not supported on host",
        "Authorization denied",
        "Auxiliary database format error",
        "2nd parameter to sqlite3_bind out of range",
        "File opened that is not a database file",
    };
    if (code >= 0 && code < int(sizeof texts / sizeof texts[0]))
        return QString::fromLatin1(texts[code]);
    if (code == 100)
        return QStringLiteral("sqlite3_step() has another row ready");
    if (code == 101)
        return QStringLiteral("sqlite3_step() has finished executing");
    return QStringLiteral("Unknown SQLite Error Code \"") + QString::number(code) + QStringLiteral("\"");
}
