#pragma once
// Postal code directory files as Korea Post publishes them, read into ZipcodeRow values:
// the five-digit road-name range, lot-number range and full building files, and the older
// six-digit layout. Only text work: reading bytes that the caller holds, nothing is written.
//
// A file is one header line naming the columns, then one row per line; separated by '|', tabs
// or commas (told from the header); fields optionally in double quotes; UTF-8 with or without
// a BOM, or CP949 (a file that is not valid UTF-8); CRLF or LF. Columns are found by meaning:
// each has a table of the spellings that releases and exporters have used.
#include "store/errors.h"
#include "store/legacy_text.h"
#include "store/zipcode_directory.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>

namespace PostalSource {

enum class Layout { Building, RoadRange, LotRange, SixDigit };
QString LayoutName(Layout layout);  // "road-name range" ...

// What a column holds, whatever its header calls it.
enum Meaning {
    Zip, Province, ProvinceLatin, District, DistrictLatin, EupMyeon, EupMyeonLatin,
    EupMyeonDong, EupMyeonDongLatin, Ri, Mountain, AdminDong,
    LotFirstMain, LotFirstSub, LotLastMain, LotLastSub,
    RoadCode, Road, RoadLatin, Underground,
    BldgFirstMain, BldgFirstSub, BldgLastMain, BldgLastSub, RangeKind,
    BldgMain, BldgSub, BldgManageNo, BulkName, DistrictBldgName, LegalDongCode, LegalDong,
    LotMain, LotSub, EmdSerial, OldZip, ZipSerial,
    Bldg, Bunji, BunjiFirst, BunjiLast, Seq,
    MeaningCount
};

// The meaning of a header name, or MeaningCount when it is none known.
Meaning MeaningOf(const QString& headerName);

// One directory file held in memory by the caller for as long as this object lives.
// The constructor reads the encoding and the header; it throws EError with the reason
// (and the line) when the file cannot be read as a directory file at all.
class File {
public:
    explicit File(QByteArrayView data);
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    QString Encoding() const { return encoding_; }  // "UTF-8", "UTF-8 with BOM", "CP949"
    QChar Separator() const { return separator_; }
    Layout FileLayout() const { return layout_; }
    QStringList IgnoredColumns() const { return ignored_; }  // header names of no known meaning

    // Reads every data line after the header: each row that can be read goes to `accept`, as
    // the seven directory values; each that cannot goes to `reject` with its line number and
    // the reason. Blank lines are not rows. Returns the number of rows read.
    int ReadRows(const std::function<void(const ZipcodeRow&)>& accept,
                 const std::function<void(int line, const QString& reason)>& reject) const;

private:
    QString LineText(qsizetype from, qsizetype to) const;

    QByteArrayView data_;
    qsizetype headerEnd_ = 0;  // offset just past the header line
    int headerLine_ = 1;
    QString encoding_;
    std::unique_ptr<LegacyDecoder> cp949_;  // set when the lines are CP949
    QChar separator_;
    Layout layout_ = Layout::SixDigit;
    int fieldCount_ = 0;
    std::array<int, MeaningCount> index_{};  // field index per meaning, -1: absent
    QStringList names_;                      // the header's names, by field index
    QStringList ignored_;
};

// Number texts as addresses write them: "12", "12-3" (a sub-number of 0 is none); a range
// "first∼last", one number when both ends are equal.
QString LotNumber(int main, int sub);
QString NumberRange(int firstMain, int firstSub, int lastMain, int lastSub);

}  // namespace PostalSource
