#include "add.h"

TForm2::TForm2() {}
void TForm2::OpenForNew() {}
void TForm2::OpenForEdit() {}
void TForm2::SetZipText(const QString&) {}
void TForm2::SetAddress1Text(const QString&) {}
void TForm2::FocusAddress2() {}
