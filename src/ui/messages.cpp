#include "ui/messages.h"

// Placeholder until the message module is written.
namespace Messages {
QString ApplicationTitle() { return {}; }
QString WithFullStop(const QString& text) { return text; }
void ShowError(const QString&) {}
void ShowPlain(const QString&) {}
void ShowInformation(const QString&) {}
bool AskYesNo(const QString&, const QString&) { return false; }
void SetResponder(Responder) {}
}  // namespace Messages
