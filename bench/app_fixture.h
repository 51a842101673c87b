#pragma once

// An object of the window benchmarks (a catalogue, the data module, a window), made on first use,
// after the application object, and destroyed before it: widgets must not outlive it.

#include <QCoreApplication>

#include <memory>

template <class T> T& AppFixture()
{
    static std::unique_ptr<T> object;
    if (!object) {
        object = std::make_unique<T>();
        qAddPostRoutine([] { object.reset(); });
    }
    return *object;
}
