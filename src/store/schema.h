#pragma once
// The tables as the set-up creates them, shared by the tools, the tests and the benchmarks.

namespace Schema {

// The address book. num is the key SQLite assigns; the other columns keep text as written.
inline constexpr const char* kAddressList =
    "CREATE TABLE ADDRESS_LIST (num INTEGER PRIMARY KEY AUTOINCREMENT, unit TEXT, name TEXT,"
    " tel TEXT, cell TEXT, zip TEXT, address1 TEXT, address2 TEXT)";
// Lets "group by unit" walk the categories in order instead of sorting the whole book.
inline constexpr const char* kAddressListUnitIndex =
    "CREATE INDEX IF NOT EXISTS ADDRESS_LIST_unit ON ADDRESS_LIST (unit)";

// The postal code directory, and the index of its postal code lookup.
inline constexpr const char* kZipcode =
    "CREATE TABLE zipcode (zipcode TEXT, sido TEXT, gugun TEXT, dong TEXT, ri TEXT, bldg TEXT, bunji TEXT)";
inline constexpr const char* kZipcodeIndex = "CREATE INDEX zipcode_zipcode ON zipcode (zipcode)";

}  // namespace Schema
