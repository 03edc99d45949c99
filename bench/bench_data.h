#pragma once
// Generated data for the benchmarks: a large address book and a large postal directory,
// plus timing and memory helpers. Header-only so every bench program can include it.
#include "store/schema.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <sqlite3.h>
#include <stdexcept>
#include <string>
#include <vector>

namespace benchdata {

inline void Check(int rc, sqlite3* db, const char* what)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw std::runtime_error(std::string(what) + ": " + (db ? sqlite3_errmsg(db) : "?"));
}

// Runs sql (several statements allowed) on the file at path.
inline void Exec(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    Check(sqlite3_open(path.toUtf8().constData(), &db), db, "open");
    Check(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), db, "exec");
    sqlite3_close(db);
}

// Runs one prepared INSERT per generated row inside a single transaction.
template <typename RowFn>
inline void Fill(const QString& path, const char* schema, const char* insert, int count, int columns,
                 RowFn makeRow)
{
    QFile::remove(path);
    sqlite3* db = nullptr;
    Check(sqlite3_open(path.toUtf8().constData(), &db), db, "open");
    Check(sqlite3_exec(db, schema, nullptr, nullptr, nullptr), db, "schema");
    Check(sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr), db, "begin");
    sqlite3_stmt* st = nullptr;
    Check(sqlite3_prepare_v2(db, insert, -1, &st, nullptr), db, "prepare");
    std::vector<std::string> values(columns);
    for (int i = 0; i < count; ++i) {
        makeRow(i, values);
        for (int c = 0; c < columns; ++c)
            sqlite3_bind_text(st, c + 1, values[c].data(), int(values[c].size()), SQLITE_STATIC);
        Check(sqlite3_step(st), db, "insert");
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
    Check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db, "commit");
    sqlite3_close(db);
}

inline const std::vector<std::string>& Surnames()
{
    static const std::vector<std::string> v = {"김", "이", "박", "최", "정", "강", "조", "윤", "장",
                                               "임", "한", "오", "서", "신", "권", "황", "안", "송",
                                               "류", "홍", "전", "고", "문", "양", "손", "배"};
    return v;
}
inline const std::vector<std::string>& GivenSyllables()
{
    static const std::vector<std::string> v = {"민", "서", "준", "지", "현", "수", "영", "우", "진",
                                               "하", "윤", "은", "혜", "성", "호", "재", "희", "정",
                                               "연", "경", "태", "동", "미", "숙", "철", "석", "훈",
                                               "나", "아", "빈", "규", "상", "원", "선", "기"};
    return v;
}
inline const std::vector<std::string>& Provinces()
{
    static const std::vector<std::string> v = {
        "서울특별시", "부산광역시", "대구광역시", "인천광역시", "광주광역시", "대전광역시",
        "울산광역시", "세종특별자치시", "경기도", "강원도", "충청북도", "충청남도",
        "전라북도", "전라남도", "경상북도", "경상남도", "제주특별자치도"};
    return v;
}
inline const std::vector<std::string>& Districts()
{
    static const std::vector<std::string> v = {
        "강남구", "서초구", "송파구", "종로구", "중구", "마포구", "해운대구", "수영구", "수성구",
        "남동구", "북구", "유성구", "서구", "동구", "수원시 팔달구", "성남시 분당구", "춘천시",
        "청주시 상당구", "천안시 동남구", "전주시 완산구", "여수시", "포항시 남구", "창원시",
        "제주시", "고양시 일산동구", "안양시 동안구", "용인시 수지구", "김해시", "구미시", "원주시"};
    return v;
}
inline const std::vector<std::string>& Neighbourhoods()
{
    static const std::vector<std::string> v = {
        "역삼동", "삼성동", "대치동", "논현동", "서초동", "반포동", "잠실동", "방이동", "청운동",
        "사직동", "명동", "회현동", "합정동", "망원동", "우동", "중동", "광안동", "범어동",
        "만촌동", "구월동", "간석동", "봉명동", "궁동", "둔산동", "월평동", "인계동", "정자동",
        "서현동", "효자동", "교동", "용암동", "신부동", "효자동", "학동", "해도동", "상남동",
        "연동", "노형동", "장항동", "평촌동", "풍덕천동", "내동", "송정동", "단구동", "신림동",
        "봉천동", "상계동", "중계동", "목동", "신정동", "화곡동", "가양동", "길동", "천호동"};
    return v;
}
inline const std::vector<std::string>& Villages()
{
    static const std::vector<std::string> v = {"", "", "", "", "", "", "상리", "하리", "중리",
                                               "신촌리", "내리", "대곡리"};
    return v;
}
inline const std::vector<std::string>& Buildings()
{
    static const std::vector<std::string> v = {"", "", "", "", "", "", "", "", "현대아파트",
                                               "삼성래미안", "롯데캐슬", "대우아파트", "주공아파트",
                                               "한신빌딩", "우성아파트"};
    return v;
}
inline const std::vector<std::string>& Categories()
{
    static const std::vector<std::string> v = {
        "가족", "친구", "회사", "거래처", "학교", "동창", "교회", "동호회", "이웃", "병원",
        "관공서", "은행", "군대", "선배", "후배", "친척", "고객", "협력사", "모임", "기타"};
    return v;
}

inline std::string Digits(std::mt19937& rng, int n)
{
    std::string s;
    for (int i = 0; i < n; ++i)
        s += char('0' + rng() % 10);
    return s;
}

// An address book of the set-up's schema with `entries` generated rows in 20 categories.
inline void MakeBenchBook(const QString& path, int entries)
{
    std::mt19937 rng(12345);
    auto pick = [&](const std::vector<std::string>& v) -> const std::string& { return v[rng() % v.size()]; };
    Fill(path,
         Schema::kAddressList,
         "INSERT INTO ADDRESS_LIST(unit,name,tel,cell,zip,address1,address2) VALUES (?,?,?,?,?,?,?)",
         entries, 7, [&](int, std::vector<std::string>& v) {
             v[0] = pick(Categories());
             v[1] = pick(Surnames()) + pick(GivenSyllables()) + pick(GivenSyllables());
             static const char* areas[] = {"02", "031", "032", "051", "053", "042", "062", "064"};
             const std::string area = areas[rng() % 8];
             v[2] = area + "-" + Digits(rng, area == "02" ? 3 + int(rng() % 2) : 3) + "-" + Digits(rng, 4);
             v[3] = "010-" + Digits(rng, 4) + "-" + Digits(rng, 4);
             v[4] = Digits(rng, 3) + "-" + Digits(rng, 3);
             v[5] = pick(Provinces()) + " " + pick(Districts()) + " " + pick(Neighbourhoods());
             v[6] = std::to_string(1 + rng() % 999) + "-" + std::to_string(1 + rng() % 50) + "번지 " +
                    std::to_string(1 + rng() % 20) + "층";
         });
}

// A postal directory (table zipcode, seven text columns) with `rows` generated rows.
inline void MakeBenchZipcodes(const QString& path, int rows)
{
    std::mt19937 rng(54321);
    auto pick = [&](const std::vector<std::string>& v) -> const std::string& { return v[rng() % v.size()]; };
    Fill(path,
         "CREATE TABLE zipcode (zipcode TEXT, sido TEXT, gugun TEXT, dong TEXT, ri TEXT, bldg TEXT,"
         " bunji TEXT)",
         "INSERT INTO zipcode(zipcode,sido,gugun,dong,ri,bldg,bunji) VALUES (?,?,?,?,?,?,?)", rows, 7,
         [&](int i, std::vector<std::string>& v) {
             char zip[16];
             std::snprintf(zip, sizeof zip, "%03d-%03d", 100 + (i / 1000) % 900, i % 1000);
             v[0] = zip;
             v[1] = pick(Provinces());
             v[2] = pick(Districts());
             v[3] = pick(Neighbourhoods());
             v[4] = pick(Villages());
             v[5] = pick(Buildings());
             const int lot = 1 + int(rng() % 900);
             v[6] = rng() % 3 == 0 ? "" : std::to_string(lot) + "~" + std::to_string(lot + 1 + rng() % 40);
         });
}

// Median of a set of times; the mean of the middle two for an even count.
inline double Median(std::vector<double> times)
{
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    if (n == 0)
        return 0;
    return n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
}

// Wall time of one call of f, in milliseconds.
inline double ElapsedMs(const std::function<void()>& f)
{
    const auto t0 = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
}

// Median wall time of `runs` calls of f, in milliseconds.
inline double MedianMs(const std::function<void()>& f, int runs)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i)
        times.push_back(ElapsedMs(f));
    return Median(std::move(times));
}

// The process's peak resident memory in kB (VmHWM), or -1 when unknown.
inline long PeakRssKb()
{
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f)
        return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, f)) {
        if (std::strncmp(line, "VmHWM:", 6) == 0) {
            kb = std::strtol(line + 6, nullptr, 10);
            break;
        }
    }
    std::fclose(f);
    return kb;
}

}  // namespace benchdata

using benchdata::MakeBenchBook;
using benchdata::MakeBenchZipcodes;
using benchdata::MedianMs;
using benchdata::PeakRssKb;
using benchdata::ElapsedMs;
using benchdata::Median;
