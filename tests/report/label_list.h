#pragma once
// A list as the main window's grid holds it, for the label report's tests.
#include "report/label_source.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

struct LabelEntry {
    QString name;
    QString zip;
    QString address;
};

class LabelList : public LabelSource {
public:
    LabelList() = default;
    explicit LabelList(std::vector<LabelEntry> entries) : entries(std::move(entries)) {}

    // n entries named 이름1, 이름2, ... with postal codes and one-line addresses.
    static LabelList Numbered(int n)
    {
        LabelList list;
        for (int i = 1; i <= n; ++i)
            list.entries.push_back({QStringLiteral("이름%1").arg(i), QStringLiteral("%1-%2").arg(100 + i).arg(200 + i),
                                    QStringLiteral("서울특별시 강남구 역삼동 %1-%2").arg(i).arg(i + 1)});
        return list;
    }

    int RowCount() const override { return int(entries.size()) + 1; }

    QString Cell(int column, int row) const override
    {
        if (onRead)
            onRead(column, row);
        if (row == 0) {
            static const QStringList headers = {"번호", "   소속", "  이름", "전화번호", "핸드폰번호", "우편번호",
                                                "             주소", "", ""};
            return column < headers.size() ? headers[column] : QString();
        }
        if (row < 1 || row > int(entries.size()))
            return {};
        const LabelEntry& e = entries[row - 1];
        switch (column) {
        case 0: return QString::number(row);
        case 1: return QStringLiteral("친구");
        case 2: return e.name;
        case 3: return QStringLiteral("02-555-1234");
        case 4: return QStringLiteral("010-1234-5678");
        case 5: return e.zip;
        case 6: return e.address;
        case 8: return QString::number(1000 + row);
        default: return {};
        }
    }

    std::vector<LabelEntry> entries;
    std::function<void(int column, int row)> onRead;  // sees every cell read
};
