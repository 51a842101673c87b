#pragma once

// Property checks for the fuzz targets: a broken property aborts with its text, so libFuzzer keeps
// the input that broke it.

#include <QByteArrayView>

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition)                                                                   \
    do {                                                                                        \
        if (!(condition)) {                                                                     \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                       \
        }                                                                                       \
    } while (false)

inline QByteArrayView FuzzBytes(const unsigned char* data, size_t size)
{
    return QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size));
}
