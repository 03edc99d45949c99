#pragma once
// Contacts in and out of the address book: vCard (2.1, 3.0, 4.0) and CSV files read into the
// seven values of an entry, and the book written as vCard 3.0 or as CSV for Excel.
// Used by the command-line tool and by the main window alike.
#include "store/address_store.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

namespace Contacts {

// Why a file, a card or a row was not taken.
enum class Fault {
    Unreadable,       // the file cannot be opened or read; detail: the system's reason
    NotText,          // neither UTF-8 nor CP949, or UTF-16
    NoKnownColumn,    // a CSV header line naming nothing we know
    UnclosedQuote,    // a CSV field whose quote is never closed
    CardNotEnded,     // BEGIN:VCARD without its END:VCARD
    OutsideCard,      // text in a vCard file that belongs to no card
    NotAProperty,     // a line inside a card without NAME:VALUE
    BadEncoding,      // quoted-printable or charset that cannot be decoded; detail names it
    NoNameNoNumber,   // nothing to make an entry of
};

struct Reject {
    QString file;   // as given
    int line = 0;   // 1-based line where the card or row starts (0: the file as a whole)
    Fault fault = Fault::Unreadable;
    QString detail;
};
QString FaultText(Fault fault);         // English, for the command
QString FaultTextKorean(Fault fault);   // for the program's summary
QString RejectLine(const Reject& r);    // "file:line: reason[: detail]"
QString RejectLineKorean(const Reject& r);

struct Record {
    AddressEntry entry;  // num unused
    int line = 0;
};

struct FileResult {
    QString file;
    QString kind;       // "vCard" or "CSV"
    QString encoding;   // "UTF-8", "UTF-8 with BOM", "CP949"
    std::vector<Record> records;
    std::vector<Reject> rejects;
    int Read() const { return int(records.size() + rejects.size()); }
};

// Reads one file of either kind; the kind is told from its content. Never throws for a fault
// of the file: every fault is a reject.
FileResult ReadFile(const QString& path);
// The same for bytes already in memory (name is used in the rejects).
FileResult ReadBytes(QByteArray bytes, const QString& name);

// The book's entries as vCard 3.0 in UTF-8, and as CSV in UTF-8 with a BOM and Korean headers.
QByteArray WriteVCard(const AddressList& entries);
QByteArray WriteCsv(const AddressList& entries);

struct ImportReport {
    std::vector<FileResult> files;
    std::vector<Reject> rejects;   // of every file, in order
    int read = 0;                  // cards and rows met, rejected ones included
    int added = 0;                 // with a dry run: that would be added
    int duplicates = 0;
    bool dryRun = false;
    int Rejected() const { return int(rejects.size()); }
};

// Reads every file and adds what they hold to the book at DatabasePath() in one transaction,
// skipping duplicates. A category, when given, becomes the unit of every entry.
ImportReport Import(const QStringList& files, const std::optional<QString>& category, bool dryRun);
// The report's last line: read, added, skipped as duplicates, rejected.
QString ReportTotals(const ImportReport& report);
// The summary the program shows: totals, then the first rejects.
QString ReportSummaryKorean(const ImportReport& report);

enum class Format { VCard, Csv };
// Format by the file name's extension (.vcf/.vcard, .csv/.txt); nullopt when neither.
std::optional<Format> FormatOf(const QString& path);
// Writes every entry of the book at DatabasePath() into out (replaced only once it is complete).
// Refuses a target that is a database. Returns the number of entries written.
int Export(Format format, const QString& out);

}  // namespace Contacts
