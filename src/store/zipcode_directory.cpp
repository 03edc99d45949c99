#include "store/zipcode_directory.h"

#include "store/paths.h"
#include "store/sqlite_layer.h"

namespace {

ZipcodeRows ReadRows(const QString& sql, const QVariantList& params)
{
    TSQLiteDatabase db(ExeFolder() + QStringLiteral("zipcode.db"));
    return ZipcodeRows(db.Query(sql, params));
}

}  // namespace

namespace ZipcodeDirectory {

ZipcodeRows FindByDong(const QString& keyword)
{
    return ReadRows(QStringLiteral("select * from zipcode where dong like \"?\""),
                    {QStringLiteral("%") + keyword + QStringLiteral("%")});
}

ZipcodeRows FindByZipcode(const QString& zip)
{
    return ReadRows(QStringLiteral("select * from zipcode where zipcode='?'"), {zip});
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
