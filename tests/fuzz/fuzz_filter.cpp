// The filter parser: a text either parses or raises DataSetError, and a parsed filter
// prints as text that parses back to the same tree (and prints the same again).

#include "datafilter_p.h"
#include "fuzzcheck.h"

using namespace kvp;

namespace {

bool sameValue(const QVariant& a, const QVariant& b)
{
    if (a.isNull() || b.isNull())
        return a.isNull() && b.isNull();
    if (a.typeId() != b.typeId())
        return false;
    if (a.typeId() == QMetaType::Double)
        return a.toDouble() == b.toDouble();
    return a.toString() == b.toString();
}

bool sameTree(const Filter::Node* a, const Filter::Node* b)
{
    if (!a || !b)
        return !a && !b;
    if (a->kind != b->kind || a->children.size() != b->children.size())
        return false;
    if (a->kind == Filter::Node::Kind::Compare)
        return a->field == b->field && a->op == b->op && sameValue(a->value, b->value);
    for (std::size_t i = 0; i < a->children.size(); ++i)
        if (!sameTree(a->children[i].get(), b->children[i].get()))
            return false;
    return true;
}

void checkRoundTrip(const QString& text)
{
    fuzz::checkRoundTrip<DataSetError>(
        text, [](const QString& t) { return Filter::parse(t); }, [](const Filter& f) { return f.text(); },
        [](const Filter& a, const Filter& b) { return sameTree(a.root(), b.root()); });
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString text = fuzz::inputText(data, size);
    checkRoundTrip(text);
    // A machine-made filter can repeat a piece thousands of times ("((((", "NOT NOT",
    // "a = 1 AND "): longer than mutations grow an input in a short run.
    if (text.size() <= 12)
        checkRoundTrip(text.repeated(5000));
    return 0;
}
