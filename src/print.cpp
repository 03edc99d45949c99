#include "print.h"

TForm4::TForm4() {}
void TForm4::PreviewLabels() {}
