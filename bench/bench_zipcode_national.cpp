// The five-digit postal directory at the size of the whole country: generated Korea Post range
// files (300,000 road-name and 200,000 lot-number range rows, '|'-separated, CRLF), imported by
// zipimport in UTF-8 and in CP949, against a plain loop that splits the same UTF-8 lines and
// inserts seven of their fields with sqlite3 alone; then the postal search window's empty
// search on the imported 500,000 rows against FindByDong(""). Prints medians and ratios;
// asserts nothing.
#include "bench_data.h"
#include "postal_search.h"
#include "store/paths.h"
#include "ui/messages.h"
#include "boxes.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>
#include <iconv.h>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace {

const int kRoadRows = 300000;
const int kLotRows = 200000;
const int kImportRuns = 3;
const int kSearchRuns = 5;

struct Province {
    const char* name;
    int firstPrefix, lastPrefix;  // first two digits of its codes
};
const Province kProvinces[] = {
    {"서울특별시", 1, 9},      {"경기도", 10, 18},         {"인천광역시", 21, 23}, {"강원특별자치도", 24, 26},
    {"충청북도", 27, 29},      {"세종특별자치시", 30, 30}, {"충청남도", 31, 33},   {"대전광역시", 34, 35},
    {"경상북도", 36, 40},      {"대구광역시", 41, 43},     {"울산광역시", 44, 45}, {"부산광역시", 46, 49},
    {"경상남도", 50, 53},      {"전북특별자치도", 54, 56}, {"전라남도", 57, 59},   {"광주광역시", 61, 62},
    {"제주특별자치도", 63, 63}};

const std::vector<std::string> kTownships = {"", "", "", "", "", "", "강동면", "주문진읍", "봉평면", "청평면",
                                             "화원읍", "대관령면", "오송읍", "남양읍", "애월읍", "성산읍"};
const std::vector<std::string> kRoadStems = {"테헤란", "세종대", "중앙", "시청", "역전", "학교", "공원", "해안",
                                             "산업", "문화", "번영", "희망", "새마을", "동산", "솔밭", "은행나무"};

// The two range files in folder, UTF-8.
void WriteNationalFiles(const QString& folder)
{
    std::mt19937 rng(777);
    auto pick = [&](const std::vector<std::string>& v) -> const std::string& { return v[rng() % v.size()]; };
    auto code = [&](const Province& p) {
        char text[8];
        const int prefix = p.firstPrefix + int(rng() % unsigned(p.lastPrefix - p.firstPrefix + 1));
        std::snprintf(text, sizeof text, "%02d%03d", prefix, int(rng() % 1000));
        return std::string(text);
    };
    auto write = [](const QString& path, const std::string& text) {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(text.data(), qint64(text.size())) != qint64(text.size()))
            throw std::runtime_error("cannot write " + path.toStdString());
    };
    std::string road =
        "우편번호|시도|시도영문|시군구|시군구영문|읍면|읍면영문|도로명|도로명영문|지하여부|"
        "시작건물번호(주)|시작건물번호(부)|끝건물번호(주)|끝건물번호(부)|범위종류\r\n";
    for (int i = 0; i < kRoadRows; ++i) {
        const Province& p = kProvinces[rng() % 17];
        const std::string township = pick(kTownships);
        std::string name = pick(kRoadStems) + (rng() % 3 ? "로" : "대로");
        if (rng() % 2)
            name += std::to_string(1 + rng() % 200) + "길";
        const int first = 1 + int(rng() % 400);
        const int kind = int(rng() % 4);
        road += code(p) + "|" + p.name + "||" + pick(benchdata::Districts()) + "||" + township + "||" + name + "||" +
                (rng() % 20 == 0 ? "1" : "0") + "|" + std::to_string(first) + "|0|" +
                std::to_string(kind == 0 ? first : first + 2 * int(1 + rng() % 60)) + "|0|" + std::to_string(kind) +
                "\r\n";
    }
    write(folder + "/road_range.txt", road);
    std::string lot = "우편번호|시도|시도영문|시군구|시군구영문|읍면동|읍면동영문|리명|산여부|행정동명|"
                      "시작주번지|시작부번지|끝주번지|끝부번지\r\n";
    for (int i = 0; i < kLotRows; ++i) {
        const Province& p = kProvinces[rng() % 17];
        const std::string township = pick(kTownships);
        const bool rural = !township.empty();
        const int first = 1 + int(rng() % 900);
        lot += code(p) + "|" + p.name + "||" + pick(benchdata::Districts()) + "||" +
               (rural ? township : pick(benchdata::Neighbourhoods())) + "||" + (rural ? pick(benchdata::Villages()) : "") +
               "|" + (rng() % 8 == 0 ? "1" : "0") + "||" + std::to_string(first) + "|0|" +
               std::to_string(first + int(rng() % 300)) + "|0\r\n";
    }
    write(folder + "/lot_range.txt", lot);
}

// The same files converted to CP949 in another folder.
void ConvertToCp949(const QString& from, const QString& to)
{
    for (const QString& name : QDir(from).entryList(QDir::Files)) {
        QFile in(from + "/" + name);
        in.open(QIODevice::ReadOnly);
        QByteArray bytes = in.readAll();
        QByteArray out(bytes.size() + 16, '\0');
        iconv_t cd = iconv_open("CP949", "UTF-8");
        char* ip = bytes.data();
        size_t il = size_t(bytes.size());
        char* op = out.data();
        size_t ol = size_t(out.size());
        const bool ok = iconv(cd, &ip, &il, &op, &ol) != size_t(-1);
        iconv_close(cd);
        if (!ok)
            throw std::runtime_error("cannot convert " + name.toStdString() + " to CP949");
        out.truncate(op - out.data());
        QFile o(to + "/" + name);
        o.open(QIODevice::WriteOnly);
        o.write(out);
    }
}

// The baseline: every line of the UTF-8 files split at '|' and seven of its fields inserted as
// they are, one transaction, then the same index as the import's.
void PlainImport(const QString& folder, const QString& target)
{
    QFile::remove(target);
    sqlite3* db = nullptr;
    benchdata::Check(sqlite3_open(target.toUtf8().constData(), &db), db, "open");
    sqlite3_exec(db, "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF;"
                     "CREATE TABLE zipcode (zipcode TEXT, sido TEXT, gugun TEXT, dong TEXT, ri TEXT, bldg TEXT,"
                     " bunji TEXT); BEGIN",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* st = nullptr;
    benchdata::Check(sqlite3_prepare_v2(db, "INSERT INTO zipcode VALUES (?, ?, ?, ?, ?, ?, ?)", -1, &st, nullptr),
                     db, "prepare");
    const int roadFields[] = {0, 1, 3, 7, 5, -1, 10};
    const int lotFields[] = {0, 1, 3, 5, 7, -1, 10};
    for (const char* name : {"/lot_range.txt", "/road_range.txt"}) {
        QFile f(folder + name);
        f.open(QIODevice::ReadOnly);
        const QByteArray bytes = f.readAll();
        const int* pickFields = std::string_view(name) == "/road_range.txt" ? roadFields : lotFields;
        std::string_view rest(bytes.constData(), size_t(bytes.size()));
        rest.remove_prefix(rest.find('\n') + 1);  // the header
        std::vector<std::string_view> fields;
        while (!rest.empty()) {
            size_t end = rest.find('\n');
            std::string_view line = rest.substr(0, end);
            rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
            if (!line.empty() && line.back() == '\r')
                line.remove_suffix(1);
            fields.clear();
            for (size_t bar; (bar = line.find('|')) != std::string_view::npos; line.remove_prefix(bar + 1))
                fields.push_back(line.substr(0, bar));
            fields.push_back(line);
            for (int c = 0; c < 7; ++c) {
                const std::string_view v = pickFields[c] < 0 ? std::string_view() : fields[size_t(pickFields[c])];
                sqlite3_bind_text(st, c + 1, v.data() ? v.data() : "", int(v.size()), SQLITE_STATIC);
            }
            benchdata::Check(sqlite3_step(st), db, "insert");
            sqlite3_reset(st);
        }
    }
    sqlite3_finalize(st);
    benchdata::Check(sqlite3_exec(db, "COMMIT; CREATE INDEX zipcode_zipcode ON zipcode (zipcode)", nullptr,
                                  nullptr, nullptr),
                     db, "commit");
    sqlite3_close(db);
}

bool RunZipimport(const QString& source, const QString& target)
{
    QProcess p;
    p.start(QCoreApplication::applicationDirPath() + "/zipimport", {source, target});
    if (!p.waitForFinished(600000) || p.exitCode() != 0) {
        std::fprintf(stderr, "zipimport failed: %s\n", p.readAllStandardError().constData());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    SetExeFolder(dir.path());
    const QString utf8 = dir.filePath("korea"), cp949 = dir.filePath("korea-cp949");
    QDir(dir.path()).mkpath("korea");
    QDir(dir.path()).mkpath("korea-cp949");
    WriteNationalFiles(utf8);
    ConvertToCp949(utf8, cp949);
    const QString target = ExeFolder() + QStringLiteral("zipcode.db");
    const QString plainTarget = dir.filePath("plain.db");

    std::printf("five-digit import benchmark: %d range rows (%d road-name, %d lot-number), %.0f MB of UTF-8,"
                " median of %d runs\n",
                kRoadRows + kLotRows, kRoadRows, kLotRows,
                double(QFileInfo(utf8 + "/road_range.txt").size() + QFileInfo(utf8 + "/lot_range.txt").size()) / 1e6,
                kImportRuns);
    std::printf("%-26s %9s %6s\n", "case", "ms", "ratio");
    bool ok = true;
    std::vector<double> plain, fromUtf8, fromCp949;
    for (int i = 0; i < kImportRuns && ok; ++i) {
        plain.push_back(ElapsedMs([&] { PlainImport(utf8, plainTarget); }));
        fromCp949.push_back(ElapsedMs([&] { ok = ok && RunZipimport(cp949, target); }));
        fromUtf8.push_back(ElapsedMs([&] { ok = ok && RunZipimport(utf8, target); }));
    }
    if (!ok)
        return 1;
    const double plainMs = Median(plain);
    std::printf("%-26s %9.1f %6.2f\n", "plain split and insert", plainMs, 1.0);
    std::printf("%-26s %9.1f %6.2f\n", "zipimport, UTF-8", Median(fromUtf8), Median(fromUtf8) / plainMs);
    std::printf("%-26s %9.1f %6.2f\n", "zipimport, CP949", Median(fromCp949), Median(fromCp949) / plainMs);
    std::printf("directory file: %.0f MB\n\n", double(QFileInfo(target).size()) / 1e6);

    testsupport::SetResponder([](const testsupport::Box& box) {
        std::fprintf(stderr, "box: %s\n", qPrintable(box.text));
        return false;
    });
    return RunEmptySearchBenchmark(kRoadRows + kLotRows, kSearchRuns);
}
