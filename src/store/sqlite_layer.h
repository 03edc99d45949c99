#pragma once
// The database-access layer: one open SQLite file, one fully read result.
// Values reach SQLite only as bound parameters; statement text is fixed text.
#include "store/errors.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

struct sqlite3;

// A fully read query result, independent of the database once it exists.
// One thread at a time: reading a value may update the result's string cache.
class TSQLiteTable {
public:
    int RowCount() const;
    int ColumnCount() const;
    bool Eof() const;                 // current row at or past the row count
    void Next();                      // one row on, unless Eof()
    int FieldIndex(const QString& name) const;     // case-insensitive; throws when unknown
    QString ColumnName(int column) const;          // upper-cased
    QString FieldAsString(int column) const;       // value of the current row as text
    QString FieldAsString(const QString& name) const;

private:
    friend class TSQLiteDatabase;
    enum class Kind { Integer, Float, Text };

    // Growable raw memory for a result's plain data. A large result gets its own mapping in
    // huge pages: filling fresh memory page by page costs more than reading the rows.
    class Storage {
    public:
        Storage() = default;
        Storage(const Storage& other);
        Storage& operator=(const Storage& other);
        ~Storage();
        void Append(const void* bytes, size_t count);
        char* data() const { return data_; }
        size_t size() const { return size_; }

    private:
        void Reserve(size_t capacity);
        void Release();
        char* data_ = nullptr;
        size_t size_ = 0;
        size_t capacity_ = 0;
        bool mapped_ = false;  // data_ is a mapping of capacity_ bytes, not a malloc block
    };

    // Each value is kept already in its text form (by the column's kind), as UTF-8.
    // Equal texts of a column that repeats itself (a category, a province) share one place
    // in the bytes, and the strings handed out for them share one buffer.
    struct Cell { std::uint32_t offset; std::int32_t length; };  // length -1: NULL
    struct SharedText { std::uint32_t offset = 0; std::int32_t length = -1; QString text; };
    const Cell& CurrentCell(int column) const;

    QStringList names_;
    std::vector<Kind> kinds_;
    Storage cells_;                // Cell values, row-major, ColumnCount() per row
    Storage bytes_;                // UTF-8 text of every non-NULL value, back to back
    // per column: empty, or the recently handed-out strings of a column with repeated texts
    mutable std::vector<std::vector<SharedText>> shared_;
    int rows_ = 0;
    int current_ = 0;
};

class TSQLiteDatabase {
public:
    // CreateIfMissing opens as sqlite3_open16 does, creating an empty database file when none
    // exists. ExistingOnly never creates one: the address book must not appear out of nothing
    // when it is missing, or the next start would take an empty file for the book.
    enum class OpenMode { CreateIfMissing, ExistingOnly };
    explicit TSQLiteDatabase(const QString& path, OpenMode mode = OpenMode::CreateIfMissing);
    ~TSQLiteDatabase();
    TSQLiteDatabase(const TSQLiteDatabase&) = delete;
    TSQLiteDatabase& operator=(const TSQLiteDatabase&) = delete;

    // Runs the first statement of sql with the bound values (QString, qint64, or a null
    // QVariant) and reads every row.
    TSQLiteTable Query(const QString& sql, const QVariantList& params = {});
    // Runs the first statement of sql once; it must finish (result code 101).
    void Execute(const QString& sql, const QVariantList& params = {});
    // Online backup of this file's main database into target's, in one step of all pages.
    // A step that meets a lock is tried again while WaitForLocks allows. Returns the step's
    // result code.
    int BackupTo(TSQLiteDatabase& target);
    void Close();

    // From now on, a step that meets another connection's lock is tried again until
    // milliseconds from now have passed; after that it fails as it would at once without this.
    void WaitForLocks(int milliseconds);
    // SQLite's quick check of the whole file: empty text when it passes, else what it found
    // (or why it could not look).
    QString QuickCheck();

    // The error for a backup step that did not finish: "Could not complete backup" with the
    // code, its text and SQLite's message as left on target by the backup.
    static ESQLiteException BackupFailure(int stepCode, const TSQLiteDatabase& target);

private:
    static int OnBusy(void* self, int count);
    bool SleepBeforeRetry(int count) const;

    sqlite3* db_ = nullptr;
    std::chrono::steady_clock::time_point lockDeadline_{};
};

// The layer's text for an SQLite primary result code.
QString SQLiteResultText(int code);
