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
    const QString text = fuzz::inputText(data, size);
    ConnectionSettings settings;
    try {
        settings = ConnectionSettings::parse(text);
    } catch (const ConnectionStringError&) {
        return 0;
    }
    const QString written = settings.toString();
    ConnectionSettings again;
    try {
        again = ConnectionSettings::parse(written);
    } catch (const ConnectionStringError& e) {
        fuzz::broken("written settings parse", written, e.message());
    }
    fuzz::check(same(settings, again), "written settings parse to the same settings", text, written);
    fuzz::check(again.toString() == written, "settings write the same twice", written, again.toString());
    return 0;
}
