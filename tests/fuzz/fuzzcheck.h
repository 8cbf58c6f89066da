#pragma once

// What every fuzz target shares: the input as text, and a check that stops the run (so
// libFuzzer keeps the input as a crash) with the texts that disagreed.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

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

inline QString asText(const QString& text) { return text; }
inline QString asText(const QByteArray& bytes) { return QString::fromUtf8(bytes); }

// The round trip of a reader with a writer: when input reads (read raises Error when it
// does not), what is written from it reads back the same and writes the same again.
template <typename Error, typename Text, typename Read, typename Write, typename Same>
void checkRoundTrip(const Text& input, Read read, Write write, Same same)
{
    using Value = decltype(read(input));
    std::optional<Value> first, again;
    try {
        first = read(input);
    } catch (const Error&) {
        return;
    }
    const Text written = write(*first);
    try {
        again = read(written);
    } catch (const Error& e) {
        broken("what is written reads back", asText(written), QString::fromUtf8(e.what()));
    }
    check(same(*first, *again), "what is written reads back the same", asText(input), asText(written));
    check(write(*again) == written, "it writes the same twice", asText(written), asText(write(*again)));
}

}  // namespace kvp::fuzz
