#pragma once
// Every statement run against address.db, and its backup copy.
// Each operation opens DatabasePath(), runs one statement, reads all, closes.
#include "store/errors.h"
#include "store/result_rows.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

struct AddressEntry {
    QString num, unit, name, tel, cell, zip, address1, address2;

    // The columns a list result is read by, in reading order.
    enum Field { Unit, Name, Tel, Cell, Zip, Address1, Address2, Num };
    static constexpr const char* kColumns[] = {"unit", "name", "tel", "cell", "zip", "address1", "address2", "num"};
    template <class Cells>
    static AddressEntry FromCells(Cells cell)
    {
        return {cell(Num), cell(Unit), cell(Name), cell(Tel), cell(Cell), cell(Zip), cell(Address1), cell(Address2)};
    }
};
// The rows of a list operation, kept as read; a row becomes an AddressEntry when asked for.
using AddressList = ResultRows<AddressEntry>;

enum class SearchField { name, tel, cell, address1 };
QString SearchFieldColumn(SearchField field);  // the column name itself

namespace AddressStore {
AddressList ListAll();
AddressList ListByCategory(const QString& category);
AddressList SearchEntries(const std::optional<QString>& category, SearchField field,
                          const QString& keyword);
QStringList ListCategories();
std::optional<AddressEntry> LoadEntry(const QString& num);
void InsertEntry(const AddressEntry& entry);
void UpdateEntry(const QString& num, const AddressEntry& entry);
void DeleteEntry(const QString& num);
// Adds entries in one transaction: all of them or, on an error, none. An entry whose seven
// values equal those of an entry already in the book, or of an earlier one of entries, is
// skipped and counted. With dryRun nothing is written; the counts are what would happen.
// The book is never created: a missing or locked book is an error.
struct InsertResult {
    int added = 0;
    int duplicates = 0;
};
InsertResult InsertEntries(const std::vector<AddressEntry>& entries, bool dryRun = false);
// false (having touched nothing) when ExeFolder() + "address.db" does not exist.
bool BackupDatabase();
}  // namespace AddressStore
