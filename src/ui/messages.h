#pragma once
// Every message box of the program goes through here, so that tests can answer them.
#include <QString>
#include <functional>

namespace Messages {

// The executable's file name up to its first dot, every character after the first lower-cased.
QString ApplicationTitle();
// The same rule for a given file name; the first character is capitalised ("addressbook" gives
// "Addressbook").
QString TitleOf(const QString& fileName);
// The error's text with a full stop appended when its last character's code is above 46.
QString WithFullStop(const QString& text);

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

// What a box would show, for tests.
struct Box {
    enum Kind { Error, Plain, Information, Question } kind;
    QString caption;
    QString text;       // as shown (line breaks, full stop applied)
};
// With a responder installed no real box opens: the responder sees each box and, for a
// question, returns the answer (true for Yes). Pass nullptr to restore real boxes.
using Responder = std::function<bool(const Box&)>;
void SetResponder(Responder responder);

}  // namespace Messages
