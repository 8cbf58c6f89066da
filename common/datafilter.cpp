#include "datafilter_p.h"
#include "names.h"

#include <algorithm>

namespace kvp {

namespace {

bool isBlank(const QVariant& v)
{
    return v.isNull() || (v.typeId() == QMetaType::QString && v.toString().isEmpty());
}

QString opText(Filter::Op op)
{
    switch (op) {
    case Filter::Op::Eq: return QStringLiteral("=");
    case Filter::Op::Ne: return QStringLiteral("<>");
    case Filter::Op::Lt: return QStringLiteral("<");
    case Filter::Op::Le: return QStringLiteral("<=");
    case Filter::Op::Gt: return QStringLiteral(">");
    case Filter::Op::Ge: return QStringLiteral(">=");
    case Filter::Op::IsNull: return QStringLiteral("IS NULL");
    case Filter::Op::NotNull: return QStringLiteral("IS NOT NULL");
    }
    return {};
}

QString valueText(const QVariant& v)
{
    if (v.isNull())
        return QStringLiteral("NULL");  // '' would read back as an empty text, not null
    if (v.typeId() == QMetaType::Double || v.typeId() == QMetaType::Int ||
        v.typeId() == QMetaType::LongLong)
        return v.toString();
    QString s = v.typeId() == QMetaType::QDateTime ? v.toDateTime().toString(Qt::ISODate) : v.toString();
    s.replace(QLatin1Char('\''), QStringLiteral("''"));
    return QLatin1Char('\'') + s + QLatin1Char('\'');
}

bool isNameChar(QChar c) { return c.isLetterOrNumber() || c == QLatin1Char('_'); }

// A field name as the parser reads it back: bare when it is a plain word that is no
// keyword, otherwise in brackets with "]" doubled.
QString fieldText(const QString& name)
{
    static const QStringList keywords{QStringLiteral("AND"), QStringLiteral("OR"), QStringLiteral("NOT"),
                                      QStringLiteral("IS"), QStringLiteral("NULL")};
    const bool plain = !name.isEmpty() && std::all_of(name.begin(), name.end(), isNameChar) &&
                       !keywords.contains(name, Qt::CaseInsensitive);
    if (plain)
        return name;
    QString escaped = name;
    escaped.replace(QLatin1Char(']'), QStringLiteral("]]"));
    return QLatin1Char('[') + escaped + QLatin1Char(']');
}

QString nodeText(const Filter::Node& n, bool nested)
{
    switch (n.kind) {
    case Filter::Node::Kind::Compare:
        if (n.op == Filter::Op::IsNull || n.op == Filter::Op::NotNull)
            return fieldText(n.field) + QLatin1Char(' ') + opText(n.op);
        return fieldText(n.field) + QLatin1Char(' ') + opText(n.op) + QLatin1Char(' ') + valueText(n.value);
    case Filter::Node::Kind::Not:
        return QStringLiteral("NOT ") + nodeText(*n.children.front(), true);
    case Filter::Node::Kind::And:
    case Filter::Node::Kind::Or: {
        QStringList parts;
        for (const auto& c : n.children)
            parts << nodeText(*c, true);
        const QString joined =
            parts.join(n.kind == Filter::Node::Kind::And ? QStringLiteral(" AND ") : QStringLiteral(" OR "));
        return nested ? QLatin1Char('(') + joined + QLatin1Char(')') : joined;
    }
    }
    return {};
}

using NodePtr = std::shared_ptr<const Filter::Node>;

// A node over children, or nothing when it would nest deeper than a filter may.
std::shared_ptr<Filter::Node> group(Filter::Node::Kind kind, std::vector<NodePtr> children)
{
    auto n = std::make_shared<Filter::Node>();
    n->kind = kind;
    for (const NodePtr& c : children)
        n->depth = std::max(n->depth, c->depth + 1);
    if (n->depth > Filter::Node::kMaxDepth)
        return nullptr;
    n->children = std::move(children);
    return n;
}

QString tooDeep()
{
    return QStringLiteral("the filter nests more than %1 levels deep").arg(Filter::Node::kMaxDepth);
}

// --- Parser for the filter text: comparisons joined with AND / OR / NOT and brackets.
class Parser {
public:
    explicit Parser(const QString& text) : m_text(text) {}

    std::shared_ptr<const Filter::Node> parse()
    {
        skipSpace();
        if (atEnd())
            return nullptr;
        auto n = parseOr();
        skipSpace();
        if (!atEnd())
            fail(QStringLiteral("unexpected '%1'").arg(m_text.mid(m_pos, 10)));
        return n;
    }

private:
    [[noreturn]] void fail(const QString& why) const
    {
        // A machine-made text can be huge; the start of it is enough to find it.
        constexpr qsizetype kShown = 120;
        const QString shown =
            m_text.size() > kShown ? m_text.left(kShown) + QStringLiteral("...") : m_text;
        throw DataSetError(QStringLiteral("Invalid filter \"%1\" at position %2: %3")
                               .arg(shown)
                               .arg(m_pos + 1)
                               .arg(why));
    }

    bool atEnd() const { return m_pos >= m_text.size(); }
    void skipSpace()
    {
        while (!atEnd() && m_text[m_pos].isSpace())
            ++m_pos;
    }

    bool keyword(const char* word)
    {
        skipSpace();
        const QString w = QString::fromLatin1(word);
        if (m_text.mid(m_pos, w.size()).compare(w, Qt::CaseInsensitive) != 0)
            return false;
        const qsizetype end = m_pos + w.size();
        if (end < m_text.size() && isNameChar(m_text[end]))
            return false;
        m_pos = end;
        return true;
    }

    NodePtr make(Filter::Node::Kind kind, std::vector<NodePtr> children)
    {
        NodePtr n = group(kind, std::move(children));
        if (!n)
            fail(tooDeep());
        return n;
    }

    // A chain "a AND b AND c" is one node with three terms, so a long chain costs no depth.
    NodePtr parseOr()
    {
        std::vector<NodePtr> terms{parseAnd()};
        while (keyword("OR"))
            terms.push_back(parseAnd());
        return terms.size() == 1 ? terms.front() : make(Filter::Node::Kind::Or, std::move(terms));
    }

    NodePtr parseAnd()
    {
        std::vector<NodePtr> terms{parseUnary()};
        while (keyword("AND"))
            terms.push_back(parseUnary());
        return terms.size() == 1 ? terms.front() : make(Filter::Node::Kind::And, std::move(terms));
    }

    // NOT and brackets recurse; the count stops a machine-made text before the stack does.
    void enter()
    {
        if (++m_nesting > Filter::Node::kMaxDepth)
            fail(tooDeep());
    }

    NodePtr parseUnary()
    {
        if (keyword("NOT")) {
            enter();
            NodePtr n = make(Filter::Node::Kind::Not, {parseUnary()});
            --m_nesting;
            return n;
        }
        skipSpace();
        if (!atEnd() && m_text[m_pos] == QLatin1Char('(')) {
            enter();
            ++m_pos;
            NodePtr inner = parseOr();
            skipSpace();
            if (atEnd() || m_text[m_pos] != QLatin1Char(')'))
                fail(QStringLiteral("missing ')'"));
            ++m_pos;
            --m_nesting;
            return inner;
        }
        return parseComparison();
    }

    QString identifier()
    {
        skipSpace();
        const qsizetype start = m_pos;
        if (!atEnd() && m_text[m_pos] == QLatin1Char('[')) {
            // "]]" inside the brackets is one "]".
            QString name;
            for (++m_pos;; ++m_pos) {
                if (atEnd())
                    fail(QStringLiteral("missing ']'"));
                if (m_text[m_pos] == QLatin1Char(']')) {
                    if (m_pos + 1 < m_text.size() && m_text[m_pos + 1] == QLatin1Char(']')) {
                        ++m_pos;
                    } else {
                        ++m_pos;
                        return name;
                    }
                }
                name += m_text[m_pos];
            }
        }
        while (!atEnd() && isNameChar(m_text[m_pos]))
            ++m_pos;
        if (m_pos == start)
            fail(QStringLiteral("a field name was expected"));
        return m_text.mid(start, m_pos - start);
    }

    NodePtr parseComparison()
    {
        auto n = std::make_shared<Filter::Node>();
        n->kind = Filter::Node::Kind::Compare;
        n->field = identifier();
        if (keyword("IS")) {
            const bool negated = keyword("NOT");
            if (!keyword("NULL"))
                fail(QStringLiteral("NULL expected after IS"));
            n->op = negated ? Filter::Op::NotNull : Filter::Op::IsNull;
            return n;
        }
        skipSpace();
        static const struct {
            const char* text;
            Filter::Op op;
        } ops[] = {{"<>", Filter::Op::Ne}, {"<=", Filter::Op::Le}, {">=", Filter::Op::Ge},
                   {"!=", Filter::Op::Ne}, {"=", Filter::Op::Eq},  {"<", Filter::Op::Lt},
                   {">", Filter::Op::Gt}};
        bool found = false;
        for (const auto& o : ops) {
            const QString t = QString::fromLatin1(o.text);
            if (m_text.mid(m_pos, t.size()) == t) {
                n->op = o.op;
                m_pos += t.size();
                found = true;
                break;
            }
        }
        if (!found)
            fail(QStringLiteral("a comparison operator was expected"));
        n->value = literal();
        return n;
    }

    QVariant literal()
    {
        skipSpace();
        if (atEnd())
            fail(QStringLiteral("a value was expected"));
        if (m_text[m_pos] == QLatin1Char('\'')) {
            QString out;
            ++m_pos;
            for (;;) {
                if (atEnd())
                    fail(QStringLiteral("unterminated quoted value"));
                const QChar c = m_text[m_pos++];
                if (c == QLatin1Char('\'')) {
                    if (!atEnd() && m_text[m_pos] == QLatin1Char('\'')) {
                        out += QLatin1Char('\'');
                        ++m_pos;
                        continue;
                    }
                    break;
                }
                out += c;
            }
            return out;
        }
        if (keyword("NULL"))
            return {};
        const qsizetype start = m_pos;
        // Digits, sign, point and an exponent: the forms a number is printed in.
        while (!atEnd() && (m_text[m_pos].isDigit() || m_text[m_pos] == QLatin1Char('.') ||
                            m_text[m_pos] == QLatin1Char('-') || m_text[m_pos] == QLatin1Char('+') ||
                            (m_pos > start && (m_text[m_pos] == QLatin1Char('e') ||
                                               m_text[m_pos] == QLatin1Char('E')))))
            ++m_pos;
        bool ok = false;
        const double v = m_text.mid(start, m_pos - start).toDouble(&ok);
        if (!ok)
            fail(QStringLiteral("a quoted text or a number was expected"));
        return v;
    }

    const QString& m_text;
    qsizetype m_pos = 0;
    int m_nesting = 0;
};

}  // namespace

int compareValues(FieldType type, const QVariant& a, const QVariant& b, bool caseInsensitive)
{
    const bool an = a.isNull(), bn = b.isNull();
    if (an || bn)
        return an == bn ? 0 : (an ? -1 : 1);
    switch (type) {
    case FieldType::Float:
    case FieldType::Integer: {
        const double x = a.toDouble(), y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case FieldType::Boolean: {
        const int x = a.toBool() ? 1 : 0, y = b.toBool() ? 1 : 0;
        return x - y;
    }
    case FieldType::DateTime: {
        const QDateTime x = a.toDateTime(), y = b.toDateTime();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    case FieldType::String:
    case FieldType::Blob:
        break;
    }
    const int c = a.toString().compare(b.toString(), caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

std::optional<QVariant> locateKey(const FieldDef& field, const QVariant& wanted)
{
    if (isBlank(wanted))
        return QVariant();
    try {
        return coerceToField(field, wanted);
    } catch (const DataSetError&) {
        return std::nullopt;  // a text that is no number never equals a number
    }
}

bool valueMatches(const FieldDef& field, const QVariant& stored, const QVariant& w,
                  bool caseInsensitive, bool partialKey)
{
    if (isBlank(w))
        return isBlank(stored);
    if (stored.isNull())
        return false;
    if ((field.type == FieldType::String || field.type == FieldType::Blob) && partialKey)
        return stored.toString().startsWith(w.toString(), caseInsensitive ? Qt::CaseInsensitive : Qt::CaseSensitive);
    return compareValues(field.type, stored, w, caseInsensitive) == 0;
}

// --- Filter -----------------------------------------------------------------------------

Filter::Filter() = default;

Filter Filter::parse(const QString& text)
{
    Filter f;
    f.m_root = Parser(text).parse();
    return f;
}

Filter Filter::compare(const QString& field, Op op, const QVariant& value)
{
    auto n = std::make_shared<Node>();
    n->kind = Node::Kind::Compare;
    n->field = field;
    n->op = op;
    n->value = value;
    Filter f;
    f.m_root = n;
    return f;
}

namespace {

// Terms of a node of that kind, or the node itself: and-ing two ANDs gives one AND.
void appendTerms(std::vector<NodePtr>& out, const NodePtr& n, Filter::Node::Kind kind)
{
    if (n->kind == kind)
        out.insert(out.end(), n->children.begin(), n->children.end());
    else
        out.push_back(n);
}

}  // namespace

Filter Filter::combined(bool conjunction, const Filter& other) const
{
    const Node::Kind kind = conjunction ? Node::Kind::And : Node::Kind::Or;
    std::vector<NodePtr> terms;
    appendTerms(terms, m_root, kind);
    appendTerms(terms, other.m_root, kind);  // trees are immutable, so sharing is safe
    Filter f;
    f.m_root = group(kind, std::move(terms));
    if (!f.m_root)
        throw DataSetError(QStringLiteral("Invalid filter: %1").arg(tooDeep()));
    return f;
}

Filter Filter::and_(const Filter& other) const
{
    if (isEmpty())
        return other;
    if (other.isEmpty())
        return *this;
    return combined(true, other);
}

Filter Filter::or_(const Filter& other) const
{
    if (isEmpty() || other.isEmpty())
        return Filter();  // "anything or X" is anything
    return combined(false, other);
}

bool Filter::isEmpty() const { return !m_root; }
QString Filter::text() const { return m_root ? nodeText(*m_root, false) : QString(); }

// --- Evaluation -------------------------------------------------------------------------

FilterEvaluator::FilterEvaluator(const Filter::Node* root, const FieldDefs& fields) : m_fields(fields)
{
    if (root) {
        m_all = false;
        m_root = compile(*root);
    }
}

FilterEvaluator::Compiled FilterEvaluator::compile(const Filter::Node& node) const
{
    Compiled c;
    c.kind = node.kind;
    if (node.kind != Filter::Node::Kind::Compare) {
        for (const auto& child : node.children)
            c.children.push_back(compile(*child));
        return c;
    }
    for (int i = 0; i < m_fields.size(); ++i)
        if (sameName(m_fields[i].name, node.field))
            c.field = i;
    if (c.field < 0)
        throw DataSetError(QStringLiteral("Filter names unknown field '%1'").arg(node.field));
    c.op = node.op;
    if (node.op != Filter::Op::IsNull && node.op != Filter::Op::NotNull) {
        try {
            const FieldDef& field = m_fields[c.field];
            // A text longer than the field's width is still a text: no value of the field
            // equals it (a customer code of 11 digits against campaigns keyed by 10).
            if (field.type == FieldType::String && node.value.typeId() == QMetaType::QString) {
                FieldDef open = field;
                open.size = 0;
                c.value = coerceToField(open, node.value);
            } else {
                c.value = coerceToField(field, node.value);
            }
        } catch (const DataSetError&) {
            throw DataSetError(QStringLiteral("Filter compares field '%1' with '%2', which is not of its type")
                                   .arg(node.field, node.value.toString()));
        }
    }
    return c;
}

bool FilterEvaluator::matches(const Row& row) const { return m_all || eval(m_root, row); }

bool FilterEvaluator::eval(const Compiled& c, const Row& row) const
{
    switch (c.kind) {
    case Filter::Node::Kind::And:
        for (const Compiled& ch : c.children)
            if (!eval(ch, row))
                return false;
        return true;
    case Filter::Node::Kind::Or:
        for (const Compiled& ch : c.children)
            if (eval(ch, row))
                return true;
        return false;
    case Filter::Node::Kind::Not:
        return !eval(c.children.front(), row);
    case Filter::Node::Kind::Compare:
        break;
    }
    const QVariant& v = row[c.field];
    switch (c.op) {
    case Filter::Op::IsNull: return isBlank(v);
    case Filter::Op::NotNull: return !isBlank(v);
    default: break;
    }
    // A blank value compared with a blank literal counts as equal; otherwise a null
    // field fails every comparison, as in SQL.
    if (v.isNull() || c.value.isNull()) {
        const bool both = isBlank(v) && isBlank(c.value);
        return c.op == Filter::Op::Eq ? both : (c.op == Filter::Op::Ne ? !both : false);
    }
    const int cmp = compareValues(m_fields[c.field].type, v, c.value, false);
    switch (c.op) {
    case Filter::Op::Eq: return cmp == 0;
    case Filter::Op::Ne: return cmp != 0;
    case Filter::Op::Lt: return cmp < 0;
    case Filter::Op::Le: return cmp <= 0;
    case Filter::Op::Gt: return cmp > 0;
    case Filter::Op::Ge: return cmp >= 0;
    default: return false;
    }
}

}  // namespace kvp
