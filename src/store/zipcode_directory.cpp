#include "store/zipcode_directory.h"

#include "store/paths.h"
#include "store/sqlite_layer.h"

namespace {

ZipcodeRows ReadRows(const QString& sql, const QVariantList& params)
{
    TSQLiteDatabase db(ExeFolder() + QStringLiteral("zipcode.db"));
    TSQLiteTable rows = db.Query(sql, params);
    db.Close();
    ZipcodeRows list;
    if (rows.RowCount() == 0)
        return list;
    const int zipcode = rows.FieldIndex(QStringLiteral("zipcode"));
    const int sido = rows.FieldIndex(QStringLiteral("sido"));
    const int gugun = rows.FieldIndex(QStringLiteral("gugun"));
    const int dong = rows.FieldIndex(QStringLiteral("dong"));
    const int ri = rows.FieldIndex(QStringLiteral("ri"));
    const int bldg = rows.FieldIndex(QStringLiteral("bldg"));
    const int bunji = rows.FieldIndex(QStringLiteral("bunji"));
    list.reserve(size_t(rows.RowCount()));
    for (; !rows.Eof(); rows.Next()) {
        ZipcodeRow r;
        r.zipcode = rows.FieldAsString(zipcode);
        r.sido = rows.FieldAsString(sido);
        r.gugun = rows.FieldAsString(gugun);
        r.dong = rows.FieldAsString(dong);
        r.ri = rows.FieldAsString(ri);
        r.bldg = rows.FieldAsString(bldg);
        r.bunji = rows.FieldAsString(bunji);
        list.push_back(std::move(r));
    }
    return list;
}

}  // namespace

namespace ZipcodeDirectory {

ZipcodeRows FindByDong(const QString& keyword)
{
    return ReadRows(QStringLiteral("select * from zipcode where dong like ?"),
                    {QStringLiteral("%") + keyword + QStringLiteral("%")});
}

ZipcodeRows FindByZipcode(const QString& zip)
{
    return ReadRows(QStringLiteral("select * from zipcode where zipcode=?"), {zip});
}

QString LocalAddress(const ZipcodeRow& row)
{
    const QChar blank(u' ');
    return row.gugun + blank + row.dong + blank + row.ri + blank + row.bldg + blank + row.bunji;
}

QString FullAddress(const ZipcodeRow& row)
{
    return row.sido + QChar(u' ') + LocalAddress(row);
}

}  // namespace ZipcodeDirectory
