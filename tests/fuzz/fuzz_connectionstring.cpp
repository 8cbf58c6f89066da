// The connection-string parser: a text either parses or raises ConnectionStringError,
// and the settings, written as text, parse back to the same settings.

#include "connectionstring.h"
#include "fuzzcheck.h"

using namespace kvp;

namespace {

bool same(const ConnectionSettings& a, const ConnectionSettings& b)
{
    return a.driver == b.driver && a.database == b.database && a.host == b.host && a.port == b.port &&
           a.user == b.user && a.password == b.password && a.options == b.options;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::checkRoundTrip<ConnectionStringError>(
        fuzz::inputText(data, size), [](const QString& t) { return ConnectionSettings::parse(t); },
        [](const ConnectionSettings& s) { return s.toString(); }, same);
    return 0;
}
