#pragma once
// Fields in which Korean is typed ask the desktop's input method framework for Hangul input when
// they receive the focus: fcitx5 through its controller on the session bus, IBus through its own
// bus (the "hangul" engine). Where neither runs, or neither has a Hangul engine, nothing happens
// and typing works as it would without the request. Every call is asynchronous: a framework
// that is slow or hangs never holds up the window.
class QWidget;

namespace HangulInput {

enum class OnLeave {
    KeepMode,  // the mode stays Hangul after the field loses the focus
    GiveBack,  // the mode found on entering the field returns when the focus leaves it for a
               // field of the same window that does not give back, or for another window's
               // field by the user's choice; moving between such fields keeps it
};

// One call per field, once; the request is made at every focus-in from then on.
void AskForHangul(QWidget* field, OnLeave leave = OnLeave::KeepMode);

}  // namespace HangulInput
