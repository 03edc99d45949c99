#include "address.h"

namespace {
class EmptyList : public LabelSource {
public:
    int RowCount() const override { return 2; }
    QString Cell(int, int) const override { return {}; }
};
}  // namespace

TForm1::TForm1() {}
void TForm1::RefreshList(int) {}
QString TForm1::SelectedNum() const { return {}; }
void TForm1::LoadCategories() {}
void TForm1::CheckDatabase() {}
const LabelSource& TForm1::List() const
{
    static EmptyList list;
    return list;
}
