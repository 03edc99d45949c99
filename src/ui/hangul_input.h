#pragma once
// Fields in which Korean is typed ask the desktop's input method framework for Hangul input when
// they receive the focus: fcitx5 through its controller on the session bus, IBus through its own
// bus (the "hangul" engine). Where neither runs, or neither has a Hangul engine, nothing happens
// and typing works as it would without the request. Every request is asynchronous (only
// connecting to a local bus waits, once): a framework that is slow or hangs never holds up the
// window.
class QWidget;

namespace HangulInput {

enum class OnLeave {
    KeepMode,  // the mode stays as it is when the focus leaves the field
    GiveBack,  // the mode found on entering returns when the focus moves on to another control
               // of the window; moving between such fields keeps Hangul. While another window
               // or a popup has the focus, the window keeps its mode with its input context.
};

// One call per field, once; the request is made at every focus-in from then on.
void AskForHangul(QWidget* field, OnLeave leave = OnLeave::KeepMode);

}  // namespace HangulInput
