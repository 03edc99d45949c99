#include "ui/guard.h"

void ShowErrorOf(std::exception_ptr error) noexcept
{
    try {
        std::rethrow_exception(error);
    } catch (const EError& e) {
        Messages::ShowError(e.Message());
    } catch (const std::exception& e) {
        Messages::ShowError(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        Messages::ShowError(QStringLiteral("Unknown error"));
    }
}
