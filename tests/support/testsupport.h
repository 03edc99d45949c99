#pragma once
// Small fixtures shared by the tests: temporary folders and address books built by the test.
#include "store/errors.h"
#include "store/schema.h"

#include <QDir>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <iconv.h>
#include <sqlite3.h>
#include <functional>
#include <stdexcept>
#include <vector>

namespace testsupport {

// The schema the set-up creates.
inline const char* kBookSchema = Schema::kAddressList;

// Runs sql (several statements allowed) on the file at path, creating it when missing.
inline void Exec(const QString& path, const QString& sql)
{
    sqlite3* db = nullptr;
    if (sqlite3_open(path.toUtf8().constData(), &db) != SQLITE_OK)
        throw std::runtime_error("cannot open fixture");
    char* err = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err);
    const std::string message = err ? err : "";
    sqlite3_free(err);
    sqlite3_close(db);
    if (rc != SQLITE_OK)
        throw std::runtime_error("fixture sql failed: " + message);
}

// One row of a fixture book: unit, name, tel, cell, zip, address1, address2 (null: NULL).
struct Row {
    QStringList values;  // 7 texts; a null QString stores NULL
};

// Creates an address book at path with the rows given, bound as parameters.
inline void MakeBook(const QString& path, const std::vector<QStringList>& rows = {})
{
    Exec(path, QString::fromLatin1(kBookSchema) + QLatin1Char(';') + QString::fromLatin1(Schema::kAddressListUnitIndex));
    sqlite3* db = nullptr;
    sqlite3_open(path.toUtf8().constData(), &db);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db,
                       "INSERT INTO ADDRESS_LIST(unit,name,tel,cell,zip,address1,address2)"
                       " VALUES (?,?,?,?,?,?,?)",
                       -1, &st, nullptr);
    sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (const QStringList& r : rows) {
        for (int i = 0; i < 7; ++i) {
            const QString v = i < r.size() ? r[i] : QString();
            if (v.isNull())
                sqlite3_bind_null(st, i + 1);
            else {
                const QByteArray u = v.toUtf8();
                sqlite3_bind_text(st, i + 1, u.constData(), u.size(), SQLITE_TRANSIENT);
            }
        }
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_finalize(st);
    sqlite3_close(db);
}

// Every row of a book file as "num|unit|name|...", read past the store.
inline QStringList Dump(const QString& path)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* st = nullptr;
    QStringList rows;
    if (sqlite3_prepare_v2(db, "select * from ADDRESS_LIST order by num", -1, &st, nullptr) == SQLITE_OK) {
        while (sqlite3_step(st) == SQLITE_ROW) {
            QStringList row;
            for (int c = 0; c < sqlite3_column_count(st); ++c)
                row << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, c)));
            rows << row.join(QLatin1Char('|'));
        }
    } else {
        rows << QStringLiteral("<no table>");
    }
    sqlite3_finalize(st);
    sqlite3_close(db);
    return rows;
}

// Another connection holding a lock on a file until released.
class Lock {
public:
    Lock(const QString& path, const char* sql)
    {
        sqlite3_open(path.toUtf8().constData(), &db_);
        ok_ = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    }
    ~Lock() { sqlite3_close(db_); }
    bool ok() const { return ok_; }
    void Release() { sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr); }

private:
    sqlite3* db_ = nullptr;
    bool ok_ = false;
};

// The message of the error of type Error that action raises, or "<no error>".
template <class Error = EError>
QString MessageOf(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& e) {
        return e.Message();
    }
    return QStringLiteral("<no error>");
}

// text in CP949, as Excel on a Korean Windows saves it; empty when it cannot be encoded.
inline QByteArray EncodeCp949(const QString& text)
{
    const QByteArray in = text.toUtf8();
    iconv_t cd = iconv_open("CP949", "UTF-8");
    if (cd == iconv_t(-1))
        return {};
    QByteArray out(in.size() * 2 + 16, '\0');
    char* ip = const_cast<char*>(in.constData());
    size_t il = size_t(in.size());
    char* op = out.data();
    size_t ol = size_t(out.size());
    const size_t rc = iconv(cd, &ip, &il, &op, &ol);
    iconv_close(cd);
    if (rc == size_t(-1))
        return {};
    out.truncate(op - out.data());
    return out;
}

}  // namespace testsupport
