#include "store/sqlite_layer.h"

#include <sqlite3.h>
#ifdef __linux__
#include <sys/mman.h>
#endif

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <limits>
#include <thread>

namespace {

// The compiled statement is released on every path.
struct Statement {
    sqlite3_stmt* st = nullptr;
    ~Statement() { sqlite3_finalize(st); }
};

// Message text followed by the details, when the connection has an error code.
// The code is SQLite's primary result code, also when extended codes come back.
ESQLiteException Failure(sqlite3* db, const QString& first, const QString& sql)
{
    const int code = db ? (sqlite3_errcode(db) & 0xff) : 0;
    if (code == 0)
        return ESQLiteException(first);
    return ESQLiteException(first + QStringLiteral(".\rError [") + QString::number(code) +
                            QStringLiteral("]: ") + SQLiteResultText(code) +
                            QStringLiteral(".\r\"") + sql + QStringLiteral("\": ") +
                            QString::fromUtf8(sqlite3_errmsg(db)));
}

// Compiles the first statement of sql and binds params to its placeholders in order.
void Prepare(sqlite3* db, const QString& sql, const QVariantList& params, Statement& statement)
{
    if (!db)
        throw ESQLiteException(QStringLiteral("Database is not open"));
    const QByteArray text = sql.toUtf8();
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &statement.st, nullptr) != SQLITE_OK)
        throw Failure(db, QStringLiteral("Error executing SQL"), sql);
    if (!statement.st)
        throw Failure(db, QStringLiteral("Could not prepare SQL statement"), sql);
    for (int i = 0; i < params.size(); ++i) {
        const QVariant& v = params[i];
        int rc;
        switch (v.typeId()) {
        case QMetaType::UnknownType:
            rc = sqlite3_bind_null(statement.st, i + 1);
            break;
        case QMetaType::LongLong:
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::Long:
            rc = sqlite3_bind_int64(statement.st, i + 1, v.toLongLong());
            break;
        case QMetaType::Double:
            rc = sqlite3_bind_double(statement.st, i + 1, v.toDouble());
            break;
        default: {
            // A null QString is bound as empty text, exactly as typed.
            const QByteArray u = v.toString().toUtf8();
            rc = sqlite3_bind_text(statement.st, i + 1, u.constData(), int(u.size()), SQLITE_TRANSIENT);
        }
        }
        if (rc != SQLITE_OK)
            throw Failure(db, QStringLiteral("Error executing SQL"), sql);
    }
}

bool Equals(const char* a, const char* b) { return a && std::strcmp(a, b) == 0; }

}  // namespace

// ---- TSQLiteTable ----

int TSQLiteTable::RowCount() const { return rows_; }
int TSQLiteTable::ColumnCount() const { return int(names_.size()); }
bool TSQLiteTable::Eof() const { return current_ >= rows_; }

void TSQLiteTable::Next()
{
    if (!Eof())
        ++current_;
}

int TSQLiteTable::FieldIndex(const QString& name) const
{
    if (rows_ == 0)
        throw ESQLiteException(QStringLiteral("Field ") + name + QStringLiteral(" Not found. Empty dataset"));
    for (int i = 0; i < names_.size(); ++i)
        if (names_[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    throw ESQLiteException(QStringLiteral("Field not found in dataset: ") + name);
}

QString TSQLiteTable::ColumnName(int column) const
{
    if (column < 0 || column >= names_.size())
        throw ESQLiteException(QStringLiteral("Column index out of range: ") + QString::number(column));
    return names_[column];
}

namespace {
constexpr size_t kHugePage = size_t(2) << 20;
constexpr size_t kMapFrom = size_t(1) << 20;  // smaller blocks stay with malloc
}  // namespace

TSQLiteTable::Storage::Storage(const Storage& other) { *this = other; }

TSQLiteTable::Storage& TSQLiteTable::Storage::operator=(const Storage& other)
{
    if (this != &other) {
        size_ = 0;
        Append(other.data_, other.size_);
    }
    return *this;
}

TSQLiteTable::Storage::~Storage() { Release(); }

void TSQLiteTable::Storage::Release()
{
#ifdef __linux__
    if (mapped_)
        munmap(data_, capacity_);
    else
#endif
        std::free(data_);
    data_ = nullptr;
    size_ = capacity_ = 0;
    mapped_ = false;
}

void TSQLiteTable::Storage::Reserve(size_t capacity)
{
#ifdef __linux__
    if (capacity >= kMapFrom) {
        // a mapping aligned to and sized in huge pages, so the kernel can back it with them
        capacity = (capacity + kHugePage - 1) / kHugePage * kHugePage;
        const size_t length = capacity + kHugePage;
        void* raw = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (raw != MAP_FAILED) {
            char* start = static_cast<char*>(raw);
            char* aligned = reinterpret_cast<char*>(
                (reinterpret_cast<std::uintptr_t>(start) + kHugePage - 1) & ~std::uintptr_t(kHugePage - 1));
            if (aligned > start)
                munmap(start, size_t(aligned - start));
            const size_t tail = length - size_t(aligned - start) - capacity;
            if (tail)
                munmap(aligned + capacity, tail);
            madvise(aligned, capacity, MADV_HUGEPAGE);
            if (size_)
                std::memcpy(aligned, data_, size_);
            const size_t size = size_;
            Release();
            data_ = aligned;
            size_ = size;
            capacity_ = capacity;
            mapped_ = true;
            return;
        }
    }
    if (mapped_) {
        char* block = static_cast<char*>(std::malloc(capacity));
        if (!block)
            throw ESQLiteException(QStringLiteral("Out of memory while reading a query result"));
        std::memcpy(block, data_, size_);
        const size_t size = size_;
        Release();
        data_ = block;
        size_ = size;
        capacity_ = capacity;
        return;
    }
#endif
    char* grown = static_cast<char*>(std::realloc(data_, capacity));
    if (!grown)
        throw ESQLiteException(QStringLiteral("Out of memory while reading a query result"));
    data_ = grown;
    capacity_ = capacity;
}

void TSQLiteTable::Storage::Append(const void* bytes, size_t count)
{
    if (size_ + count > capacity_) {
        size_t capacity = capacity_ ? capacity_ * 2 : 4096;
        while (capacity < size_ + count)
            capacity *= 2;
        Reserve(capacity);
    }
    if (count)
        std::memcpy(data_ + size_, bytes, count);
    size_ += count;
}

const TSQLiteTable::Cell& TSQLiteTable::CurrentCell(int column) const
{
    if (Eof())
        throw ESQLiteException(QStringLiteral("Table is at End of File"));
    if (column < 0 || column >= names_.size())
        throw ESQLiteException(QStringLiteral("Column index out of range: ") + QString::number(column));
    return reinterpret_cast<const Cell*>(cells_.data())[size_t(current_) * names_.size() + column];
}

QString TSQLiteTable::FieldAsString(int column) const
{
    const Cell& cell = CurrentCell(column);
    if (cell.length <= 0)
        return QString();
    std::vector<SharedText>& shared = shared_[column];
    if (shared.empty())
        return QString::fromUtf8(bytes_.data() + cell.offset, cell.length);
    SharedText& slot = shared[(cell.offset * 2654435761u) % shared.size()];
    if (slot.offset != cell.offset || slot.length != cell.length) {
        slot.offset = cell.offset;
        slot.length = cell.length;
        slot.text = QString::fromUtf8(bytes_.data() + cell.offset, cell.length);
    }
    return slot.text;
}

QString TSQLiteTable::FieldAsString(const QString& name) const
{
    return FieldAsString(FieldIndex(name));
}

// ---- TSQLiteDatabase ----

TSQLiteDatabase::TSQLiteDatabase(const QString& path, OpenMode mode)
{
    sqlite3* db = nullptr;
    int rc;
    if (mode == OpenMode::CreateIfMissing) {
        rc = sqlite3_open16(path.utf16(), &db);
    } else if (path.isEmpty()) {
        // SQLite would open a private temporary database for an empty name.
        throw ESQLiteException(QStringLiteral("Failed to open database \"\" : unable to open database file"));
    } else {
        rc = sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    }
    if (rc != SQLITE_OK) {
        const QString reason = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("unknown error");
        sqlite3_close(db);
        throw ESQLiteException(QStringLiteral("Failed to open database \"") + path +
                               QStringLiteral("\" : ") + reason);
    }
    db_ = db;
}

TSQLiteDatabase::~TSQLiteDatabase() { Close(); }

void TSQLiteDatabase::Close()
{
    if (db_) {
        sqlite3_close(db_);
        db_ = nullptr;
    }
}

namespace {

// Finds equal texts of one column while a result is read, so that they are stored once.
// It gives up on a column whose texts rarely repeat, where looking would only cost time.
class RepeatFinder {
public:
    static constexpr size_t kSlots = 1024;
    static constexpr int kTrial = 2048;  // values looked at before judging a column

    bool Active() const { return active_; }
    bool FoundRepeats() const { return hits_ > 0; }

    // The offset at which text already stands, or -1 after remembering it at offset.
    std::int64_t Find(const char* bytes, const char* text, int length, std::uint32_t offset)
    {
        std::uint64_t h = 1469598103934665603ull;  // FNV-1a
        for (int i = 0; i < length; ++i)
            h = (h ^ static_cast<unsigned char>(text[i])) * 1099511628211ull;
        Slot& slot = slots_[h % kSlots];
        ++looks_;
        if (slot.length == length && std::memcmp(bytes + slot.offset, text, size_t(length)) == 0) {
            ++hits_;
            return slot.offset;
        }
        slot = {offset, length};
        if (looks_ == kTrial && hits_ * 4 < looks_)
            active_ = false;
        return -1;
    }

private:
    struct Slot { std::uint32_t offset = 0; std::int32_t length = -1; };
    std::vector<Slot> slots_ = std::vector<Slot>(kSlots);
    int looks_ = 0;
    int hits_ = 0;
    bool active_ = true;
};

}  // namespace

TSQLiteTable TSQLiteDatabase::Query(const QString& sql, const QVariantList& params)
{
    Statement statement;
    Prepare(db_, sql, params, statement);
    sqlite3_stmt* st = statement.st;

    TSQLiteTable table;
    int columns = 0;
    std::vector<TSQLiteTable::Kind>& kinds = table.kinds_;
    std::vector<RepeatFinder> repeats;
    char number[32];
    for (;;) {
        const int rc = sqlite3_step(st);
        if (rc == SQLITE_DONE)
            break;
        if (rc == SQLITE_BUSY)
            throw ESQLiteException(QStringLiteral("Could not prepare SQL statement"));
        if (rc != SQLITE_ROW) {
            sqlite3_reset(st);
            throw Failure(db_, QStringLiteral("Could not retrieve data"), sql);
        }
        if (table.rows_ == 0) {
            // Names and kinds come with the first row.
            columns = sqlite3_column_count(st);
            for (int c = 0; c < columns; ++c) {
                table.names_.append(QString::fromUtf8(sqlite3_column_name(st, c)).toUpper());
                const char* decl = sqlite3_column_decltype(st, c);
                TSQLiteTable::Kind kind = TSQLiteTable::Kind::Text;
                if (Equals(decl, "INTEGER") || Equals(decl, "BOOLEAN"))
                    kind = TSQLiteTable::Kind::Integer;
                else if (Equals(decl, "NUMERIC") || Equals(decl, "FLOAT") || Equals(decl, "DOUBLE") ||
                         Equals(decl, "REAL"))
                    kind = TSQLiteTable::Kind::Float;
                else if (!decl) {
                    // An expression: judged by what the first row holds.
                    const int type = sqlite3_column_type(st, c);
                    if (type == SQLITE_INTEGER)
                        kind = TSQLiteTable::Kind::Integer;
                    else if (type == SQLITE_FLOAT)
                        kind = TSQLiteTable::Kind::Float;
                }
                kinds.push_back(kind);
            }
            repeats.resize(size_t(columns));
        }
        for (int c = 0; c < columns; ++c) {
            TSQLiteTable::Cell cell{std::uint32_t(table.bytes_.size()), -1};
            if (sqlite3_column_type(st, c) != SQLITE_NULL) {
                const char* text;
                int length;
                switch (kinds[c]) {
                case TSQLiteTable::Kind::Integer:
                    length = std::snprintf(number, sizeof number, "%lld",
                                           static_cast<long long>(sqlite3_column_int64(st, c)));
                    text = number;
                    break;
                case TSQLiteTable::Kind::Float:
                    length = std::snprintf(number, sizeof number, "%.15g", sqlite3_column_double(st, c));
                    text = number;
                    break;
                default:
                    text = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
                    length = sqlite3_column_bytes(st, c);
                }
                cell.length = length;
                std::int64_t earlier = -1;
                if (length > 0 && repeats[c].Active())
                    earlier = repeats[c].Find(table.bytes_.data(), text, length, cell.offset);
                if (earlier >= 0) {
                    cell.offset = std::uint32_t(earlier);
                } else {
                    if (table.bytes_.size() + size_t(length) > std::numeric_limits<std::uint32_t>::max())
                        throw ESQLiteException(QStringLiteral("Query result too large to hold in memory"));
                    table.bytes_.Append(text, size_t(length));
                }
            }
            table.cells_.Append(&cell, sizeof cell);
        }
        ++table.rows_;
    }
    table.shared_.resize(size_t(columns));
    for (int c = 0; c < columns; ++c)
        if (repeats[c].Active() && repeats[c].FoundRepeats())
            table.shared_[size_t(c)].resize(RepeatFinder::kSlots);
    return table;
}

void TSQLiteDatabase::Execute(const QString& sql, const QVariantList& params)
{
    Statement statement;
    Prepare(db_, sql, params, statement);
    if (sqlite3_step(statement.st) != SQLITE_DONE) {
        sqlite3_reset(statement.st);
        throw Failure(db_, QStringLiteral("Error executing SQL statement"), sql);
    }
}

int TSQLiteDatabase::BackupTo(TSQLiteDatabase& target)
{
    if (!db_ || !target.db_)
        throw ESQLiteException(QStringLiteral("Database is not open"));
    sqlite3_backup* backup = sqlite3_backup_init(target.db_, "main", db_, "main");
    if (!backup)
        throw ESQLiteException(QStringLiteral("Could not initialize backup"));
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
        throw ESQLiteException(QStringLiteral("Database is not open"));
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
    static const char sql[] = "PRAGMA quick_check(1)";
    Statement statement;
    if (!db_)
        throw ESQLiteException(QStringLiteral("Database is not open"));
    // Damage shows as the check's own finding or as SQLite's codes for a malformed file; any
    // other failure (a lock, a read error) says nothing about the content and is raised.
    auto damage = [this] {
        const int code = sqlite3_errcode(db_) & 0xff;
        return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
    };
    if (sqlite3_prepare_v2(db_, sql, -1, &statement.st, nullptr) != SQLITE_OK) {
        if (damage())
            return QString::fromUtf8(sqlite3_errmsg(db_));
        throw Failure(db_, QStringLiteral("Error executing SQL"), QString::fromLatin1(sql));
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
        throw Failure(db_, QStringLiteral("Could not retrieve data"), QString::fromLatin1(sql));
    }
    return finding;
}

ESQLiteException TSQLiteDatabase::BackupFailure(int stepCode, const TSQLiteDatabase& target)
{
    const int code = stepCode & 0xff;
    const QString message = target.db_ ? QString::fromUtf8(sqlite3_errmsg(target.db_))
                                       : QString::fromUtf8(sqlite3_errstr(code));
    return ESQLiteException(QStringLiteral("Could not complete backup.\rError [") + QString::number(code) +
                            QStringLiteral("]: ") + SQLiteResultText(code) + QStringLiteral(".\r") + message);
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
