#include "store/postal_source.h"

#include <optional>
#include <vector>

namespace PostalSource {

namespace {

struct Spelling {
    Meaning meaning;
    const char* name;  // normalised: no blanks, '_' or brackets, Latin in lower case
};

// Spellings seen in Korea Post's releases and in the older directory exports.
const Spelling kSpellings[] = {
    {Zip, "zipcode"}, {Zip, "우편번호"}, {Zip, "구역번호"}, {Zip, "새우편번호"}, {Zip, "기초구역번호"},
    {Province, "sido"}, {Province, "시도"}, {Province, "시도명"},
    {ProvinceLatin, "시도영문"}, {ProvinceLatin, "시도명영문"},
    {District, "gugun"}, {District, "시군구"}, {District, "시군구명"},
    {DistrictLatin, "시군구영문"}, {DistrictLatin, "시군구명영문"},
    {EupMyeon, "읍면"}, {EupMyeon, "읍면명"},
    {EupMyeonLatin, "읍면영문"}, {EupMyeonLatin, "읍면명영문"},
    {EupMyeonDong, "dong"}, {EupMyeonDong, "읍면동"}, {EupMyeonDong, "읍면동명"},
    {EupMyeonDongLatin, "읍면동영문"}, {EupMyeonDongLatin, "읍면동명영문"},
    {Ri, "ri"}, {Ri, "리"}, {Ri, "리명"},
    {Mountain, "산여부"},
    {AdminDong, "행정동"}, {AdminDong, "행정동명"},
    {LotFirstMain, "시작주번지"}, {LotFirstMain, "지번본번시작"},
    {LotFirstSub, "시작부번지"}, {LotFirstSub, "지번부번시작"},
    {LotLastMain, "끝주번지"}, {LotLastMain, "지번본번종료"},
    {LotLastSub, "끝부번지"}, {LotLastSub, "지번부번종료"},
    {RoadCode, "도로명코드"},
    {Road, "도로명"},
    {RoadLatin, "도로명영문"},
    {Underground, "지하여부"},
    {BldgFirstMain, "시작건물번호주"}, {BldgFirstMain, "건물번호본번시작"},
    {BldgFirstSub, "시작건물번호부"}, {BldgFirstSub, "건물번호부번시작"},
    {BldgLastMain, "끝건물번호주"}, {BldgLastMain, "건물번호본번종료"},
    {BldgLastSub, "끝건물번호부"}, {BldgLastSub, "건물번호부번종료"},
    {RangeKind, "범위종류"},
    {BldgMain, "건물번호본번"},
    {BldgSub, "건물번호부번"},
    {BldgManageNo, "건물관리번호"},
    {BulkName, "다량배달처명"},
    {DistrictBldgName, "시군구용건물명"},
    {LegalDongCode, "법정동코드"},
    {LegalDong, "법정동명"},
    {LotMain, "지번본번"},
    {LotSub, "지번부번"},
    {EmdSerial, "읍면동일련번호"},
    {OldZip, "구우편번호"},
    {ZipSerial, "우편번호일련번호"},
    {Bldg, "bldg"}, {Bldg, "건물명"},
    {Bunji, "bunji"}, {Bunji, "번지"},
    {BunjiFirst, "stbunji"}, {BunjiLast, "edbunji"},
    {Seq, "seq"},
};

// How a missing column is named in a message.
QString ShownName(Meaning m)
{
    if (m == Zip)
        return QStringLiteral("ZIPCODE (우편번호)");
    if (m == Province || m == District || m == EupMyeonDong || m == Bunji) {
        QString latin, korean;
        for (const Spelling& s : kSpellings)
            if (s.meaning == m) {
                const QString name = QString::fromUtf8(s.name);
                if (name[0].unicode() < 0x80 && latin.isEmpty())
                    latin = name.toUpper();
                else if (name[0].unicode() >= 0x80 && korean.isEmpty())
                    korean = name;
            }
        return latin + QStringLiteral(" (") + korean + QStringLiteral(")");
    }
    for (const Spelling& s : kSpellings)
        if (s.meaning == m)
            return QString::fromUtf8(s.name);
    return {};
}

struct LayoutColumns {
    Layout layout;
    std::vector<Meaning> required;
};

// In the order they are tried: a layout wins when its header names every required column.
const LayoutColumns kLayouts[] = {
    {Layout::Building,
     {Zip, Province, District, EupMyeon, Road, Underground, BldgMain, BldgSub, DistrictBldgName}},
    {Layout::RoadRange,
     {Zip, Province, District, EupMyeon, Road, Underground, BldgFirstMain, BldgFirstSub, BldgLastMain,
      BldgLastSub, RangeKind}},
    {Layout::LotRange,
     {Zip, Province, District, EupMyeonDong, Ri, Mountain, LotFirstMain, LotFirstSub, LotLastMain,
      LotLastSub}},
    // BUNJI may also come as ST_BUNJI and ED_BUNJI (see SixDigitHasLots).
    {Layout::SixDigit, {Zip, Province, District, EupMyeonDong, Bunji}},
};

int LineAt(QByteArrayView data, qsizetype offset)
{
    return int(data.first(offset).count('\n')) + 1;
}

// Offset of the first byte that does not belong to well-formed UTF-8, or -1.
qsizetype InvalidUtf8At(QByteArrayView data)
{
    const auto* s = reinterpret_cast<const unsigned char*>(data.data());
    const qsizetype n = data.size();
    qsizetype i = 0;
    while (i < n) {
        const unsigned c = s[i];
        if (c < 0x80) {
            ++i;
            continue;
        }
        int len;
        unsigned min;
        if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            min = 0x80;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            min = 0x800;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            min = 0x10000;
        } else {
            return i;
        }
        if (i + len > n)
            return i;
        unsigned cp = c & (0x3Fu >> (len - 1));
        for (int k = 1; k < len; ++k) {
            const unsigned t = s[i + k];
            if ((t & 0xC0) != 0x80)
                return i;
            cp = (cp << 6) | (t & 0x3F);
        }
        if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
            return i;
        i += len;
    }
    return -1;
}

// Byte offsets of the lines: the line starting at `from` ends before `to` (its '\n' and a
// CR before it excluded).
qsizetype LineEnd(QByteArrayView data, qsizetype from)
{
    const qsizetype nl = data.indexOf('\n', from);
    return nl < 0 ? data.size() : nl;
}

bool IsBlank(const QString& line)
{
    const QString t = line.trimmed();
    return t.isEmpty() || t == QChar(0x1A);  // a DOS end-of-file mark
}

struct Parsed {
    QStringList fields;
    QString error;
};

// One line of delimited text; quoted fields may hold the separator and "" for a quote,
// but not a line break (a directory never needs one, and so one stray quote spoils only
// its own line).
Parsed ParseLine(QStringView line, QChar sep)
{
    Parsed p;
    QString field;
    enum { Start, Plain, Quoted, AfterQuote } state = Start;
    for (const QChar c : line) {
        switch (state) {
        case Start:
            if (c == u'"') {
                field.clear();  // blanks before an opening quote
                state = Quoted;
                break;
            }
            if (c == u' ' && c != sep) {
                field += c;
                break;
            }
            state = Plain;
            [[fallthrough]];
        case Plain:
            if (c == sep) {
                p.fields << field;
                field.clear();
                state = Start;
            } else {
                field += c;
            }
            break;
        case Quoted:
            if (c == u'"')
                state = AfterQuote;
            else
                field += c;
            break;
        case AfterQuote:
            if (c == u'"') {
                field += c;
                state = Quoted;
            } else if (c == sep) {
                p.fields << field;
                field.clear();
                state = Start;
            } else if (c != u' ') {
                p.error = "text after a closing quote";
                return p;
            }
            break;
        }
    }
    if (state == Quoted) {
        p.error = "unterminated quoted field";
        return p;
    }
    p.fields << field;
    return p;
}

QString Normalised(const QString& name)
{
    QString n;
    for (const QChar c : name)
        if (!c.isSpace() && c != u'_' && c != u'(' && c != u')' && c != u'[' && c != u']' && c != QChar(0xFEFF))
            n += c.toLower();
    return n;
}

// The header read with one separator: which field holds which meaning.
struct Header {
    QChar sep;
    QStringList names;
    std::array<int, MeaningCount> index;
    QStringList ignored;
    QString error;  // a fault that rules this reading out
};

Header ReadHeader(const QString& line, QChar sep)
{
    Header h;
    h.sep = sep;
    h.index.fill(-1);
    const Parsed p = ParseLine(line, sep);
    if (!p.error.isEmpty()) {
        h.error = "the header line: " + p.error;
        return h;
    }
    h.names = p.fields;
    for (int i = 0; i < h.names.size(); ++i) {
        const QString name = h.names[i].trimmed();
        const Meaning m = MeaningOf(name);
        if (m == MeaningCount) {
            if (!name.isEmpty())
                h.ignored << name;
            continue;
        }
        if (h.index[m] >= 0 && h.error.isEmpty())
            h.error = QString("the header line names the column %1 twice").arg(name);
        h.index[m] = i;
    }
    return h;
}

bool SixDigitHasLots(const Header& h)
{
    return h.index[Bunji] >= 0 || h.index[BunjiFirst] >= 0;
}

QStringList Missing(const Header& h, const LayoutColumns& l)
{
    QStringList missing;
    for (const Meaning m : l.required)
        if (h.index[m] < 0 && !(m == Bunji && SixDigitHasLots(h)))
            missing << ShownName(m);
    return missing;
}

// A number column: empty reads as 0.
std::optional<int> NumberIn(QStringView text)
{
    if (text.isEmpty())
        return 0;
    if (text.size() > 9)
        return std::nullopt;
    int value = 0;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

bool AllDigits(const QString& s, qsizetype from, qsizetype count)
{
    for (qsizetype i = from; i < from + count; ++i)
        if (s[i] < u'0' || s[i] > u'9')
            return false;
    return true;
}

}  // namespace

QString LayoutName(Layout layout)
{
    switch (layout) {
    case Layout::Building: return QStringLiteral("full building");
    case Layout::RoadRange: return QStringLiteral("road-name range");
    case Layout::LotRange: return QStringLiteral("lot-number range");
    case Layout::SixDigit: return QStringLiteral("six-digit");
    }
    return {};
}

Meaning MeaningOf(const QString& headerName)
{
    const QString n = Normalised(headerName);
    for (const Spelling& s : kSpellings)
        if (n == QString::fromUtf8(s.name))
            return s.meaning;
    return MeaningCount;
}

QString LotNumber(int main, int sub)
{
    return sub == 0 ? QString::number(main) : QString::number(main) + u'-' + QString::number(sub);
}

QString NumberRange(int firstMain, int firstSub, int lastMain, int lastSub)
{
    if (firstMain == 0)
        return {};
    const QString first = LotNumber(firstMain, firstSub);
    if (lastMain == 0 || (lastMain == firstMain && lastSub == firstSub))
        return first;
    return first + QChar(0x223C) + LotNumber(lastMain, lastSub);
}

File::File(QByteArrayView data) : data_(data)
{
    index_.fill(-1);
    if (data_.startsWith("\xFF\xFE") || data_.startsWith("\xFE\xFF"))
        throw EError("the file is UTF-16; save it as UTF-8 or CP949");
    const bool bom = data_.startsWith("\xEF\xBB\xBF");
    if (bom)
        data_ = data_.sliced(3);
    const qsizetype invalid = InvalidUtf8At(data_);
    if (invalid < 0) {
        encoding_ = bom ? QStringLiteral("UTF-8 with BOM") : QStringLiteral("UTF-8");
    } else if (bom) {
        throw EError(QString("line %1: not valid UTF-8, although the file starts with a UTF-8 BOM")
                         .arg(LineAt(data_, invalid)));
    } else {
        auto cp949 = std::make_unique<LegacyDecoder>("CP949");
        if (!cp949->Valid())
            throw EError("cannot decode CP949 (iconv has no CP949 converter)");
        const qsizetype badAt = cp949->Convert(data_, {});
        if (badAt >= 0) {
            throw EError(QString("neither valid UTF-8 (first fault on line %1) nor valid CP949 (first fault on line %2)")
                             .arg(LineAt(data_, invalid))
                             .arg(LineAt(data_, badAt)));
        }
        cp949_ = std::move(cp949);
        encoding_ = QStringLiteral("CP949");
    }

    // The first line that is not blank names the columns.
    qsizetype from = 0;
    QString header;
    while (from < data_.size()) {
        const qsizetype end = LineEnd(data_, from);
        header = LineText(from, end);
        from = end + 1;
        if (!IsBlank(header))
            break;
        header.clear();
        ++headerLine_;
    }
    if (header.isEmpty())
        throw EError("the file is empty");
    headerEnd_ = from;

    // Each separator, each layout in turn; the first complete match wins. Otherwise the reading
    // that came closest tells what is missing.
    std::optional<Header> best;
    QStringList bestMissing;
    Layout bestLayout = Layout::SixDigit;
    qsizetype bestFound = -1;
    for (const QChar sep : {QChar(u'|'), QChar(u'\t'), QChar(u',')}) {
        const Header h = ReadHeader(header, sep);
        for (const LayoutColumns& l : kLayouts) {
            const QStringList missing = Missing(h, l);
            if (missing.isEmpty() && h.error.isEmpty()) {
                separator_ = sep;
                layout_ = l.layout;
                index_ = h.index;
                names_ = h.names;
                fieldCount_ = int(h.names.size());
                ignored_ = h.ignored;
                return;
            }
            const qsizetype found = qsizetype(l.required.size()) - missing.size();
            if (found > bestFound) {
                best = h;
                bestMissing = missing;
                bestLayout = l.layout;
                bestFound = found;
            }
        }
    }
    const QString why = !best->error.isEmpty()
                            ? best->error
                            : QString("the header line does not name the columns %1 (closest layout: %2)")
                                  .arg(bestMissing.join(", "), LayoutName(bestLayout));
    throw EError(QString("line %1: %2").arg(headerLine_).arg(why));
}

File::~File() = default;

QString File::LineText(qsizetype from, qsizetype to) const
{
    if (to > from && data_[to - 1] == '\r')
        --to;
    const QByteArrayView bytes = data_.sliced(from, to - from);
    if (!cp949_)
        return QString::fromUtf8(bytes);
    return cp949_->Decode(bytes).value_or(QString());  // the whole file was found to be CP949
}

int File::ReadRows(const std::function<void(const ZipcodeRow&)>& accept,
                   const std::function<void(int line, const QString& reason)>& reject) const
{
    int read = 0;
    int line = headerLine_;
    ZipcodeRow row;
    // The fields are views into the line, or into the unquoted texts of a line with quotes.
    std::vector<QStringView> fields;
    QStringList unquoted;
    auto view = [&](Meaning m) { return index_[m] < 0 ? QStringView() : fields[size_t(index_[m])].trimmed(); };
    auto value = [&](Meaning m) { return view(m).toString(); };
    // A number column's value; the reason goes to `why` when it is not a number.
    auto number = [&](Meaning m, QString& why) {
        const QStringView text = view(m);
        const std::optional<int> n = NumberIn(text);
        if (!n && why.isEmpty())
            why = QString("%1 \"%2\" is not a number").arg(names_[index_[m]].trimmed(), text);
        return n.value_or(0);
    };
    // A column that holds 0 or 1 (empty: 0).
    auto flag = [&](Meaning m, QString& why) {
        const QStringView text = view(m);
        if (text.isEmpty() || text == u"0")
            return false;
        if (text == u"1")
            return true;
        if (why.isEmpty())
            why = QString("%1 \"%2\" is neither 0 nor 1").arg(names_[index_[m]].trimmed(), text);
        return false;
    };
    for (qsizetype from = headerEnd_; from < data_.size();) {
        const qsizetype end = LineEnd(data_, from);
        const QString text = LineText(from, end);
        from = end + 1;
        ++line;
        if (IsBlank(text))
            continue;
        ++read;
        fields.clear();
        if (!text.contains(u'"')) {
            QStringView rest(text);
            for (qsizetype bar; (bar = rest.indexOf(separator_)) >= 0; rest = rest.sliced(bar + 1))
                fields.push_back(rest.first(bar));
            fields.push_back(rest);
        } else {
            Parsed p = ParseLine(text, separator_);
            if (!p.error.isEmpty()) {
                reject(line, p.error);
                continue;
            }
            unquoted = std::move(p.fields);
            for (const QString& f : unquoted)
                fields.push_back(f);
        }
        bool extraText = false;
        for (size_t f = size_t(fieldCount_); f < fields.size(); ++f)
            extraText = extraText || !fields[f].trimmed().isEmpty();
        if (qsizetype(fields.size()) < fieldCount_ || extraText) {
            reject(line, QString("wrong field count (expected %1, found %2)").arg(fieldCount_).arg(fields.size()));
            continue;
        }

        QString why;
        row.zipcode = value(Zip);
        if (row.zipcode.isEmpty()) {
            why = "empty zipcode";
        } else if (layout_ != Layout::SixDigit) {
            if (row.zipcode.size() != 5 || !AllDigits(row.zipcode, 0, 5))
                why = QString("malformed zipcode \"%1\" (expected five digits)").arg(row.zipcode);
        } else if (row.zipcode.size() == 7 && AllDigits(row.zipcode, 0, 3) && row.zipcode[3] == u'-' &&
                   AllDigits(row.zipcode, 4, 3)) {
        } else if (row.zipcode.size() == 6 && AllDigits(row.zipcode, 0, 6)) {
            row.zipcode.insert(3, u'-');
        } else if (!(row.zipcode.size() == 5 && AllDigits(row.zipcode, 0, 5))) {
            why = QString("malformed zipcode \"%1\" (expected NNNNN or NNN-NNN)").arg(row.zipcode);
        }
        row.sido = value(Province);
        row.gugun = value(District);

        switch (layout_) {
        case Layout::SixDigit: {
            row.dong = value(EupMyeonDong);
            row.ri = value(Ri);
            row.bldg = value(Bldg);
            if (index_[Bunji] >= 0) {
                row.bunji = value(Bunji);
            } else {
                const QString first = value(BunjiFirst);
                const QString last = value(BunjiLast);
                if (first.isEmpty() || last.isEmpty() || first == last)
                    row.bunji = first.isEmpty() ? last : first;
                else
                    row.bunji = first + QChar(0x223C) + last;
            }
            break;
        }
        case Layout::LotRange: {
            row.dong = value(EupMyeonDong);
            row.ri = value(Ri);
            row.bldg.clear();
            const bool mountain = flag(Mountain, why);
            const QString range = NumberRange(number(LotFirstMain, why), number(LotFirstSub, why),
                                              number(LotLastMain, why), number(LotLastSub, why));
            row.bunji = mountain && !range.isEmpty() ? QStringLiteral("산 ") + range : range;
            break;
        }
        case Layout::RoadRange:
        case Layout::Building: {
            const QString eupMyeon = value(EupMyeon);
            const QString road = value(Road);
            row.dong = eupMyeon.isEmpty() ? road : eupMyeon + u' ' + road;
            row.ri.clear();
            const bool underground = flag(Underground, why);
            QString range;
            if (layout_ == Layout::Building) {
                row.bldg = value(DistrictBldgName);
                range = NumberRange(number(BldgMain, why), number(BldgSub, why), 0, 0);
            } else {
                row.bldg.clear();
                range = NumberRange(number(BldgFirstMain, why), number(BldgFirstSub, why),
                                    number(BldgLastMain, why), number(BldgLastSub, why));
                const QStringView kind = view(RangeKind);
                if (kind.size() > 1 || (kind.size() == 1 && (kind[0] < u'0' || kind[0] > u'3'))) {
                    if (why.isEmpty())
                        why = QString("%1 \"%2\" is not 0, 1, 2 or 3").arg(names_[index_[RangeKind]].trimmed(), kind);
                } else if (range.contains(QChar(0x223C)) && kind == u"1") {
                    range += QStringLiteral(" (홀수)");
                } else if (range.contains(QChar(0x223C)) && kind == u"2") {
                    range += QStringLiteral(" (짝수)");
                }
            }
            row.bunji = underground && !range.isEmpty() ? QStringLiteral("지하 ") + range : range;
            break;
        }
        }
        if (!why.isEmpty()) {
            reject(line, why);
            continue;
        }
        accept(row);
    }
    return read;
}

}  // namespace PostalSource
