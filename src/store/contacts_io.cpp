#include "store/contacts_io.h"
#include "store/legacy_text.h"

#include "store/paths.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStringDecoder>

#include <algorithm>
#include <array>
#include <functional>
#include <map>

namespace Contacts {

namespace {

// ---- Text of a file ----

// Bytes in a legacy encoding to text; none when the encoding is unknown or a byte is not in it.
std::optional<QString> Iconv(const char* from, const QByteArray& in)
{
    LegacyDecoder decoder(from);
    if (!decoder.Valid())
        return std::nullopt;
    return decoder.Decode(in);
}

std::optional<QString> StrictUtf8(const QByteArray& bytes)
{
    // Keeps a U+FEFF inside the text, which fromUtf8 would take for a byte-order mark.
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::ConvertInitialBom);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

std::optional<QString> Cp949(const QByteArray& bytes) { return Iconv("CP949", bytes); }

struct Decoded {
    QString text;
    QString encoding;
};

std::optional<Decoded> DecodeFile(const QByteArray& data)
{
    for (const auto& [bom, encoding, name] :
         {std::tuple{"\xFF\xFE", QStringConverter::Utf16LE, "UTF-16"},
          std::tuple{"\xFE\xFF", QStringConverter::Utf16BE, "UTF-16"}}) {
        if (data.startsWith(bom)) {
            QStringDecoder decoder(encoding);
            QString text = decoder.decode(QByteArrayView(data).sliced(2));
            if (decoder.hasError())
                return std::nullopt;
            return Decoded{text, QString::fromLatin1(name)};
        }
    }
    if (data.startsWith("\xEF\xBB\xBF")) {
        if (auto text = StrictUtf8(data.sliced(3)))
            return Decoded{*text, QStringLiteral("UTF-8 with BOM")};
        return std::nullopt;
    }
    if (auto text = StrictUtf8(data))
        return Decoded{*text, QStringLiteral("UTF-8")};
    if (auto text = Cp949(data))
        return Decoded{*text, QStringLiteral("CP949")};
    return std::nullopt;
}

// Physical lines without their line ends (CRLF or LF), as views into text.
std::vector<QStringView> Lines(const QString& text)
{
    std::vector<QStringView> lines;
    QStringView rest(text);
    while (!rest.isEmpty()) {
        const qsizetype end = rest.indexOf(QLatin1Char('\n'));
        QStringView line = end < 0 ? rest : rest.first(end);
        rest = end < 0 ? QStringView() : rest.sliced(end + 1);
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        lines.push_back(line);
    }
    return lines;
}

bool IsHangulOrHan(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0xAC00 && u <= 0xD7A3) || (u >= 0x1100 && u <= 0x11FF) || (u >= 0x3130 && u <= 0x318F) ||
           (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0xF900 && u <= 0xFAFF);
}

// Family and given name as Koreans write them: "김" + "철수" is "김철수", "Kim" + "Minsu" is
// "Kim Minsu".
QString JoinName(const QString& family, const QString& given)
{
    if (family.isEmpty())
        return given;
    if (given.isEmpty())
        return family;
    const bool tight = IsHangulOrHan(family.back()) && IsHangulOrHan(given.front());
    return tight ? family + given : family + QLatin1Char(' ') + given;
}

// Region, locality and street as one address line, in that order, the empty ones left out.
QString JoinAddress(const QString& region, const QString& locality, const QString& street)
{
    QStringList parts;
    for (const QString* p : {&region, &locality, &street})
        if (!p->isEmpty())
            parts << *p;
    return parts.join(QLatin1Char(' '));
}

bool Blank(const QString& s) { return s.trimmed().isEmpty(); }

// A record or a reject for what was read of one card or row.
void Take(FileResult& result, AddressEntry entry, int line)
{
    if (Blank(entry.name) && Blank(entry.tel) && Blank(entry.cell)) {
        result.rejects.push_back({result.file, line, Fault::NoNameNoNumber, {}});
        return;
    }
    result.records.push_back({std::move(entry), line});
}

// Google's own groups, which every one of its contacts is in; never a category of ours.
bool IsSystemGroup(const QString& group)
{
    return group.startsWith(QLatin1String("* ")) || group == QLatin1String("myContacts") ||
           group == QLatin1String("starred");
}

bool IsMobileLabel(const QString& label)
{
    const QString l = label.toLower();
    return l.contains(QLatin1String("mobile")) || l.contains(QLatin1String("cell")) ||
           l.contains(QStringLiteral("휴대")) || l.contains(QStringLiteral("핸드폰")) ||
           l.contains(QStringLiteral("iphone"));
}

bool IsFaxLabel(const QString& label)
{
    const QString l = label.toLower();
    return l.contains(QLatin1String("fax")) || l.contains(QLatin1String("pager")) ||
           l.contains(QStringLiteral("팩스"));
}

// The first mobile number, and the first other voice number (a fax or pager only when there is
// nothing else).
struct Phones {
    QString cell, tel, fax;
    void Add(const QString& value, bool mobile, bool fax_)
    {
        if (value.isEmpty())
            return;
        QString& slot = mobile ? cell : fax_ ? fax : tel;
        if (slot.isEmpty())
            slot = value;
    }
    QString Tel() const { return tel.isEmpty() ? fax : tel; }
};

// ---- vCard ----

bool IsBegin(QStringView line)
{
    return line.trimmed().compare(QLatin1String("BEGIN:VCARD"), Qt::CaseInsensitive) == 0;
}

bool IsEnd(QStringView line)
{
    return line.trimmed().compare(QLatin1String("END:VCARD"), Qt::CaseInsensitive) == 0;
}

// Position of the first c outside double quotes, or -1.
qsizetype FindUnquoted(QStringView s, QChar c, qsizetype from = 0)
{
    bool quoted = false;
    for (qsizetype i = from; i < s.size(); ++i) {
        if (s[i] == QLatin1Char('"'))
            quoted = !quoted;
        else if (s[i] == c && !quoted)
            return i;
    }
    return -1;
}

QStringList SplitUnquoted(const QString& s, QChar c)
{
    QStringList parts;
    qsizetype start = 0;
    for (qsizetype at; (at = FindUnquoted(s, c, start)) >= 0; start = at + 1)
        parts << s.mid(start, at - start);
    parts << s.mid(start);
    return parts;
}

QString Unquote(QString s)
{
    if (s.size() >= 2 && s.startsWith(QLatin1Char('"')) && s.endsWith(QLatin1Char('"')))
        return s.mid(1, s.size() - 2);
    return s;
}

// Splits at every unescaped separator and resolves the escapes \\ \, \; \n \N in each part.
QStringList SplitEscaped(const QString& value, QChar separator)
{
    QStringList parts;
    QString part;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar n = value[i + 1];
            if (n == QLatin1Char('n') || n == QLatin1Char('N')) {
                part += QLatin1Char('\n');
                ++i;
                continue;
            }
            if (n == QLatin1Char('\\') || n == QLatin1Char(',') || n == QLatin1Char(';')) {
                part += n;
                ++i;
                continue;
            }
            part += c;
        } else if (c == separator) {
            parts << part;
            part.clear();
        } else {
            part += c;
        }
    }
    parts << part;
    return parts;
}

QString Unescape(const QString& value) { return SplitEscaped(value, QChar(0xFFFF)).front(); }

bool DeclaresQuotedPrintable(const QString& line)
{
    const qsizetype colon = FindUnquoted(line, QLatin1Char(':'));
    return colon > 0 && line.left(colon).contains(QLatin1String("QUOTED-PRINTABLE"), Qt::CaseInsensitive);
}

bool DeclaresBase64(const QString& line)
{
    const qsizetype colon = FindUnquoted(line, QLatin1Char(':'));
    if (colon <= 0)
        return false;
    const QString head = line.left(colon).toUpper();
    return head.contains(QLatin1String("BASE64")) || head.contains(QLatin1String("ENCODING=B"));
}

struct Property {
    int line = 0;
    QString group;
    QString name;            // upper case
    QStringList types;       // lower case
    QString encoding;        // upper case
    QString charset;
    bool uri = false;
    QString raw;             // the value as written
};

std::optional<Property> ParseProperty(const QString& text, int line)
{
    const qsizetype colon = FindUnquoted(text, QLatin1Char(':'));
    if (colon <= 0)
        return std::nullopt;
    Property p;
    p.line = line;
    p.raw = text.mid(colon + 1);
    const QStringList head = SplitUnquoted(text.left(colon), QLatin1Char(';'));
    QString name = head.front().trimmed();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot >= 0) {
        p.group = name.left(dot).toLower();
        name = name.mid(dot + 1);
    }
    p.name = name.toUpper();
    for (qsizetype i = 1; i < head.size(); ++i) {
        const QString param = head[i].trimmed();
        const qsizetype eq = param.indexOf(QLatin1Char('='));
        if (eq < 0) {
            const QString bare = param.toUpper();
            if (bare == QLatin1String("QUOTED-PRINTABLE") || bare == QLatin1String("BASE64") ||
                bare == QLatin1String("8BIT") || bare == QLatin1String("7BIT"))
                p.encoding = bare;
            else
                p.types << param.toLower();
            continue;
        }
        const QString key = param.left(eq).trimmed().toUpper();
        const QString value = Unquote(param.mid(eq + 1).trimmed());
        if (key == QLatin1String("TYPE")) {
            for (const QString& t : value.split(QLatin1Char(',')))
                p.types << Unquote(t.trimmed()).toLower();
        } else if (key == QLatin1String("ENCODING")) {
            p.encoding = value.toUpper();
        } else if (key == QLatin1String("CHARSET")) {
            p.charset = value;
        } else if (key == QLatin1String("VALUE")) {
            p.uri = value.compare(QLatin1String("uri"), Qt::CaseInsensitive) == 0;
        }
    }
    return p;
}

int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9')
        return u - '0';
    if (u >= 'A' && u <= 'F')
        return u - 'A' + 10;
    if (u >= 'a' && u <= 'f')
        return u - 'a' + 10;
    return -1;
}

std::optional<QByteArray> DecodeQuotedPrintable(const QString& raw)
{
    QByteArray bytes;
    bytes.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (c != QLatin1Char('=')) {
            bytes += c.toLatin1();
            continue;
        }
        if (i + 1 == raw.size())  // a soft line break at the very end
            break;
        const int hi = i + 2 < raw.size() ? HexDigit(raw[i + 1]) : -1;
        const int lo = i + 2 < raw.size() ? HexDigit(raw[i + 2]) : -1;
        if (hi < 0 || lo < 0)
            return std::nullopt;
        bytes += char(hi * 16 + lo);
        i += 2;
    }
    return bytes;
}

// The value of a property as text: transfer encoding and character set undone, escapes kept.
std::optional<QString> ValueText(const Property& p)
{
    QByteArray bytes;
    if (p.encoding == QLatin1String("QUOTED-PRINTABLE")) {
        auto decoded = DecodeQuotedPrintable(p.raw);
        if (!decoded)
            return std::nullopt;
        bytes = *decoded;
    } else if (p.encoding == QLatin1String("BASE64") || p.encoding == QLatin1String("B")) {
        bytes = QByteArray::fromBase64(p.raw.toLatin1());
    } else {
        return p.raw;  // already text: the file as a whole was decoded
    }
    const QString charset = p.charset.toUpper();
    if (charset.isEmpty() || charset == QLatin1String("UTF-8") || charset == QLatin1String("UTF8")) {
        if (auto text = StrictUtf8(bytes))
            return text;
        return charset.isEmpty() ? Cp949(bytes) : std::nullopt;
    }
    if (charset == QLatin1String("EUC-KR") || charset == QLatin1String("KS_C_5601-1987") ||
        charset == QLatin1String("KSC5601") || charset == QLatin1String("UHC"))
        return Cp949(bytes);
    return Iconv(p.charset.toLatin1().constData(), bytes);
}

struct Card {
    int line = 0;
    std::vector<Property> properties;
};

// Maps one card's properties to an entry, or gives the reject.
std::optional<Reject> MapCard(const Card& card, FileResult& result)
{
    // Apple's labels of grouped properties: item2.X-ABLabel:_$!<Mobile>!$_ names item2.TEL.
    std::map<QString, QString> labels;
    for (const Property& p : card.properties)
        if (p.name == QLatin1String("X-ABLABEL") && !p.group.isEmpty())
            if (auto text = ValueText(p))
                labels[p.group] = *text;

    AddressEntry e;
    QString fn;
    bool haveFn = false, haveN = false, haveAdr = false, haveCategory = false;
    QString family, given;
    Phones phones;
    for (const Property& p : card.properties) {
        const bool wanted = p.name == QLatin1String("FN") || p.name == QLatin1String("N") ||
                            p.name == QLatin1String("TEL") || p.name == QLatin1String("ADR") ||
                            p.name == QLatin1String("CATEGORIES");
        if (!wanted)
            continue;
        const std::optional<QString> text = ValueText(p);
        if (!text)
            return Reject{result.file, p.line, Fault::BadEncoding,
                          p.name + (p.charset.isEmpty() ? QString() : QStringLiteral(" (") + p.charset +
                                                                          QStringLiteral(")"))};
        if (p.name == QLatin1String("FN") && !haveFn) {
            fn = Unescape(*text);
            haveFn = !fn.isEmpty();
        } else if (p.name == QLatin1String("N") && !haveN) {
            const QStringList parts = SplitEscaped(*text, QLatin1Char(';'));
            family = parts.value(0);
            given = parts.value(1);
            haveN = true;
        } else if (p.name == QLatin1String("TEL")) {
            QString number = Unescape(*text);
            if (p.uri || number.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive))
                number = number.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive) ? number.mid(4) : number;
            const auto label = labels.find(p.group);
            const bool labelled = !p.group.isEmpty() && label != labels.end();
            const bool mobile = p.types.contains(QLatin1String("cell")) ||
                                p.types.contains(QLatin1String("mobile")) ||
                                p.types.contains(QLatin1String("iphone")) ||
                                (labelled && IsMobileLabel(label->second));
            const bool fax = !mobile && (p.types.contains(QLatin1String("fax")) ||
                                         p.types.contains(QLatin1String("pager")) ||
                                         (labelled && IsFaxLabel(label->second)));
            phones.Add(number, mobile, fax);
        } else if (p.name == QLatin1String("ADR") && !haveAdr) {
            const QStringList parts = SplitEscaped(*text, QLatin1Char(';'));
            const QString extended = parts.value(1), street = parts.value(2), locality = parts.value(3),
                          region = parts.value(4), code = parts.value(5);
            if (extended.isEmpty() && street.isEmpty() && locality.isEmpty() && region.isEmpty() &&
                code.isEmpty())
                continue;
            e.zip = code;
            e.address1 = JoinAddress(region, locality, street);
            e.address2 = extended;
            haveAdr = true;
        } else if (p.name == QLatin1String("CATEGORIES") && !haveCategory) {
            for (const QString& c : SplitEscaped(*text, QLatin1Char(','))) {
                if (!c.isEmpty() && !IsSystemGroup(c)) {
                    e.unit = c;
                    haveCategory = true;
                    break;
                }
            }
        }
    }
    e.name = haveFn ? fn : JoinName(family, given);
    e.cell = phones.cell;
    e.tel = phones.Tel();
    Take(result, std::move(e), card.line);
    return std::nullopt;
}

void ReadVCard(const QString& text, FileResult& result)
{
    const std::vector<QStringView> lines = Lines(text);
    const qsizetype n = qsizetype(lines.size());
    qsizetype i = 0;
    while (i < n) {
        if (lines[size_t(i)].trimmed().isEmpty()) {
            ++i;
            continue;
        }
        if (!IsBegin(lines[size_t(i)])) {
            // One reject for a stretch of stray text, up to the next card.
            result.rejects.push_back({result.file, int(i + 1), Fault::OutsideCard, {}});
            while (i < n && !IsBegin(lines[size_t(i)]))
                ++i;
            continue;
        }
        Card card;
        card.line = int(i + 1);
        ++i;
        std::vector<std::pair<int, QString>> logical;  // line number, unfolded text
        bool ended = false;
        while (i < n) {
            const QStringView raw = lines[size_t(i)];
            if (IsBegin(raw))
                break;
            if (IsEnd(raw)) {
                ended = true;
                ++i;
                break;
            }
            const bool continues =
                !logical.empty() &&
                (raw.startsWith(QLatin1Char(' ')) || raw.startsWith(QLatin1Char('\t')) ||
                 // base64 data of older writers runs on without indentation
                 (!raw.isEmpty() && FindUnquoted(raw, QLatin1Char(':')) < 0 &&
                  DeclaresBase64(logical.back().second)));
            if (continues) {
                logical.back().second += raw.startsWith(QLatin1Char(' ')) || raw.startsWith(QLatin1Char('\t'))
                                             ? raw.mid(1)
                                             : raw;
                ++i;
                continue;
            }
            QString line = raw.toString();
            const int number = int(i + 1);
            ++i;
            // Quoted-printable: a line ending in '=' goes on in the next line.
            if (DeclaresQuotedPrintable(line))
                while (line.endsWith(QLatin1Char('=')) && i < n && !IsEnd(lines[size_t(i)]) && !IsBegin(lines[size_t(i)])) {
                    line.chop(1);
                    line += lines[size_t(i)];
                    ++i;
                }
            if (!line.trimmed().isEmpty())
                logical.emplace_back(number, line);
        }
        if (!ended) {
            result.rejects.push_back({result.file, card.line, Fault::CardNotEnded, {}});
            continue;
        }
        std::optional<Reject> broken;
        for (const auto& [number, line] : logical) {
            std::optional<Property> p = ParseProperty(line, number);
            if (!p) {
                broken = Reject{result.file, number, Fault::NotAProperty, {}};
                break;
            }
            card.properties.push_back(std::move(*p));
        }
        if (!broken)
            broken = MapCard(card, result);
        if (broken)
            result.rejects.push_back(*broken);
    }
}

// ---- CSV ----

struct CsvRow {
    int line = 0;
    QStringList fields;
};

// RFC 4180 records, each with the line it starts on. An unclosed quote ends the reading with a
// reject for the record it began.
// onRow gets each record in turn and returns false to stop the reading.
void ParseCsv(const QString& text, QChar separator, FileResult& result,
              const std::function<bool(const CsvRow&)>& onRow)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    int line = 1;
    while (i < n) {
        CsvRow row;
        row.line = line;
        QString field;
        bool rowDone = false;
        while (!rowDone) {
            field.clear();
            if (i < n && text[i] == QLatin1Char('"')) {
                const int quoteLine = line;
                ++i;
                bool closed = false;
                while (i < n) {
                    const QChar c = text[i];
                    if (c == QLatin1Char('"')) {
                        if (i + 1 < n && text[i + 1] == QLatin1Char('"')) {
                            field += QLatin1Char('"');
                            i += 2;
                            continue;
                        }
                        ++i;
                        closed = true;
                        break;
                    }
                    if (c == QLatin1Char('\n'))
                        ++line;
                    field += c;
                    ++i;
                }
                if (!closed) {
                    result.rejects.push_back({result.file, row.line, Fault::UnclosedQuote,
                                              QStringLiteral("line %1").arg(quoteLine)});
                    return;
                }
            }
            // The rest of the field up to a separator or the line's end, as written.
            while (i < n && text[i] != separator && text[i] != QLatin1Char('\n') && text[i] != QLatin1Char('\r'))
                field += text[i++];
            row.fields << field;
            if (i >= n) {
                rowDone = true;
            } else if (text[i] == separator) {
                ++i;
            } else {
                if (text[i] == QLatin1Char('\r'))
                    ++i;
                if (i < n && text[i] == QLatin1Char('\n'))
                    ++i;
                ++line;
                rowDone = true;
            }
        }
        if (!onRow(row))
            return;
    }
}

QChar SeparatorOf(const QString& text)
{
    int commas = 0, tabs = 0;
    bool quoted = false;
    for (QChar c : text) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (!quoted && (c == QLatin1Char('\n') || c == QLatin1Char('\r')))
            break;
        else if (!quoted && c == QLatin1Char(','))
            ++commas;
        else if (!quoted && c == QLatin1Char('\t'))
            ++tabs;
    }
    return tabs > commas ? QLatin1Char('\t') : QLatin1Char(',');
}

enum class Role {
    Ignore, FullName, Given, Family, Labels, Categories, Category,
    Cell, Tel, Fax, PhoneType, PhoneValue,
    Street, City, Region, Zip, Extended, Formatted, Line1,
};

struct Column {
    Column(Role r = Role::Ignore, QString g = {}, bool korean = false)
        : role(r), group(std::move(g)), koreanName(korean) {}
    Role role;
    QString group;    // the phone or address a column belongs to
    bool koreanName;  // "이름": the given name when a "성" column is there too
};

// What a header means, by the spellings of Google (both layouts), Outlook (English and Korean),
// Naver and plain Korean sheets.
Column Classify(const QString& header)
{
    QString h = header.trimmed().toLower();
    h.replace(QRegularExpression(QStringLiteral("\\s+")), QStringLiteral(" "));
    QString k = h;
    k.remove(QLatin1Char(' '));

    static const QRegularExpression numbered(QStringLiteral("^(phone|address|[a-z -]+?) ?(\\d+) ?- ?(.+)$"));
    if (const auto m = numbered.match(h); m.hasMatch()) {
        const QString kind = m.captured(1), what = m.captured(3);
        const QString group = kind + QLatin1Char(' ') + m.captured(2);
        if (kind == QLatin1String("phone")) {
            if (what == QLatin1String("type") || what == QLatin1String("label"))
                return {Role::PhoneType, group};
            if (what == QLatin1String("value"))
                return {Role::PhoneValue, group};
        } else if (kind == QLatin1String("address")) {
            static const std::map<QString, Role> parts = {
                {QStringLiteral("street"), Role::Street},
                {QStringLiteral("city"), Role::City},
                {QStringLiteral("region"), Role::Region},
                {QStringLiteral("postal code"), Role::Zip},
                {QStringLiteral("extended address"), Role::Extended},
                {QStringLiteral("formatted"), Role::Formatted},
            };
            if (const auto p = parts.find(what); p != parts.end())
                return {p->second, group};
        }
        return {};
    }

    static const std::map<QString, Role> english = {
        {QStringLiteral("name"), Role::FullName},
        {QStringLiteral("full name"), Role::FullName},
        {QStringLiteral("display name"), Role::FullName},
        {QStringLiteral("first name"), Role::Given},
        {QStringLiteral("given name"), Role::Given},
        {QStringLiteral("last name"), Role::Family},
        {QStringLiteral("family name"), Role::Family},
        {QStringLiteral("surname"), Role::Family},
        {QStringLiteral("labels"), Role::Labels},
        {QStringLiteral("group membership"), Role::Labels},
        {QStringLiteral("categories"), Role::Categories},
        {QStringLiteral("category"), Role::Categories},
        {QStringLiteral("group"), Role::Categories},
        {QStringLiteral("mobile phone"), Role::Cell},
        {QStringLiteral("mobile"), Role::Cell},
        {QStringLiteral("cell phone"), Role::Cell},
        {QStringLiteral("phone"), Role::Tel},
        {QStringLiteral("telephone"), Role::Tel},
        {QStringLiteral("tel"), Role::Tel},
        {QStringLiteral("pager"), Role::Fax},
        {QStringLiteral("postal code"), Role::Zip},
        {QStringLiteral("zip"), Role::Zip},
        {QStringLiteral("zip code"), Role::Zip},
        {QStringLiteral("address"), Role::Line1},
    };
    if (const auto e = english.find(h); e != english.end())
        return {e->second};
    if (h.contains(QLatin1String("fax")))
        return {Role::Fax};
    if (h.endsWith(QLatin1String(" phone")) || h.endsWith(QLatin1String(" phone 2")))
        return {Role::Tel};
    static const QRegularExpression outlookAddress(
        QStringLiteral("^(home|business|other) (street|street 2|street 3|city|state|postal code)$"));
    if (const auto m = outlookAddress.match(h); m.hasMatch()) {
        const QString what = m.captured(2);
        const Role role = what == QLatin1String("street")         ? Role::Street
                          : what.startsWith(QLatin1String("street")) ? Role::Extended
                          : what == QLatin1String("city")           ? Role::City
                          : what == QLatin1String("state")          ? Role::Region
                                                                    : Role::Zip;
        return {role, m.captured(1)};
    }

    // Korean headers, by their words; 집/회사/기타 in front name the address they belong to.
    auto has = [&k](const char* word) { return k.contains(QString::fromUtf8(word)); };
    QString group;
    for (const char* prefix : {"집", "회사", "직장", "기타"})
        if (k.startsWith(QString::fromUtf8(prefix)))
            group = QString::fromUtf8(prefix);
    if (has("메일") || k.contains(QLatin1String("mail")))
        return {};
    if (has("팩스"))
        return {Role::Fax};
    if (has("휴대") || has("핸드폰") || has("모바일"))
        return {Role::Cell};
    if (has("전화"))
        return {Role::Tel};
    if (has("우편"))
        return {Role::Zip, group};
    if (has("상세주소") || has("나머지주소") || k == QStringLiteral("주소2"))
        return {Role::Extended, group};
    if (has("번지"))
        return {Role::Street, group};
    if (has("구/군/시"))
        return {Role::City, group};
    if (has("시/도"))
        return {Role::Region, group};
    if (has("주소"))
        return {Role::Line1, group};
    if (k == QStringLiteral("이름"))
        return {Role::FullName, {}, true};
    if (k == QStringLiteral("성명") || k == QStringLiteral("표시이름") || k == QStringLiteral("전체이름"))
        return {Role::FullName};
    if (k == QStringLiteral("성"))
        return {Role::Family};
    if (has("분류") || has("그룹") || has("소속") || has("카테고리"))
        return {Role::Category};
    if (has("범주"))
        return {Role::Categories};
    return {};
}

struct AddressParts {
    std::array<QString, 7> part;  // by Role::Street .. Role::Line1
    bool Any() const
    {
        for (const QString& p : part)
            if (!p.isEmpty())
                return true;
        return false;
    }
    QString& operator[](Role r) { return part[size_t(int(r) - int(Role::Street))]; }
};

void ReadCsv(const QString& text, FileResult& result)
{
    std::vector<Column> columns;
    std::map<QString, int> typeColumn;  // the phone types of Google's numbered phones, by group
    std::vector<QString> addressOrder;
    // The header line: what each column means.
    auto readHeader = [&](const CsvRow& header) {
        bool known = false, family = false;
        for (const QString& h : header.fields) {
            columns.push_back(Classify(h));
            known = known || columns.back().role != Role::Ignore;
            family = family || columns.back().role == Role::Family;
        }
        if (!known) {
            result.rejects.push_back({result.file, header.line, Fault::NoKnownColumn, {}});
            return false;
        }
        for (Column& c : columns)
            if (c.koreanName && family)
                c.role = Role::Given;  // Korean Outlook: 이름 and 성
        for (size_t c = 0; c < columns.size(); ++c) {
            if (columns[c].role == Role::PhoneType)
                typeColumn[columns[c].group] = int(c);
            if (columns[c].role >= Role::Street && std::find(addressOrder.begin(), addressOrder.end(),
                                                             columns[c].group) == addressOrder.end())
                addressOrder.push_back(columns[c].group);
        }

        return true;
    };

    auto readRow = [&](const CsvRow& row) {
        bool empty = true;
        for (const QString& f : row.fields)
            empty = empty && f.isEmpty();
        if (empty)
            return;  // Excel's trailing rows of separators
        AddressEntry e;
        QString full, given, familyName;
        bool haveCategory = false;
        Phones phones;
        std::map<QString, AddressParts> addresses;
        for (size_t c = 0; c < columns.size(); ++c) {
            const QString value = row.fields.value(qsizetype(c));
            const Column& col = columns[c];
            switch (col.role) {
            case Role::Ignore:
            case Role::PhoneType:
                break;
            case Role::FullName:
                if (full.isEmpty())
                    full = value;
                break;
            case Role::Given:
                if (given.isEmpty())
                    given = value;
                break;
            case Role::Family:
                if (familyName.isEmpty())
                    familyName = value;
                break;
            case Role::Labels:
            case Role::Categories:
            case Role::Category: {
                if (haveCategory || value.isEmpty())
                    break;
                const QStringList groups =
                    col.role == Role::Labels       ? value.split(QStringLiteral(" ::: "))
                    : col.role == Role::Categories ? value.split(QLatin1Char(';'))
                                                   : QStringList{value};
                for (const QString& g : groups)
                    if (!g.isEmpty() && !(col.role == Role::Labels && IsSystemGroup(g))) {
                        e.unit = g;
                        haveCategory = true;
                        break;
                    }
                break;
            }
            case Role::Cell:
            case Role::Tel:
            case Role::Fax:
                for (const QString& v : value.split(QStringLiteral(" ::: ")))
                    phones.Add(v, col.role == Role::Cell, col.role == Role::Fax);
                break;
            case Role::PhoneValue: {
                const auto t = typeColumn.find(col.group);
                const QString type = t == typeColumn.end() ? QString() : row.fields.value(t->second);
                for (const QString& v : value.split(QStringLiteral(" ::: ")))
                    phones.Add(v, IsMobileLabel(type), IsFaxLabel(type));
                break;
            }
            default: {
                QString& part = addresses[col.group][col.role];
                if (part.isEmpty())
                    part = value;
            }
            }
        }
        e.name = !full.isEmpty() ? full : JoinName(familyName, given);
        e.cell = phones.cell;
        e.tel = phones.Tel();
        for (const QString& g : addressOrder) {
            AddressParts& a = addresses[g];
            if (!a.Any())
                continue;
            e.zip = a[Role::Zip];
            e.address1 = !a[Role::Line1].isEmpty() ? a[Role::Line1]
                                                   : JoinAddress(a[Role::Region], a[Role::City], a[Role::Street]);
            if (e.address1.isEmpty())
                e.address1 = a[Role::Formatted];
            e.address2 = a[Role::Extended];
            break;
        }
        Take(result, std::move(e), row.line);
    };

    bool header = true;
    ParseCsv(text, SeparatorOf(text), result, [&](const CsvRow& row) {
        if (!header) {
            readRow(row);
            return true;
        }
        header = false;
        return readHeader(row);
    });
}

// ---- Writing ----

QString EscapeText(const QString& value)
{
    QString out;
    out.reserve(value.size() + 8);
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case ',': out += QLatin1String("\\,"); break;
        case ';': out += QLatin1String("\\;"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\r':
            // a line break of either kind is written as one
            if (i + 1 < value.size() && value[i + 1] == QLatin1Char('\n'))
                ++i;
            out += QLatin1String("\\n");
            break;
        default: out += c;
        }
    }
    return out;
}

// Appends one content line, folded after at most 75 octets of UTF-8 without cutting a
// character.
void AppendLine(QString& out, const QString& line)
{
    qsizetype width = 0;
    for (qsizetype i = 0; i < line.size();) {
        const char16_t u = line[i].unicode();
        const bool pair = QChar::isHighSurrogate(u) && i + 1 < line.size();
        const qsizetype length = pair ? 4 : u < 0x80 ? 1 : u < 0x800 ? 2 : 3;
        if (width + length > 75) {
            out += QLatin1String("\r\n ");
            width = 1;
        }
        out += line[i];
        if (pair)
            out += line[i + 1];
        width += length;
        i += pair ? 2 : 1;
    }
    out += QLatin1String("\r\n");
}

QString CsvField(const QString& value)
{
    const bool quote = value.contains(QLatin1Char(',')) || value.contains(QLatin1Char('"')) ||
                       value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r')) ||
                       value.contains(QLatin1Char('\t')) ||
                       (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (!quote)
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

}  // namespace

QString FaultText(Fault fault)
{
    switch (fault) {
    case Fault::Unreadable: return QStringLiteral("cannot read the file");
    case Fault::NotText: return QStringLiteral("not a text file in UTF-8, UTF-16 or CP949");
    case Fault::NoKnownColumn: return QStringLiteral("the header line names no known column");
    case Fault::UnclosedQuote: return QStringLiteral("a quoted field is never closed");
    case Fault::CardNotEnded: return QStringLiteral("card without END:VCARD");
    case Fault::OutsideCard: return QStringLiteral("text outside a card");
    case Fault::NotAProperty: return QStringLiteral("line is not NAME:VALUE");
    case Fault::BadEncoding: return QStringLiteral("value cannot be decoded");
    case Fault::NoNameNoNumber: return QStringLiteral("no name and no telephone number");
    }
    return {};
}

QString FaultTextKorean(Fault fault)
{
    switch (fault) {
    case Fault::Unreadable: return QStringLiteral("파일을 읽을 수 없습니다");
    case Fault::NotText: return QStringLiteral("UTF-8, UTF-16, CP949 텍스트 파일이 아닙니다");
    case Fault::NoKnownColumn: return QStringLiteral("첫 줄에 알아볼 수 있는 열 이름이 없습니다");
    case Fault::UnclosedQuote: return QStringLiteral("따옴표가 닫히지 않았습니다");
    case Fault::CardNotEnded: return QStringLiteral("END:VCARD가 없는 카드입니다");
    case Fault::OutsideCard: return QStringLiteral("카드 밖의 내용입니다");
    case Fault::NotAProperty: return QStringLiteral("속성 줄이 아닙니다");
    case Fault::BadEncoding: return QStringLiteral("값을 해독할 수 없습니다");
    case Fault::NoNameNoNumber: return QStringLiteral("이름도 전화번호도 없습니다");
    }
    return {};
}

QString RejectLine(const Reject& r)
{
    QString text = r.file + QLatin1Char(':');
    if (r.line > 0)
        text += QString::number(r.line) + QLatin1Char(':');
    text += QLatin1Char(' ') + FaultText(r.fault);
    if (!r.detail.isEmpty())
        text += QStringLiteral(": ") + r.detail;
    return text;
}

QString RejectLineKorean(const Reject& r)
{
    QString text = QFileInfo(r.file).fileName();
    if (r.line > 0)
        text += QLatin1Char(' ') + QString::number(r.line) + QStringLiteral("행");
    text += QStringLiteral(": ") + FaultTextKorean(r.fault);
    if (!r.detail.isEmpty())
        text += QStringLiteral(" (") + r.detail + QLatin1Char(')');
    return text;
}

FileResult ReadBytes(QByteArray bytes, const QString& name)
{
    FileResult result;
    result.file = name;
    const std::optional<Decoded> decoded = DecodeFile(bytes);
    bytes = QByteArray();  // the text is all that is needed from here on
    if (!decoded) {
        result.rejects.push_back({name, 0, Fault::NotText, {}});
        return result;
    }
    result.encoding = decoded->encoding;
    // A file with a line that opens a card is a vCard file; anything else CSV.
    static const QRegularExpression begin(QStringLiteral("^[ \\t]*BEGIN:VCARD[ \\t]*\\r?$"),
                                          QRegularExpression::CaseInsensitiveOption |
                                              QRegularExpression::MultilineOption);
    if (begin.match(decoded->text).hasMatch()) {
        result.kind = QStringLiteral("vCard");
        ReadVCard(decoded->text, result);
    } else {
        result.kind = QStringLiteral("CSV");
        ReadCsv(decoded->text, result);
    }
    std::stable_sort(result.rejects.begin(), result.rejects.end(),
                     [](const Reject& a, const Reject& b) { return a.line < b.line; });
    return result;
}

FileResult ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        FileResult result;
        result.file = path;
        result.rejects.push_back({path, 0, Fault::Unreadable, file.errorString()});
        return result;
    }
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        FileResult result;
        result.file = path;
        result.rejects.push_back({path, 0, Fault::Unreadable, file.errorString()});
        return result;
    }
    file.close();
    return ReadBytes(std::move(bytes), path);
}

QByteArray WriteVCard(const AddressList& entries)
{
    QString out;
    out.reserve(qsizetype(entries.size()) * 160);
    for (const AddressEntry& e : entries) {
        out += QLatin1String("BEGIN:VCARD\r\nVERSION:3.0\r\n");
        // The whole name as the family name: a name is not split into parts it may not have.
        const QString name = EscapeText(e.name);
        AppendLine(out, QStringLiteral("N:") + name + QStringLiteral(";;;;"));
        AppendLine(out, QStringLiteral("FN:") + name);
        if (!e.cell.isEmpty())
            AppendLine(out, QStringLiteral("TEL;TYPE=CELL:") + EscapeText(e.cell));
        if (!e.tel.isEmpty())
            AppendLine(out, QStringLiteral("TEL;TYPE=VOICE:") + EscapeText(e.tel));
        if (!e.zip.isEmpty() || !e.address1.isEmpty() || !e.address2.isEmpty())
            AppendLine(out, QStringLiteral("ADR;TYPE=HOME:;") + EscapeText(e.address2) + QLatin1Char(';') +
                                EscapeText(e.address1) + QStringLiteral(";;;") + EscapeText(e.zip) +
                                QLatin1Char(';'));
        if (!e.unit.isEmpty())
            AppendLine(out, QStringLiteral("CATEGORIES:") + EscapeText(e.unit));
        out += QLatin1String("END:VCARD\r\n");
    }
    return out.toUtf8();
}

QByteArray WriteCsv(const AddressList& entries)
{
    QString text = QStringLiteral("분류,이름,전화번호,휴대폰,우편번호,주소,상세주소\r\n");
    text.reserve(qsizetype(entries.size()) * 80);
    for (const AddressEntry& e : entries) {
        for (const QString* v : {&e.unit, &e.name, &e.tel, &e.cell, &e.zip, &e.address1, &e.address2}) {
            if (v != &e.unit)
                text += QLatin1Char(',');
            text += CsvField(*v);
        }
        text += QLatin1String("\r\n");
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

ImportReport Import(const QStringList& files, const std::optional<QString>& category, bool dryRun)
{
    ImportReport report;
    report.dryRun = dryRun;
    std::vector<AddressEntry> entries;
    for (const QString& path : files) {
        FileResult file = ReadFile(path);
        report.read += int(file.records.size());
        for (const Reject& r : file.rejects) {
            if (r.line > 0)  // a card or a row; a file that could not be read is no entry read
                ++report.read;
            report.rejects.push_back(r);
        }
        for (Record& r : file.records) {
            if (category)
                r.entry.unit = *category;
            entries.push_back(r.entry);
        }
        report.files.push_back(std::move(file));
    }
    const AddressStore::InsertResult inserted = AddressStore::InsertEntries(entries, dryRun);
    report.added = inserted.added;
    report.duplicates = inserted.duplicates;
    return report;
}

QString ReportTotals(const ImportReport& report)
{
    return QStringLiteral("read %1, %2 %3, skipped as duplicates %4, rejected %5")
        .arg(report.read)
        .arg(report.dryRun ? QStringLiteral("would add") : QStringLiteral("added"))
        .arg(report.added)
        .arg(report.duplicates)
        .arg(report.Rejected());
}

QString ReportSummaryKorean(const ImportReport& report)
{
    QString text = QStringLiteral("가져오기를 마쳤습니다.\n읽음 %1건, 추가 %2건, 중복으로 건너뜀 %3건, 거부 %4건")
                       .arg(report.read)
                       .arg(report.added)
                       .arg(report.duplicates)
                       .arg(report.Rejected());
    constexpr int kShown = 10;
    if (!report.rejects.empty()) {
        text += QStringLiteral("\n\n거부된 항목:");
        for (int i = 0; i < report.Rejected() && i < kShown; ++i)
            text += QLatin1Char('\n') + RejectLineKorean(report.rejects[size_t(i)]);
        if (report.Rejected() > kShown)
            text += QStringLiteral("\n외 %1건").arg(report.Rejected() - kShown);
    }
    return text;
}

std::optional<Format> FormatOf(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("vcf") || suffix == QLatin1String("vcard"))
        return Format::VCard;
    if (suffix == QLatin1String("csv") || suffix == QLatin1String("txt"))
        return Format::Csv;
    return std::nullopt;
}

int Export(Format format, const QString& out)
{
    // An export never overwrites a database, the address book least of all.
    QFile existing(out);
    if (existing.open(QIODevice::ReadOnly) && existing.read(16) == QByteArray("SQLite format 3\0", 16))
        throw EError(QStringLiteral("\"") + out + QStringLiteral("\" is a database; it is not overwritten"));
    existing.close();

    const AddressList entries = AddressStore::ListAll();
    const QByteArray bytes = format == Format::VCard ? WriteVCard(entries) : WriteCsv(entries);
    QSaveFile file(out);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        throw EError(QStringLiteral("Cannot write \"") + out + QStringLiteral("\": ") + file.errorString());
    return int(entries.size());
}

}  // namespace Contacts
