#pragma once
// The database-access layer: one open SQLite file, one fully read result, and the one place
// where the layer's messages are made.
//
// Statement texts are fixed text; a value stands in them as a ?, bare or between the quotes
// the statement shows it in ('?' or "?"). SQLite gets a bare placeholder with the value bound
// to it; a message shows the statement with each value in its place, as the statement reads.
#include "store/errors.h"

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <chrono>
#include <cstdint>
#include <string_view>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

// A fully read query result, independent of the database once it exists: every value already
// in its text form, the texts back to back in one buffer, each row a run of offsets into it.
// A plain value: copies copy, moves move (a moved-from result has no rows).
class TSQLiteTable {
public:
    int RowCount() const;
    int ColumnCount() const { return int(names_.size()); }
    bool Eof() const { return current_ >= RowCount(); }  // current row at or past the row count
    void Next();                                         // one row on, unless Eof()
    int FieldIndex(const QString& name) const;           // case-insensitive; throws when unknown
    QString ColumnName(int column) const;                // upper-cased
    QString FieldAsString(int column) const;             // value of the current row as text
    QString FieldAsString(const QString& name) const;
    // Any row, the current one left as it is: the value as text, or its UTF-8 bytes.
    QString Text(int row, int column) const;
    std::string_view Utf8(int row, int column) const;

private:
    friend class TSQLiteDatabase;
    QStringList names_;
    QByteArray bytes_;            // the text of every value, back to back (NULL: no bytes)
    QList<std::uint32_t> ends_;   // per value, row by row: where its text ends in bytes_
    int current_ = 0;
};

class TSQLiteDatabase {
public:
    // CreateIfMissing opens read-write, creating an empty database file when none exists. ExistingOnly never creates one: the address book must not appear out of nothing
    // when it is missing, or the next start would take an empty file for the book.
    enum class OpenMode { CreateIfMissing, ExistingOnly };
    explicit TSQLiteDatabase(const QString& path, OpenMode mode = OpenMode::CreateIfMissing);
    ~TSQLiteDatabase();
    TSQLiteDatabase(const TSQLiteDatabase&) = delete;
    TSQLiteDatabase& operator=(const TSQLiteDatabase&) = delete;

    // Runs the first statement of sql with the values (QString, an integer, double, or a null
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
    friend class TSQLiteStatement;
    static int OnBusy(void* self, int count);
    bool SleepBeforeRetry(int count) const;

    sqlite3* db_ = nullptr;
    std::chrono::steady_clock::time_point lockDeadline_{};
};

// The first statement of sql, compiled once to be run many times (a bulk insert).
class TSQLiteStatement {
public:
    // shown: the values a message about a statement that does not compile shows.
    TSQLiteStatement(TSQLiteDatabase& db, const QString& sql, const QVariantList& shown = {});
    ~TSQLiteStatement();
    TSQLiteStatement(const TSQLiteStatement&) = delete;
    TSQLiteStatement& operator=(const TSQLiteStatement&) = delete;
    // Runs it once with the values; it must finish (result code 101).
    void Execute(const QVariantList& values);

private:
    sqlite3* db_;
    QString sql_;
    sqlite3_stmt* st_ = nullptr;
    std::vector<QByteArray> texts_;  // the bound texts, kept until the statement is stepped
};

// Every message of the layer, by situation. The subject is the path, the statement as it
// reads (values in place), the column name or a finding; code and message are SQLite's, when it has one.
enum class SQLiteFailure {
    Open, NotOpen, Compile, NoStatement, Busy, Retrieve, Execute, EmptyDataset, UnknownField,
    ColumnRange, EndOfFile, TooLarge, BackupInit, Backup, BadNumber,
    // A backup refused as no sound address book, with what was found (finding or columns).
    CheckFound, NoBookTable, NoBookColumns, RefusedBackupKept, RefusedNoBackup
};
ESQLiteException SQLiteError(SQLiteFailure what, const QString& subject = {}, int code = 0,
                             const QString& message = {});

// The layer's text for an SQLite primary result code.
QString SQLiteResultText(int code);
