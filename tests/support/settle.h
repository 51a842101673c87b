#pragma once

#include <QCoreApplication>

// Lets the events a step posted (layout, show, focus, queued calls) run before the test looks.
inline void Settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}
