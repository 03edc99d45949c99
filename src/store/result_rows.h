#pragma once
// The rows of one list result as its callers see them: the result itself, kept as it was read,
// with each cell made into text only when it is asked for. Entry is the plain value one row
// becomes (AddressEntry, ZipcodeRow): its Field enumerates the columns in the order they are
// read, kColumns names them, and FromCells makes an Entry from a cell reader.
#include "store/sqlite_layer.h"

#include <array>
#include <cstddef>
#include <iterator>

template <class Entry>
class ResultRows {
public:
    using Field = typename Entry::Field;
    static constexpr size_t kFields = std::size(Entry::kColumns);

    ResultRows() = default;
    // Looks the columns up by name, in reading order, when the result has rows.
    explicit ResultRows(TSQLiteTable table) : table_(std::move(table))
    {
        if (table_.RowCount() > 0)
            for (size_t f = 0; f < kFields; ++f)
                columns_[f] = table_.FieldIndex(QString::fromLatin1(Entry::kColumns[f]));
    }

    size_t size() const { return size_t(table_.RowCount()); }
    bool empty() const { return size() == 0; }
    QString Text(size_t row, Field field) const { return table_.Text(int(row), columns_[size_t(field)]); }
    Entry operator[](size_t row) const
    {
        return Entry::FromCells([&](Field field) { return Text(row, field); });
    }
    Entry at(size_t row) const { return (*this)[row]; }
    Entry front() const { return (*this)[0]; }

    // Walks the rows as entries, each made as it is reached.
    class iterator {
    public:
        using value_type = Entry;
        using difference_type = std::ptrdiff_t;
        iterator() = default;
        iterator(const ResultRows* rows, size_t row) : rows_(rows), row_(row) {}
        Entry operator*() const { return (*rows_)[row_]; }
        iterator& operator++()
        {
            ++row_;
            return *this;
        }
        iterator operator++(int)
        {
            iterator before = *this;
            ++row_;
            return before;
        }
        bool operator==(const iterator& other) const { return row_ == other.row_; }

    private:
        const ResultRows* rows_ = nullptr;
        size_t row_ = 0;
    };
    iterator begin() const { return iterator(this, 0); }
    iterator end() const { return iterator(this, size()); }

private:
    TSQLiteTable table_;
    std::array<int, kFields> columns_{};
};
