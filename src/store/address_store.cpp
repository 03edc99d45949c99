#include "store/address_store.h"
// Placeholder until the store is written.
QString SearchFieldColumn(SearchField) { return {}; }
namespace AddressStore {
AddressList ListAll() { return {}; }
AddressList ListByCategory(const QString&) { return {}; }
AddressList SearchEntries(const std::optional<QString>&, SearchField, const QString&) { return {}; }
QStringList ListCategories() { return {}; }
std::optional<AddressEntry> LoadEntry(const QString&) { return std::nullopt; }
void InsertEntry(const AddressEntry&) {}
void UpdateEntry(const QString&, const AddressEntry&) {}
void DeleteEntry(const QString&) {}
bool BackupDatabase() { return false; }
}  // namespace AddressStore
