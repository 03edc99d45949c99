#include "forms.h"

#include "add.h"
#include "address.h"
#include "print.h"
#include "start.h"
#include "zipcode.h"

#include <QApplication>

TForm3* Form3 = nullptr;
TForm1* Form1 = nullptr;
TForm2* Form2 = nullptr;
TForm4* Form4 = nullptr;
TForm5* Form5 = nullptr;

void CreateForms()
{
    // The pictures live in a static library: without this the linker drops them.
    Q_INIT_RESOURCE(resources);
    // The program ends when the splash window closes, never because the last visible window did.
    QApplication::setQuitOnLastWindowClosed(false);
    Form3 = new TForm3;
    Form1 = new TForm1;
    Form2 = new TForm2;
    Form4 = new TForm4;
    Form5 = new TForm5;
}

void DestroyForms()
{
    delete Form5;
    delete Form4;
    delete Form2;
    delete Form1;
    delete Form3;
    Form5 = nullptr;
    Form4 = nullptr;
    Form2 = nullptr;
    Form1 = nullptr;
    Form3 = nullptr;
}
