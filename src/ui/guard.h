#pragma once
// Qt must never see an exception: every event handler runs its body through Guard, which
// ends the handler on an error and shows the default error display.
#include "store/errors.h"
#include "ui/messages.h"

#include <QObject>
#include <exception>
#include <functional>
#include <type_traits>
#include <utility>

void ShowErrorOf(std::exception_ptr error) noexcept;  // the default error display for any error

template <class Body>
bool Guard(Body&& body) noexcept
{
    try {
        std::forward<Body>(body)();
        return true;
    } catch (...) {
        ShowErrorOf(std::current_exception());
        return false;
    }
}

// Connects a signal to a handler that runs through the guard: a member function of receiver
// (called without arguments) or a callable, given the signal's arguments when it takes them.
template <class Sender, class Signal, class Receiver, class Handler>
QMetaObject::Connection ConnectGuarded(Sender* sender, Signal signal, Receiver* receiver, Handler handler)
{
    if constexpr (std::is_member_function_pointer_v<Handler>) {
        return QObject::connect(sender, signal, receiver,
                                [receiver, handler] { Guard([&] { (receiver->*handler)(); }); });
    } else {
        return QObject::connect(sender, signal, receiver, [handler](auto... args) {
            Guard([&] {
                if constexpr (std::is_invocable_v<const Handler&, decltype(args)...>)
                    std::invoke(handler, args...);
                else
                    std::invoke(handler);
            });
        });
    }
}
