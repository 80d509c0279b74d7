#pragma once

#include "platform/apperror.h"

#include <functional>

/// The number of the AppError that \a body throws, or 0 when it throws none.
inline int errorNumberOf(const std::function<void()> &body)
{
    try {
        body();
    } catch (const AppError &e) {
        return e.number;
    }
    return 0;
}
