#pragma once

// Internals shared by the dataset and its filter: the expression tree, its evaluation
// against a row, and value comparison by field type.

#include "dataset.h"

#include <optional>
#include <vector>

namespace kvp {

struct Filter::Node {
    enum class Kind { Compare, And, Or, Not };
    Kind kind = Kind::Compare;
    QString field;
    Filter::Op op = Filter::Op::Eq;
    QVariant value;
    std::vector<std::shared_ptr<const Node>> children;
    // Levels below and including this node. Printing, evaluation and even destruction
    // recurse over the tree, so no filter is let deeper than kMaxDepth.
    int depth = 1;

    static constexpr int kMaxDepth = 100;
};

// Three-way comparison of two stored values of a field type; null sorts first.
int compareValues(FieldType type, const QVariant& a, const QVariant& b, bool caseInsensitive);

// A searched value converted to the field's type once per locate; nothing when it can
// never match (text that is no number against a number field).
std::optional<QVariant> locateKey(const FieldDef& field, const QVariant& wanted);
// Whether a stored value equals a key made by locateKey (locate semantics).
bool valueMatches(const FieldDef& field, const QVariant& stored, const QVariant& key,
                  bool caseInsensitive, bool partialKey);

class FilterEvaluator {
public:
    FilterEvaluator(const Filter::Node* root, const FieldDefs& fields);
    bool matches(const Row& row) const;

private:
    struct Compiled {
        Filter::Node::Kind kind;
        int field = -1;
        Filter::Op op = Filter::Op::Eq;
        QVariant value;  // already converted to the field's type
        std::vector<Compiled> children;
    };
    Compiled compile(const Filter::Node& node) const;
    bool eval(const Compiled& c, const Row& row) const;

    const FieldDefs& m_fields;
    bool m_all = true;
    Compiled m_root;
};

}  // namespace kvp
