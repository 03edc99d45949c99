#include "ui/guard.h"

#include <new>

void ShowErrorOf(std::exception_ptr error) noexcept
{
    // Showing the box may fail itself (out of memory); then the error is dropped rather than
    // let loose into Qt.
    try {
        try {
            std::rethrow_exception(error);
        } catch (const EError& e) {
            Messages::ShowError(e.Message());
        } catch (const std::bad_alloc&) {
            Messages::ShowError(QStringLiteral("Out of memory"));
        } catch (const std::exception& e) {
            Messages::ShowError(QString::fromLocal8Bit(e.what()));
        } catch (...) {
            Messages::ShowError(QStringLiteral("Unknown error"));
        }
    } catch (...) {
    }
}
