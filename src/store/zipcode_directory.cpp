#include "store/zipcode_directory.h"
// Placeholder until the directory is written.
namespace ZipcodeDirectory {
ZipcodeRows FindByDong(const QString&) { return {}; }
ZipcodeRows FindByZipcode(const QString&) { return {}; }
QString LocalAddress(const ZipcodeRow&) { return {}; }
QString FullAddress(const ZipcodeRow&) { return {}; }
}  // namespace ZipcodeDirectory
