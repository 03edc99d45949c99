#pragma once
// Qt must never see an exception: every event handler runs its body through Guard, which
// ends the handler on an error and shows the default error display.
#include "store/errors.h"
#include "ui/messages.h"

#include <exception>
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
