#pragma once

#include "platform/apperror.h"
#include "platform/prompts.h"

/// Tells the user about an error that no procedure trapped; the program keeps running.
inline void reportUntrapped(Prompts &prompts, const AppError &e)
{
    prompts.message(QStringLiteral("Run-time error '%1':\n\n%2").arg(e.number).arg(e.description));
}

/// Runs the body of a Qt entry point (slot, event handler): an exception must not leave it.
template <typename Body> void guarded(Prompts &prompts, Body &&body) noexcept
{
    try {
        body();
    } catch (...) {
        reportUntrapped(prompts, AppError::fromCurrentException());
    }
}
