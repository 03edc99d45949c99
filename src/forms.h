#pragma once
// The five windows, one instance each, reachable process-wide.
class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;

extern TForm3* Form3;  // splash window, the application's main form
extern TForm1* Form1;  // main window
extern TForm2* Form2;  // entry dialog
extern TForm4* Form4;  // label report holder, never shown
extern TForm5* Form5;  // postal code search window

// Creates the windows hidden, in the order TForm3, TForm1, TForm2, TForm4, TForm5.
void CreateForms();
void DestroyForms();
