// AddressStore over a small book built by each test.
#include "store/address_store.h"
#include "store/paths.h"
#include "testsupport.h"

#include <QFile>
#include <QtTest>
#include <algorithm>
#include <functional>

using testsupport::Dump;
using testsupport::Lock;
using testsupport::MakeBook;
using testsupport::MessageOf;

namespace {

QStringList Names(const AddressList& list)
{
    QStringList names;
    for (const AddressEntry& e : list)
        names << e.name;
    names.sort();
    return names;
}

QStringList Fields(const AddressEntry& e)
{
    return {e.unit, e.name, e.tel, e.cell, e.zip, e.address1, e.address2};
}

}  // namespace

class TestAddressStore : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    QString book_;

private slots:
    void init()
    {
        dir_ = std::make_unique<QTemporaryDir>();
        SetExeFolder(dir_->path());
        book_ = ExeFolder() + QStringLiteral("address.db");
        SetDatabasePath(book_);
    }
    void cleanup()
    {
        SetExeFolder(QString());
        SetDatabasePath(QString());
        dir_.reset();
    }

    void emptyBook()
    {
        MakeBook(book_);
        QVERIFY(AddressStore::ListAll().empty());
        QVERIFY(AddressStore::ListByCategory(QStringLiteral("친구")).empty());
        QVERIFY(AddressStore::SearchEntries(std::nullopt, SearchField::name, QString()).empty());
        QVERIFY(AddressStore::ListCategories().isEmpty());
        QVERIFY(!AddressStore::LoadEntry(QStringLiteral("1")));
    }

    void nullsReadAsEmptyText()
    {
        MakeBook(book_, {{QString(), QString(), QString(), QString(), QString(), QString(), QString()}});
        const AddressList all = AddressStore::ListAll();
        QCOMPARE(all.size(), size_t(1));
        QCOMPARE(all[0].num, QStringLiteral("1"));
        QCOMPARE(Fields(all[0]), QStringList(7, QString()));
        const auto loaded = AddressStore::LoadEntry(QStringLiteral("1"));
        QVERIFY(loaded);
        QCOMPARE(Fields(*loaded), QStringList(7, QString()));
    }

    void categories()
    {
        MakeBook(book_, {{QString(), "a"}, {"", "b"}, {"친구", "c"}, {"친구", "d"}, {"회사", "e"}, {"Friend", "f"}});
        QStringList categories = AddressStore::ListCategories();
        QCOMPARE(categories.size(), 5);  // NULL and empty text are two groups
        QCOMPARE(categories.count(QString()), 2);
        categories.sort();
        QCOMPARE(categories, QStringList({"", "", "Friend", "친구", "회사"}));

        QCOMPARE(Names(AddressStore::ListByCategory(QStringLiteral("친구"))), QStringList({"c", "d"}));
        QCOMPARE(Names(AddressStore::ListByCategory(QString())), QStringList({"b"}));  // not the NULL one
        QVERIFY(AddressStore::ListByCategory(QStringLiteral("friend")).empty());  // equality, not LIKE
        QVERIFY(AddressStore::ListByCategory(QStringLiteral("없음")).empty());
    }

    void likeSemantics_data()
    {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("empty: every non-NULL") << ""
                                               << QStringList({"", "ABC", "CAFÉ", "a%c", "a_c", "abc", "café", "홍길동"});
        QTest::newRow("_: at least one character")
            << "_" << QStringList({"ABC", "CAFÉ", "a%c", "a_c", "abc", "café", "홍길동"});
        QTest::newRow("lower finds upper") << "b" << QStringList({"ABC", "abc"});
        QTest::newRow("upper finds lower") << "B" << QStringList({"ABC", "abc"});
        QTest::newRow("_ is a wildcard") << "a_c" << QStringList({"ABC", "a%c", "a_c", "abc"});
        QTest::newRow("% is a wildcard") << "a%c" << QStringList({"ABC", "a%c", "a_c", "abc"});
        QTest::newRow("case beyond A-Z counts") << "café" << QStringList({"café"});
        QTest::newRow("A-Z part still folds") << "CAF" << QStringList({"CAFÉ", "café"});
        QTest::newRow("Hangul syllable") << "길" << QStringList({"홍길동"});
        QTest::newRow("Hangul two syllables") << "길동" << QStringList({"홍길동"});
        QTest::newRow("Hangul not in order") << "홍동" << QStringList();
        QTest::newRow("quote") << "\"" << QStringList();
    }
    void likeSemantics()
    {
        QFETCH(QString, keyword);
        QFETCH(QStringList, expected);
        MakeBook(book_, {{"u", "홍길동"}, {"u", "ABC"}, {"u", "abc"}, {"u", "a_c"}, {"u", "a%c"},
                         {"u", "café"}, {"u", "CAFÉ"}, {"u", ""}, {"u", QString()}});
        QCOMPARE(Names(AddressStore::SearchEntries(std::nullopt, SearchField::name, keyword)), expected);
    }

    void searchFieldAndCategory()
    {
        MakeBook(book_, {{"친구", "n1", "02-111", "010-111", "1", "서울 역삼동", "x"},
                         {"회사", "n2", "02-222", "010-222", "2", "부산 우동", "y"},
                         {"친구", "n3", "031-333", QString(), "3", "서울 삼성동", "z"},
                         {QString(), "n4", "02-444", "010-444", "4", QString(), "w"}});
        QCOMPARE(SearchFieldColumn(SearchField::name), QStringLiteral("name"));
        QCOMPARE(SearchFieldColumn(SearchField::tel), QStringLiteral("tel"));
        QCOMPARE(SearchFieldColumn(SearchField::cell), QStringLiteral("cell"));
        QCOMPARE(SearchFieldColumn(SearchField::address1), QStringLiteral("address1"));
        QCOMPARE(Names(AddressStore::SearchEntries(std::nullopt, SearchField::tel, "02-")),
                 QStringList({"n1", "n2", "n4"}));
        QCOMPARE(Names(AddressStore::SearchEntries(std::nullopt, SearchField::cell, "")),
                 QStringList({"n1", "n2", "n4"}));
        QCOMPARE(Names(AddressStore::SearchEntries(std::nullopt, SearchField::address1, "서울")),
                 QStringList({"n1", "n3"}));
        QCOMPARE(Names(AddressStore::SearchEntries(std::nullopt, SearchField::name, "2")), QStringList({"n2"}));
        // with a category: only that category's rows
        QCOMPARE(Names(AddressStore::SearchEntries(QStringLiteral("친구"), SearchField::tel, "02")),
                 QStringList({"n1"}));
        QCOMPARE(Names(AddressStore::SearchEntries(QStringLiteral("친구"), SearchField::cell, "")),
                 QStringList({"n1"}));
        QCOMPARE(Names(AddressStore::SearchEntries(QString(), SearchField::name, "")), QStringList());
    }

    // Values that would break or steer a statement built from text come back exactly.
    void awkwardValuesRoundTrip_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("double quote") << "\"";
        QTest::newRow("apostrophe") << "'";
        QTest::newRow("percent") << "%";
        QTest::newRow("semicolon") << ";";
        QTest::newRow("comment") << "--";
        QTest::newRow("column name") << "tel";
        QTest::newRow("quoted column name") << "\"tel\"";
        QTest::newRow("Hangul") << "홍길동 서울특별시";
        QTest::newRow("leading zeros") << "010";
        QTest::newRow("blanks") << "  inner  and trailing  ";
        QTest::newRow("only blanks") << "   ";
        QTest::newRow("closing a literal") << "x\", \"y\") --";
        QTest::newRow("mixed") << "a\"b'c%d_e;f--g";
        QTest::newRow("placeholders") << "? '?' \"?\"";
        const QString bom(QChar(0xFEFF));  // not in a literal: UTF-8 decoding would drop it
        QTest::newRow("leading U+FEFF") << bom + QStringLiteral("앞");
        QTest::newRow("only U+FEFF") << bom;
    }
    void awkwardValuesRoundTrip()
    {
        QFETCH(QString, value);
        MakeBook(book_, {{"keep", "other", "02-000-0000"}});
        // each column gets the value with its own mark, so a value read as a column shows
        auto entryOf = [&](const QString& v) {
            return AddressEntry{"ignored", v + "u", v + "n", v + "t", v + "c", v + "z", v + "1", v + "2"};
        };
        AddressStore::InsertEntry(entryOf(value));
        AddressList all = AddressStore::ListAll();
        QCOMPARE(all.size(), size_t(2));
        const AddressEntry& inserted = all[1];
        QCOMPARE(Fields(inserted), Fields(entryOf(value)));
        QVERIFY(inserted.num != QStringLiteral("ignored"));
        QCOMPARE(Fields(*AddressStore::LoadEntry(inserted.num)), Fields(entryOf(value)));
        QCOMPARE(Names(AddressStore::ListByCategory(value + "u")), QStringList({value + "n"}));
        QVERIFY(Names(AddressStore::SearchEntries(value + "u", SearchField::name, value)).contains(value + "n"));

        // the bare value (no mark) in every column, written by an update
        const AddressEntry bare{"", value, value, value, value, value, value, value};
        AddressStore::UpdateEntry(inserted.num, bare);
        QCOMPARE(Fields(*AddressStore::LoadEntry(inserted.num)), QStringList(7, value));
        QCOMPARE(Fields(*AddressStore::LoadEntry(QStringLiteral("1"))),
                 QStringList({"keep", "other", "02-000-0000", "", "", "", ""}));
    }

    void injectionLeavesTableIntact()
    {
        MakeBook(book_, {{"친구", "a"}, {"회사", "b"}});
        const QStringList before = Dump(book_);
        QVERIFY(AddressStore::ListByCategory(QStringLiteral("' or '1'='1")).empty());
        QVERIFY(AddressStore::SearchEntries(std::nullopt, SearchField::name, "\" or \"\"=\"").empty());
        QVERIFY(AddressStore::SearchEntries(QStringLiteral("x' or unit<>'"), SearchField::name, "").empty());
        QVERIFY(AddressStore::ListByCategory(QStringLiteral("'; delete from ADDRESS_LIST; --")).empty());
        QCOMPARE(Dump(book_), before);

        AddressStore::InsertEntry({"", "c", "x\"); drop table ADDRESS_LIST; --", "", "", "", "", ""});
        AddressStore::UpdateEntry(QStringLiteral("1"), {"", "친구", "a\" where 1=1; --", "", "", "", "", ""});
        QCOMPARE(Dump(book_), QStringList({"1|친구|a\" where 1=1; --|||||", "2|회사|b|||||",
                                           "3|c|x\"); drop table ADDRESS_LIST; --|||||"}));
    }

    // A num that is not a decimal integer is refused before the file is even opened.
    void badNumRunsNothing_data()
    {
        QTest::addColumn<QString>("num");
        QTest::newRow("empty") << "";
        QTest::newRow("text") << "abc";
        QTest::newRow("injection") << "1 or 1=1";
        QTest::newRow("statement") << "1; drop table ADDRESS_LIST";
        QTest::newRow("fraction") << "1.5";
        QTest::newRow("plus sign") << "+1";
        QTest::newRow("leading blank") << " 1";
        QTest::newRow("trailing blank") << "1 ";
        QTest::newRow("hex") << "0x10";
        QTest::newRow("too large") << "9223372036854775808";
        QTest::newRow("full-width digit") << "１";
    }
    void badNumRunsNothing()
    {
        QFETCH(QString, num);
        SetDatabasePath(ExeFolder() + QStringLiteral("never-opened.db"));
        const QString expected =
            QStringLiteral("Invalid entry number \"") + num + QStringLiteral("\": a decimal integer is required");
        QCOMPARE(MessageOf([&] { AddressStore::LoadEntry(num); }), expected);
        QCOMPARE(MessageOf([&] { AddressStore::UpdateEntry(num, {}); }), expected);
        QCOMPARE(MessageOf([&] { AddressStore::DeleteEntry(num); }), expected);
        QVERIFY(!QFile::exists(DatabasePath()));
    }

    void keysThatNoRowHas()
    {
        MakeBook(book_, {{"친구", "a"}});
        const QStringList before = Dump(book_);
        QVERIFY(!AddressStore::LoadEntry(QStringLiteral("999")));
        QVERIFY(!AddressStore::LoadEntry(QStringLiteral("-1")));
        AddressStore::UpdateEntry(QStringLiteral("999"), {"", "x", "y", "", "", "", "", ""});
        AddressStore::DeleteEntry(QStringLiteral("999"));
        QCOMPARE(Dump(book_), before);
        QCOMPARE(AddressStore::LoadEntry(QStringLiteral("1"))->name, QStringLiteral("a"));
        QCOMPARE(AddressStore::LoadEntry(QStringLiteral("9223372036854775807")).has_value(), false);
    }

    void insertUpdateDelete()
    {
        MakeBook(book_, {{"친구", "a"}, {"친구", "b"}});
        AddressStore::DeleteEntry(QStringLiteral("2"));
        AddressStore::InsertEntry({"77", "회사", "c", "02", "010", "135-080", "서울", "1층"});
        AddressList all = AddressStore::ListAll();
        QCOMPARE(all.size(), size_t(2));
        QCOMPARE(all[1].num, QStringLiteral("3"));  // a deleted key is not handed out again
        QCOMPARE(Fields(all[1]), QStringList({"회사", "c", "02", "010", "135-080", "서울", "1층"}));
        AddressStore::UpdateEntry(QStringLiteral("3"), {"1", "가족", "d", "", "", "", "", ""});
        QCOMPARE(Dump(book_), QStringList({"1|친구|a|||||", "3|가족|d|||||"}));
        AddressStore::DeleteEntry(QStringLiteral("1"));
        QCOMPARE(Dump(book_), QStringList({"3|가족|d|||||"}));
        // untyped fields are written as empty text, never as NULL
        AddressStore::InsertEntry({});
        QCOMPARE(Names(AddressStore::ListByCategory(QString())), QStringList({""}));
        QCOMPARE(AddressStore::SearchEntries(std::nullopt, SearchField::address1, "").size(), size_t(2));
    }

    // The message of a failed statement shows the statement as it reads: each value between
    // its quotes (the category between apostrophes, the LIKE pattern and the entry values
    // between double quotes), the num bare.
    void errorsCarryTheStatement()
    {
        testsupport::Exec(book_, "CREATE TABLE other (x TEXT)");
        QCOMPARE(MessageOf([] { AddressStore::ListAll(); }),
                 QStringLiteral("Error executing SQL.\rError [1]: SQL error or missing database.\r"
                                "\"select * from ADDRESS_LIST\": no such table: ADDRESS_LIST"));
        QCOMPARE(MessageOf([] { AddressStore::ListByCategory(QStringLiteral("친구")); }),
                 QStringLiteral("Error executing SQL.\rError [1]: SQL error or missing database.\r"
                                "\"select * from ADDRESS_LIST where unit='친구'\": no such table: ADDRESS_LIST"));
        QCOMPARE(MessageOf([] { AddressStore::SearchEntries(std::nullopt, SearchField::name, QString()); }),
                 QStringLiteral("Error executing SQL.\rError [1]: SQL error or missing database.\r"
                                "\"select * from ADDRESS_LIST where name like \"%%\"\": no such table: ADDRESS_LIST"));
        QCOMPARE(MessageOf([] { AddressStore::SearchEntries(QStringLiteral("회사"), SearchField::tel, "02"); }),
                 QStringLiteral("Error executing SQL.\rError [1]: SQL error or missing database.\r"
                                "\"select * from ADDRESS_LIST where unit='회사' and tel like \"%02%\"\": "
                                "no such table: ADDRESS_LIST"));
        QCOMPARE(MessageOf([] { AddressStore::ListCategories(); }),
                 QStringLiteral("Error executing SQL.\rError [1]: SQL error or missing database.\r"
                                "\"select * from ADDRESS_LIST group by unit\": no such table: ADDRESS_LIST"));
        QCOMPARE(MessageOf([] { AddressStore::LoadEntry(QStringLiteral("12")); }),
                 QStringLiteral("Error executing SQL.\rError [1]: SQL error or missing database.\r"
                                "\"select * from ADDRESS_LIST where num=12\": no such table: ADDRESS_LIST"));
        QFile::remove(book_);
        MakeBook(book_, {{"친구", "a"}});
        Lock lock(book_, "BEGIN IMMEDIATE");
        QVERIFY(lock.ok());
        QCOMPARE(MessageOf([] { AddressStore::InsertEntry({"9", "u", "n", "02", "", "", "서울 \"A\"", "?"}); }),
                 QStringLiteral("Error executing SQL statement.\rError [5]: The database file is locked.\r"
                                "\"INSERT INTO ADDRESS_LIST(name,tel,cell,zip,address1,address2,unit)VALUES "
                                "(\"n\",\"02\",\"\",\"\",\"서울 \"A\"\",\"?\",\"u\")\": database is locked"));
        QCOMPARE(MessageOf([] { AddressStore::UpdateEntry("1", {"", "u", "n", "t", "c", "z", "a1", "a2"}); }),
                 QStringLiteral("Error executing SQL statement.\rError [5]: The database file is locked.\r"
                                "\"UPDATE ADDRESS_LIST SET name=\"n\", tel=\"t\", cell=\"c\", zip=\"z\", "
                                "address1=\"a1\", address2=\"a2\",unit=\"u\" where num=1\": database is locked"));
        QCOMPARE(MessageOf([] { AddressStore::DeleteEntry("1"); }),
                 QStringLiteral("Error executing SQL statement.\rError [5]: The database file is locked.\r"
                                "\"delete from ADDRESS_LIST where num=1\": database is locked"));
        lock.Release();
        QCOMPARE(Dump(book_), QStringList({"1|친구|a|||||"}));
    }

    void missingColumn()
    {
        testsupport::Exec(book_, "CREATE TABLE ADDRESS_LIST (num INTEGER PRIMARY KEY, unit TEXT, name TEXT,"
                                 " tel TEXT, cell TEXT, address1 TEXT, address2 TEXT)");
        QVERIFY(AddressStore::ListAll().empty());  // no row: no column is looked up
        testsupport::Exec(book_, "INSERT INTO ADDRESS_LIST(name) VALUES ('a')");
        QCOMPARE(MessageOf([] { AddressStore::ListAll(); }), QStringLiteral("Field not found in dataset: zip"));
    }

    // A missing book is an error, and no operation ever leaves an empty address.db behind,
    // which the next start would take for the book.
    void missingBookIsNeverCreated_data()
    {
        QTest::addColumn<int>("operation");
        for (int i = 0; i < 7; ++i)
            QTest::addRow("operation %d", i) << i;
    }
    void missingBookIsNeverCreated()
    {
        QFETCH(int, operation);
        const std::function<void()> operations[] = {
            [] { AddressStore::ListAll(); },
            [] { AddressStore::ListByCategory(QStringLiteral("x")); },
            [] { AddressStore::SearchEntries(std::nullopt, SearchField::name, QString()); },
            [] { AddressStore::ListCategories(); },
            [] { AddressStore::LoadEntry(QStringLiteral("1")); },
            [] { AddressStore::InsertEntry({}); },
            [] { AddressStore::DeleteEntry(QStringLiteral("1")); },
        };
        QCOMPARE(MessageOf(operations[operation]),
                 QStringLiteral("Failed to open database \"") + book_ +
                     QStringLiteral("\" : unable to open database file"));
        QVERIFY(!QFile::exists(book_));
    }
};

QTEST_GUILESS_MAIN(TestAddressStore)
#include "test_address_store.moc"
