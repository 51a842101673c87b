#pragma once

#include <QCoreApplication>
#include <QTest>

// Lets the events a step posted (layout, show, focus, queued calls) run before the test looks.
inline void Settle()
{
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// Runs the event loop until the condition holds. The deadline only ends a wait that fails: it is
// long, so that a loaded machine cannot fail a wait that would come true.
template <typename Condition>
[[nodiscard]] bool WaitUntil(Condition condition, int deadlineMs = 30'000)
{
    return QTest::qWaitFor(condition, deadlineMs);
}
