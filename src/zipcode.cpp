#include "zipcode.h"

TForm5::TForm5() {}
void TForm5::ShowBeside() {}
