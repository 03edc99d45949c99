// zipimport <source file> <zipcode.db>: builds the postal code directory from a directory
// file in Korea Post's delimited layout.
//
// The source: one header line naming the columns, then one row per line; tab-, comma- or
// '|'-separated (told from the header), fields optionally in double quotes ("" inside a quoted
// field is one quote); UTF-8 with or without BOM, or CP949/EUC-KR (a file that is not valid
// UTF-8 is read as CP949). Columns are found by name, English in any letter case or Korean:
//   ZIPCODE 우편번호, SIDO 시도, GUGUN 시군구, DONG 읍면동, BUNJI 번지 (required),
//   RI 리, BLDG 건물명 (optional, empty when absent); other columns (SEQ ...) are ignored.
// Values are trimmed; a postal code must read NNN-NNN (NNNNNN is given its hyphen).
//
// Rows that cannot be read are rejected with their line number and reason; the others are
// written. The directory is built in a temporary file beside the target and replaces the
// target only when at least one row was written, so a bad source never damages a good
// directory. An existing target is replaced only when it is a postal code directory (or an
// empty file, as the program leaves behind when zipcode.db was missing): an address book or
// any other file is never touched.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include "tool_files.h"

#include <sqlite3.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iconv.h>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using toolfiles::ParentOf;
using toolfiles::SyncPath;

enum Column { Zipcode, Sido, Gugun, Dong, Ri, Bldg, Bunji, ColumnCount };

struct HeaderName {
    Column column;
    const char* name;
};
const HeaderName kHeaderNames[] = {
    {Zipcode, "ZIPCODE"}, {Zipcode, "우편번호"}, {Sido, "SIDO"},  {Sido, "시도"},
    {Gugun, "GUGUN"},     {Gugun, "시군구"},     {Dong, "DONG"},  {Dong, "읍면동"},
    {Ri, "RI"},           {Ri, "리"},            {Bldg, "BLDG"},  {Bldg, "건물명"},
    {Bunji, "BUNJI"},     {Bunji, "번지"},
};
const bool kRequired[ColumnCount] = {true, true, true, true, false, false, true};

const int kListedRejections = 100;  // beyond this only the count is reported

void Print(FILE* to, const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    std::fwrite(utf8.constData(), 1, utf8.size(), to);
    std::fputc('\n', to);
}

int Fail(const QString& message)
{
    Print(stderr, "zipimport: " + message);
    return 1;
}

QString Errno() { return QString::fromLocal8Bit(std::strerror(errno)); }

int LineAt(const QByteArray& data, qsizetype offset)
{
    return int(QByteArrayView(data).first(offset).count('\n')) + 1;
}

// Offset of the first byte that does not belong to well-formed UTF-8, or -1.
qsizetype InvalidUtf8At(const QByteArray& data)
{
    const auto* s = reinterpret_cast<const unsigned char*>(data.constData());
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

// CP949 (a superset of EUC-KR) to text; on failure badAt is the offending byte's offset.
std::optional<QString> DecodeCp949(const QByteArray& in, qsizetype& badAt)
{
    iconv_t cd = iconv_open("UTF-8", "CP949");
    if (cd == iconv_t(-1)) {
        badAt = -1;
        return std::nullopt;
    }
    QByteArray out(in.size() * 2 + 16, Qt::Uninitialized);  // two bytes become at most three
    char* ip = const_cast<char*>(in.constData());
    size_t il = size_t(in.size());
    char* op = out.data();
    size_t ol = size_t(out.size());
    const bool ok = iconv(cd, &ip, &il, &op, &ol) != size_t(-1);
    iconv_close(cd);
    if (!ok) {
        badAt = ip - in.constData();
        return std::nullopt;
    }
    out.truncate(op - out.data());
    return QString::fromUtf8(out);
}

struct Decoded {
    QString text;
    QString encoding;
};

std::optional<Decoded> Decode(QByteArray data, QString& error)
{
    if (data.startsWith("\xFF\xFE") || data.startsWith("\xFE\xFF")) {
        error = "the file is UTF-16; save it as UTF-8 or CP949";
        return std::nullopt;
    }
    const bool bom = data.startsWith("\xEF\xBB\xBF");
    if (bom)
        data.remove(0, 3);
    const qsizetype invalid = InvalidUtf8At(data);
    if (invalid < 0)
        return Decoded{QString::fromUtf8(data), bom ? "UTF-8 with BOM" : "UTF-8"};
    if (bom) {
        error = QString("line %1: not valid UTF-8, although the file starts with a UTF-8 BOM")
                    .arg(LineAt(data, invalid));
        return std::nullopt;
    }
    qsizetype badAt = -1;
    if (auto text = DecodeCp949(data, badAt))
        return Decoded{*text, "CP949"};
    error = badAt < 0 ? QString("cannot decode CP949 (iconv has no CP949 converter)")
                      : QString("neither valid UTF-8 (first fault on line %1) nor valid CP949 (first fault on line %2)")
                            .arg(LineAt(data, invalid))
                            .arg(LineAt(data, badAt));
    return std::nullopt;
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

struct Layout {
    QChar sep;
    int fieldCount = 0;
    std::array<int, ColumnCount> index;  // field index per column, -1: absent
    QStringList ignored;
    QString error;
    int found = 0;
};

Layout ReadHeader(const QString& header, QChar sep)
{
    Layout layout;
    layout.sep = sep;
    layout.index.fill(-1);
    const Parsed p = ParseLine(header, sep);
    if (!p.error.isEmpty()) {
        layout.error = "the header line: " + p.error;
        return layout;
    }
    layout.fieldCount = int(p.fields.size());
    for (int i = 0; i < layout.fieldCount; ++i) {
        const QString name = p.fields[i].trimmed();
        std::optional<Column> column;
        for (const HeaderName& h : kHeaderNames)
            if (name.compare(QString::fromUtf8(h.name), Qt::CaseInsensitive) == 0)
                column = h.column;
        if (!column) {
            if (!name.isEmpty())
                layout.ignored << name;
            continue;
        }
        if (layout.index[*column] >= 0) {
            layout.error = QString("the header line names the column %1 twice").arg(name);
            return layout;
        }
        layout.index[*column] = i;
        ++layout.found;
    }
    QStringList missing;
    for (int c = 0; c < ColumnCount; ++c)
        if (kRequired[c] && layout.index[c] < 0)
            missing << QString::fromUtf8(kHeaderNames[2 * c].name) + " (" +
                           QString::fromUtf8(kHeaderNames[2 * c + 1].name) + ")";
    if (!missing.isEmpty())
        layout.error = "the header line does not name the columns " + missing.join(", ");
    return layout;
}

// The layout of the first separator whose header names every required column.
Layout ChooseLayout(const QString& header)
{
    std::optional<Layout> best;
    for (const QChar sep : {QChar(u'\t'), QChar(u','), QChar(u'|')}) {
        Layout layout = ReadHeader(header, sep);
        if (layout.error.isEmpty())
            return layout;
        if (!best || layout.found > best->found)
            best = layout;
    }
    return *best;
}

QString SeparatorName(QChar sep)
{
    return sep == u'\t' ? "tab" : sep == u',' ? "comma" : "'|'";
}

using Row = std::array<QString, ColumnCount>;

// The row's postal code in the form NNN-NNN, or the reason it cannot be read.
QString CheckZipcode(QString& zip)
{
    if (zip.isEmpty())
        return "empty zipcode";
    auto digits = [&](int from, int count) {
        for (int i = from; i < from + count; ++i)
            if (zip[i] < u'0' || zip[i] > u'9')
                return false;
        return true;
    };
    if (zip.size() == 7 && digits(0, 3) && zip[3] == u'-' && digits(4, 3))
        return {};
    if (zip.size() == 6 && digits(0, 6)) {
        zip.insert(3, u'-');
        return {};
    }
    return QString("malformed zipcode \"%1\" (expected NNN-NNN)").arg(zip);
}

bool IsBlank(const QString& line)
{
    const QString t = line.trimmed();
    return t.isEmpty() || t == QChar(0x1A);  // a DOS end-of-file mark
}

// Why the file at path must not be replaced by a directory, or empty when it may.
QString RefusalFor(const std::string& path, const QString& shown, bool& exists, bool& empty, mode_t& mode)
{
    struct stat st {};
    exists = ::stat(path.c_str(), &st) == 0;
    empty = exists && st.st_size == 0;
    if (!exists)
        return errno == ENOENT ? QString() : "cannot check " + shown + ": " + Errno();
    mode = st.st_mode & 07777;
    if (S_ISDIR(st.st_mode))
        return shown + " is a folder";
    if (!S_ISREG(st.st_mode))
        return shown + " is not a regular file";
    if (st.st_size == 0)
        return {};
    sqlite3* db = nullptr;
    sqlite3_stmt* stmt = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &stmt,
                                nullptr);
    QString refusal;
    while (rc == SQLITE_OK || rc == SQLITE_ROW) {
        rc = sqlite3_step(stmt);
        if (rc != SQLITE_ROW)
            break;
        const QString table = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0)));
        if (table.compare("zipcode", Qt::CaseInsensitive) != 0 && !table.startsWith("sqlite_")) {
            refusal = QString("%1 holds the table %2, so it is not a postal code directory; it was not replaced")
                          .arg(shown, table);
            break;
        }
    }
    if (refusal.isEmpty() && rc != SQLITE_DONE)
        refusal = shown + " is not a postal code directory (not a readable SQLite database); it was not replaced";
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return refusal;
}

// Writes the rows into the empty file at path.
bool WriteDirectory(const std::string& path, const std::vector<Row>& rows, QString& error)
{
    sqlite3* db = nullptr;
    sqlite3_stmt* insert = nullptr;
    auto run = [&](const char* sql) { return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK; };
    bool ok = sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK &&
              // The file is a scratch copy until it is renamed into place: no journal needed.
              run("PRAGMA journal_mode = OFF") && run("PRAGMA synchronous = OFF") &&
              run("CREATE TABLE zipcode (zipcode TEXT, sido TEXT, gugun TEXT, dong TEXT, ri TEXT,"
                  " bldg TEXT, bunji TEXT)") &&
              run("BEGIN") &&
              sqlite3_prepare_v2(db, "INSERT INTO zipcode (zipcode, sido, gugun, dong, ri, bldg, bunji)"
                                     " VALUES (?, ?, ?, ?, ?, ?, ?)",
                                 -1, &insert, nullptr) == SQLITE_OK;
    for (size_t r = 0; ok && r < rows.size(); ++r) {
        for (int c = 0; c < ColumnCount; ++c) {
            const QByteArray value = rows[r][c].toUtf8();
            sqlite3_bind_text(insert, c + 1, value.constData(), int(value.size()), SQLITE_TRANSIENT);
        }
        ok = sqlite3_step(insert) == SQLITE_DONE && sqlite3_reset(insert) == SQLITE_OK;
    }
    sqlite3_finalize(insert);
    ok = ok && run("COMMIT") && run("CREATE INDEX zipcode_zipcode ON zipcode (zipcode)");
    if (!ok)
        error = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString("cannot open the database");
    if (sqlite3_close(db) != SQLITE_OK && ok) {
        error = "cannot close the database";
        ok = false;
    }
    return ok;
}

QString FileNameOf(const std::string& path)
{
    const auto slash = path.find_last_of('/');
    return QFile::decodeName(slash == std::string::npos ? path.c_str() : path.c_str() + slash + 1);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || argv[1][0] == '\0' || argv[2][0] == '\0') {
        std::fprintf(stderr, "usage: zipimport <source file> <zipcode.db>\n");
        return 2;
    }
    const QString source = QFile::decodeName(argv[1]);
    const std::string target = argv[2];
    const QString shownTarget = QFile::decodeName(argv[2]);

    // The target first: nothing is read or built for a target that may not be replaced.
    const QString name = FileNameOf(target);
    if (name.compare("address.db", Qt::CaseInsensitive) == 0 ||
        name.compare("address_backup.db", Qt::CaseInsensitive) == 0)
        return Fail(shownTarget + " is the name of an address book; the postal code directory is zipcode.db");
    bool exists = false;
    bool empty = false;
    mode_t mode = 0;
    const QString refusal = RefusalFor(target, shownTarget, exists, empty, mode);
    if (!refusal.isEmpty())
        return Fail(refusal);
    const std::string folder = ParentOf(target);
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        return Fail("the folder " + QFile::decodeName(folder.c_str()) + " does not exist");

    QFile file(source);
    if (!file.open(QIODevice::ReadOnly))
        return Fail("cannot read " + source + ": " + file.errorString());
    const QByteArray data = file.readAll();
    if (file.error() != QFileDevice::NoError)
        return Fail("cannot read " + source + ": " + file.errorString());
    file.close();

    QString error;
    const std::optional<Decoded> decoded = Decode(data, error);
    if (!decoded)
        return Fail(source + ": " + error);

    const QStringList lines = decoded->text.split(u'\n');
    int headerLine = 0;
    while (headerLine < lines.size() && IsBlank(lines[headerLine]))
        ++headerLine;
    if (headerLine == lines.size())
        return Fail(source + ": the file is empty");
    auto lineText = [&](int i) {
        QString line = lines[i];
        if (line.endsWith(u'\r'))
            line.chop(1);
        return line;
    };
    const Layout layout = ChooseLayout(lineText(headerLine));
    if (!layout.error.isEmpty())
        return Fail(QString("%1: line %2: %3").arg(source).arg(headerLine + 1).arg(layout.error));
    Print(stdout, QString("zipimport: reading %1 (%2, %3-separated)")
                      .arg(source, decoded->encoding, SeparatorName(layout.sep)));
    if (!layout.ignored.isEmpty())
        Print(stdout, "zipimport: ignoring the columns " + layout.ignored.join(", "));

    std::vector<Row> rows;
    int read = 0;
    int rejected = 0;
    auto reject = [&](int line, const QString& reason) {
        if (++rejected <= kListedRejections)
            Print(stderr, QString("zipimport: line %1: rejected: %2").arg(line).arg(reason));
    };
    for (int i = headerLine + 1; i < lines.size(); ++i) {
        const QString line = lineText(i);
        if (IsBlank(line))
            continue;
        ++read;
        const Parsed p = ParseLine(line, layout.sep);
        if (!p.error.isEmpty()) {
            reject(i + 1, p.error);
            continue;
        }
        bool extraText = false;
        for (qsizetype f = layout.fieldCount; f < p.fields.size(); ++f)
            extraText = extraText || !p.fields[f].trimmed().isEmpty();
        if (p.fields.size() < layout.fieldCount || extraText) {
            reject(i + 1, QString("wrong field count (expected %1, found %2)")
                              .arg(layout.fieldCount)
                              .arg(p.fields.size()));
            continue;
        }
        Row row;
        for (int c = 0; c < ColumnCount; ++c)
            if (layout.index[c] >= 0)
                row[c] = p.fields[layout.index[c]].trimmed();
        const QString reason = CheckZipcode(row[Zipcode]);
        if (!reason.isEmpty()) {
            reject(i + 1, reason);
            continue;
        }
        rows.push_back(std::move(row));
    }
    if (rejected > kListedRejections)
        Print(stderr, QString("zipimport: ... %1 further rejected rows not listed")
                          .arg(rejected - kListedRejections));
    auto summary = [&](qsizetype written) {
        return QString("zipimport: %1 rows read, %2 rejected, %3 written").arg(read).arg(rejected).arg(written);
    };
    if (rows.empty()) {
        Print(stdout, summary(0));
        return Fail(exists ? "no row could be imported; " + shownTarget + " was left as it was"
                           : "no row could be imported; " + shownTarget + " was not created");
    }

    std::string temp = target + ".importing-XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return Fail("cannot create a file in " + QFile::decodeName(folder.c_str()) + ": " + Errno());
    if (!exists) {
        mode = ::umask(0);
        ::umask(mode);
        mode = 0666 & ~mode;
    }
    ::fchmod(fd, mode);
    ::close(fd);
    if (!WriteDirectory(temp, rows, error) || !SyncPath(temp, O_RDONLY)) {
        ::unlink(temp.c_str());
        return Fail("cannot write the directory: " + (error.isEmpty() ? Errno() : error));
    }
    if (::rename(temp.c_str(), target.c_str()) != 0) {
        const QString why = Errno();
        ::unlink(temp.c_str());
        return Fail("cannot put the directory in place at " + shownTarget + ": " + why);
    }
    SyncPath(folder, O_RDONLY | O_DIRECTORY);

    Print(stdout, summary(qsizetype(rows.size())) + " to " + shownTarget +
                      (!exists ? "" : empty ? " (it replaced an empty file)" : " (the previous directory was replaced)"));
    return 0;
}
