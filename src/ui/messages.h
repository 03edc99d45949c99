#pragma once
// Every message box of the program goes through here: one place for captions, icons, owners.
#include <QString>
#include <QStringList>

namespace Messages {

// The executable's file name up to its first dot, every character after the first lower-cased.
QString ApplicationTitle();
// The same rule for a given file name; the first character stays as it is ("addressbook" gives
// "addressbook", "ADDRESSBOOK" gives "Addressbook").
QString TitleOf(const QString& fileName);
// The error's text with a full stop appended when its last character's code is above 46.
QString WithFullStop(const QString& text);

// Every box but the delete question belongs to the program's active window (the modal dialog in
// front when there is one), stacks above it and blocks the other windows until it is answered.

// The default error display: caption ApplicationTitle(), error icon, one OK button.
// Carriage returns in text show as line breaks.
void ShowError(const QString& text);
// The plain message: the text, one OK button, no icon, caption ApplicationTitle().
void ShowPlain(const QString& text);
// The information box: caption "Information", information icon, one "OK" button.
void ShowInformation(const QString& text);
// The delete question: a Yes/No box with its own caption, no owner window and no icon, which
// blocks no other window. Returns when answered; true for Yes.
bool AskYesNo(const QString& text, const QString& caption);

// File dialogs, owned by the window in front as the boxes are. filter as QFileDialog takes it.
// The files chosen to read; empty when cancelled.
QStringList AskOpenFiles(const QString& caption, const QString& filter);
// The file to write (the dialog has asked before replacing one); empty when cancelled.
QString AskSaveFile(const QString& caption, const QString& filter);

}  // namespace Messages
