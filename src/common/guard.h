#pragma once
// The general error display: a handler runs through guarded(); a failure that it does not catch
// itself is shown with the failing layer's own text, the handler stops there and the program
// goes on.
#include "common/dialogs.h"
#include "common/errors.h"

#include <exception>
#include <utility>

template<typename F>
bool guarded(F &&handler)
{
    try {
        std::forward<F>(handler)();
        return true;
    } catch (const VelmoraError &e) {
        Dialogs::error(e.text());
    } catch (const std::exception &e) {
        Dialogs::error(QString::fromUtf8(e.what()));
    }
    return false;
}
