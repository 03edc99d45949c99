#pragma once
// The postal code directory, ExeFolder() + "zipcode.db", only ever read.
#include "store/errors.h"
#include "store/result_rows.h"

#include <QString>
#include <vector>

struct ZipcodeRow {
    QString zipcode, sido, gugun, dong, ri, bldg, bunji;

    // The columns a search result is read by, in reading order.
    enum Field { Zipcode, Sido, Gugun, Dong, Ri, Bldg, Bunji };
    static constexpr const char* kColumns[] = {"zipcode", "sido", "gugun", "dong", "ri", "bldg", "bunji"};
    template <class Cells>
    static ZipcodeRow FromCells(Cells cell)
    {
        return {cell(Zipcode), cell(Sido), cell(Gugun), cell(Dong), cell(Ri), cell(Bldg), cell(Bunji)};
    }
};
// The rows of a search, kept as read; a row becomes a ZipcodeRow when asked for.
using ZipcodeRows = ResultRows<ZipcodeRow>;

namespace ZipcodeDirectory {
ZipcodeRows FindByDong(const QString& keyword);
ZipcodeRows FindByZipcode(const QString& zip);
QString LocalAddress(const ZipcodeRow& row);  // gugun dong ri bldg bunji, single blanks
QString FullAddress(const ZipcodeRow& row);   // sido + " " + LocalAddress
}  // namespace ZipcodeDirectory
