#pragma once

// What every fuzz target shares: the input as text, and a check that stops the run (so
// libFuzzer keeps the input as a crash) with the texts that disagreed.

#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace kvp::fuzz {

inline QString inputText(const std::uint8_t* data, std::size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

[[noreturn]] inline void broken(const char* property, const QString& first, const QString& second)
{
    std::fprintf(stderr, "property broken: %s\n--- first:\n%s\n--- second:\n%s\n", property,
                 first.toUtf8().constData(), second.toUtf8().constData());
    std::abort();
}

inline void check(bool holds, const char* property, const QString& first, const QString& second = {})
{
    if (!holds)
        broken(property, first, second);
}

}  // namespace kvp::fuzz
