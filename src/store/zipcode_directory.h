#pragma once
// The postal code directory, ExeFolder() + "zipcode.db", only ever read.
#include "store/errors.h"

#include <QString>
#include <vector>

struct ZipcodeRow {
    QString zipcode, sido, gugun, dong, ri, bldg, bunji;
};
using ZipcodeRows = std::vector<ZipcodeRow>;

namespace ZipcodeDirectory {
ZipcodeRows FindByDong(const QString& keyword);
ZipcodeRows FindByZipcode(const QString& zip);
QString LocalAddress(const ZipcodeRow& row);  // gugun dong ri bldg bunji, single blanks
QString FullAddress(const ZipcodeRow& row);   // sido + " " + LocalAddress
}  // namespace ZipcodeDirectory
