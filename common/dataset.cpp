#include "dataset.h"

#include "datafilter_p.h"
#include "names.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

namespace kvp {

DataSetError::DataSetError(const QString& message) : std::runtime_error(message.toStdString()) {}

namespace {
FieldDef makeField(const QString& name, FieldType type, int size)
{
    FieldDef f;
    f.name = name;
    f.type = type;
    f.size = size;
    return f;
}
}  // namespace

FieldDef stringField(const QString& name, int size) { return makeField(name, FieldType::String, size); }
FieldDef floatField(const QString& name) { return makeField(name, FieldType::Float, 0); }
FieldDef integerField(const QString& name) { return makeField(name, FieldType::Integer, 0); }
FieldDef dateTimeField(const QString& name) { return makeField(name, FieldType::DateTime, 0); }
FieldDef blobField(const QString& name) { return makeField(name, FieldType::Blob, 0); }
FieldDef booleanField(const QString& name) { return makeField(name, FieldType::Boolean, 0); }

namespace {

double textToDouble(const FieldDef& field, const QString& text)
{
    bool ok = false;
    QString t = text.trimmed();
    double v = t.toDouble(&ok);
    if (!ok) {
        t.replace(QLatin1Char(','), QLatin1Char('.'));
        v = t.toDouble(&ok);
    }
    if (!ok)
        throw DataSetError(QStringLiteral("'%1' is not a valid number for field %2").arg(text, field.name));
    return v;
}

// Infinity and NaN pass every comparison a price or amount is checked with (NaN is
// neither above nor below zero) and would be sold as such.
double finite(const FieldDef& field, double v)
{
    if (!std::isfinite(v))
        throw DataSetError(QStringLiteral("'%1' is not a finite number for field %2")
                               .arg(QString::number(v), field.name));
    return v;
}

// An integer field takes a whole number in its range, or refuses it: rounding 3.7 or
// wrapping 3000000000 would store another value than the shop's.
int wholeNumber(const FieldDef& field, double v, const QString& text)
{
    if (!std::isfinite(v) || v != std::trunc(v) || v < std::numeric_limits<int>::min() ||
        v > std::numeric_limits<int>::max())
        throw DataSetError(QStringLiteral("'%1' is not a whole number that fits integer field %2")
                               .arg(text, field.name));
    return static_cast<int>(v);
}

}  // namespace

int characterCount(const QString& text)
{
    int n = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++n)
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
    return n;
}

QVariant coerceToField(const FieldDef& field, const QVariant& value)
{
    if (value.isNull() || !value.isValid())
        return {};
    switch (field.type) {
    case FieldType::String: {
        QString s = value.typeId() == QMetaType::QDateTime
                        ? value.toDateTime().toString(Qt::ISODate)
                        : value.toString();
        // Cutting would hand on a different code or name than the shop's: refuse instead.
        if (field.size > 0 && s.size() > field.size && characterCount(s) > field.size)
            throw DataSetError(QStringLiteral("Value '%1' does not fit field %2 (%3 characters at most)")
                                   .arg(s, field.name)
                                   .arg(field.size));
        return s;
    }
    case FieldType::Blob:
        if (value.typeId() == QMetaType::QByteArray)
            return QString::fromUtf8(value.toByteArray());
        return value.toString();
    case FieldType::Float: {
        if (value.typeId() == QMetaType::QString) {
            const QString s = value.toString();
            if (s.trimmed().isEmpty())
                return {};
            return finite(field, textToDouble(field, s));
        }
        bool ok = false;
        const double v = value.toDouble(&ok);
        if (!ok)
            throw DataSetError(QStringLiteral("Value is not a number for field %1").arg(field.name));
        return finite(field, v);
    }
    case FieldType::Integer: {
        if (value.typeId() == QMetaType::QString) {
            const QString s = value.toString();
            if (s.trimmed().isEmpty())
                return {};
            bool ok = false;
            const int v = s.trimmed().toInt(&ok);
            if (ok)
                return v;
            return wholeNumber(field, textToDouble(field, s), s);
        }
        if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float)
            return wholeNumber(field, value.toDouble(), value.toString());
        bool ok = false;
        const qlonglong v = value.toLongLong(&ok);
        if (!ok)
            throw DataSetError(QStringLiteral("Value is not an integer for field %1").arg(field.name));
        return wholeNumber(field, static_cast<double>(v), value.toString());
    }
    case FieldType::Boolean: {
        if (value.typeId() == QMetaType::Bool)
            return value;
        if (value.typeId() != QMetaType::QString)
            return value.toDouble() != 0.0;
        const QString s = value.toString().trimmed().toUpper();
        if (s.isEmpty())
            return {};
        if (s == QLatin1String("S") || s == QLatin1String("T") || s == QLatin1String("TRUE") ||
            s == QLatin1String("1") || s == QLatin1String("Y"))
            return true;
        if (s == QLatin1String("N") || s == QLatin1String("F") || s == QLatin1String("FALSE") ||
            s == QLatin1String("0"))
            return false;
        throw DataSetError(QStringLiteral("'%1' is not a valid flag for field %2").arg(value.toString(), field.name));
    }
    case FieldType::DateTime: {
        if (value.typeId() == QMetaType::QDateTime)
            return value;
        if (value.typeId() == QMetaType::QDate)
            return QDateTime(value.toDate(), QTime(0, 0));
        const QString s = value.toString().trimmed();
        if (s.isEmpty())
            return {};
        QDateTime dt = QDateTime::fromString(s, Qt::ISODateWithMs);
        if (!dt.isValid())
            dt = QDateTime::fromString(s, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (!dt.isValid())
            dt = QDateTime::fromString(s, QStringLiteral("yyyy-MM-dd"));
        if (!dt.isValid())
            throw DataSetError(QStringLiteral("'%1' is not a valid date for field %2").arg(s, field.name));
        return dt;
    }
    }
    return value;
}

int DataPacket::fieldIndex(const QString& name) const
{
    for (int i = 0; i < fields.size(); ++i)
        if (sameName(fields[i].name, name))
            return i;
    return -1;
}

// ---------------------------------------------------------------------------------------

struct DataSet::Impl {
    struct Record {
        quint64 id;
        Row values;
    };

    QString name;
    FieldDefs defs;    // design definitions
    FieldDefs fields;  // structure in use while active
    bool active = false;
    State state = State::Inactive;
    std::vector<Record> rows;  // storage order
    quint64 nextId = 1;

    Row buffer;  // edit or insert buffer
    quint64 editingId = 0;

    Filter filter;
    bool filtered = false;
    QList<IndexDef> indexes;
    QString indexName;
    IndexDef adHocIndex;  // from setIndexFieldNames
    bool useAdHoc = false;

    // Visible rows: indexes into rows, in index order, filter applied. Rebuilt lazily.
    mutable std::vector<int> view;
    mutable bool dirty = true;
    // The cursor is held as the id of the current record plus its position; after a
    // rebuild the position follows the record when it is still visible.
    mutable quint64 currentId = 0;
    mutable int pos = 0;  // 0-based position in view; == view.size() means end
    mutable bool atEof = true;
    mutable bool atBof = true;

    int disabledControls = 0;

    int indexOf(const QString& field) const
    {
        for (int i = 0; i < fields.size(); ++i)
            if (sameName(fields[i].name, field))
                return i;
        return -1;
    }

    // New fields and rows are in: indexes and the cursor follow them.
    void tookNewData();

    int requireField(const QString& field) const
    {
        const int i = indexOf(field);
        if (i < 0)
            throw DataSetError(QStringLiteral("%1: field '%2' not found").arg(datasetName(), field));
        return i;
    }

    QString datasetName() const { return name.isEmpty() ? QStringLiteral("DataSet") : name; }

    void requireActive() const
    {
        if (!active)
            throw DataSetError(QStringLiteral("%1: cannot perform this operation on a closed dataset").arg(datasetName()));
    }

    void requireBrowse(const char* what) const
    {
        requireActive();
        if (state != State::Browse)
            throw DataSetError(QStringLiteral("%1: cannot %2 while a record is being edited")
                                   .arg(datasetName(), QString::fromLatin1(what)));
    }

    const IndexDef* activeIndex() const
    {
        if (useAdHoc)
            return &adHocIndex;
        if (indexName.isEmpty())
            return nullptr;
        for (const IndexDef& ix : indexes)
            if (ix.name.compare(indexName, Qt::CaseInsensitive) == 0)
                return &ix;
        return nullptr;
    }

    void rebuild() const
    {
        if (!dirty)
            return;
        view.clear();
        view.reserve(rows.size());
        const FilterEvaluator eval(filtered ? filter.root() : nullptr, fields);
        for (int i = 0; i < static_cast<int>(rows.size()); ++i)
            if (eval.matches(rows[static_cast<size_t>(i)].values))
                view.push_back(i);
        if (const IndexDef* ix = activeIndex())
            sortView(*ix);
        dirty = false;
        // Keep the cursor on the same record when it is still visible.
        if (currentId != 0) {
            for (size_t p = 0; p < view.size(); ++p)
                if (rows[static_cast<size_t>(view[p])].id == currentId) {
                    pos = static_cast<int>(p);
                    return;
                }
        }
        pos = std::min(pos, static_cast<int>(view.size()) - 1);
        if (pos < 0)
            pos = 0;
        syncCurrent();
    }

    void syncCurrent() const
    {
        currentId = (pos >= 0 && pos < static_cast<int>(view.size()))
                        ? rows[static_cast<size_t>(view[static_cast<size_t>(pos)])].id
                        : 0;
    }

    void sortView(const IndexDef& ix) const
    {
        struct Key {
            int field;
            bool desc;
        };
        std::vector<Key> keys;
        for (const QString& f : ix.fields) {
            const int fi = indexOf(f);
            if (fi < 0)
                throw DataSetError(QStringLiteral("%1: index '%2' names unknown field '%3'")
                                       .arg(datasetName(), ix.name, f));
            const bool desc = ix.descending || ix.descendingFields.contains(f, Qt::CaseInsensitive);
            keys.push_back({fi, desc});
        }
        const bool ci = ix.caseInsensitive;
        std::stable_sort(view.begin(), view.end(), [&](int a, int b) {
            const Row& ra = rows[static_cast<size_t>(a)].values;
            const Row& rb = rows[static_cast<size_t>(b)].values;
            for (const Key& k : keys) {
                const int c = compareValues(fields[k.field].type, ra[k.field], rb[k.field], ci);
                if (c != 0)
                    return k.desc ? c > 0 : c < 0;
            }
            return false;
        });
    }

    const Row* currentRow() const
    {
        rebuild();
        if (pos < 0 || pos >= static_cast<int>(view.size()))
            return nullptr;
        return &rows[static_cast<size_t>(view[static_cast<size_t>(pos)])].values;
    }

    Record* recordById(quint64 id)
    {
        for (Record& r : rows)
            if (r.id == id)
                return &r;
        return nullptr;
    }

    Row emptyRow() const { return Row(fields.size()); }

    void resetCursor() const
    {
        dirty = true;
        currentId = 0;
        pos = 0;
        rebuild();
        syncCurrent();
        atBof = true;
        atEof = view.empty();
    }
};

DataSet::DataSet(QString name) : d(std::make_unique<Impl>())
{
    d->name = std::move(name);
}

DataSet::DataSet(QString name, FieldDefs defs) : DataSet(std::move(name))
{
    setFieldDefs(std::move(defs));
    createDataSet();
}

DataSet::DataSet(DataSet&&) noexcept = default;
DataSet& DataSet::operator=(DataSet&&) noexcept = default;
DataSet::~DataSet() = default;

const QString& DataSet::name() const { return d->name; }

void DataSet::setFieldDefs(FieldDefs defs)
{
    QStringList seen;
    for (const FieldDef& f : defs) {
        if (f.name.isEmpty())
            throw DataSetError(QStringLiteral("%1: a field has no name").arg(d->datasetName()));
        if (seen.contains(f.name, Qt::CaseInsensitive))
            throw DataSetError(QStringLiteral("%1: duplicate field '%2'").arg(d->datasetName(), f.name));
        seen << f.name;
    }
    d->defs = std::move(defs);
    if (!d->active)
        d->fields = d->defs;
}

const FieldDefs& DataSet::fields() const { return d->active ? d->fields : d->defs; }
int DataSet::fieldCount() const { return fields().size(); }

int DataSet::fieldIndex(const QString& name) const
{
    const FieldDefs& fs = fields();
    for (int i = 0; i < fs.size(); ++i)
        if (sameName(fs[i].name, name))
            return i;
    return -1;
}

FieldDef& DataSet::fieldDef(const QString& name)
{
    const int i = d->active ? d->requireField(name) : fieldIndex(name);
    if (i < 0)
        throw DataSetError(QStringLiteral("%1: field '%2' not found").arg(d->datasetName(), name));
    return d->active ? d->fields[i] : d->defs[i];
}

void DataSet::createDataSet()
{
    if (d->defs.isEmpty())
        throw DataSetError(QStringLiteral("%1: no field definitions to create the dataset from").arg(d->datasetName()));
    d->fields = d->defs;
    d->rows.clear();
    d->active = true;
    d->state = State::Browse;
    d->resetCursor();
}

void DataSet::close()
{
    d->rows.clear();
    d->active = false;
    d->state = State::Inactive;
    d->resetCursor();
}

bool DataSet::isActive() const { return d->active; }
DataSet::State DataSet::state() const { return d->state; }

void DataSet::emptyDataSet()
{
    d->requireActive();
    if (d->state != State::Browse)
        cancel();
    d->rows.clear();
    d->resetCursor();
}

void DataSet::emptyOrCreate()
{
    if (d->active)
        emptyDataSet();
    else
        createDataSet();
}

DataPacket DataSet::data() const
{
    DataPacket p;
    p.fields = fields();
    p.rows.reserve(static_cast<qsizetype>(d->rows.size()));
    for (const Impl::Record& r : d->rows)
        p.rows.append(r.values);
    return p;
}

void DataSet::setData(const DataPacket& packet)
{
    if (!packet.hasStructure())
        throw DataSetError(QStringLiteral("%1: the data packet has no structure").arg(d->datasetName()));
    d->fields = packet.fields;
    d->defs = packet.fields;
    d->rows.clear();
    d->rows.reserve(static_cast<size_t>(packet.rows.size()));
    for (const Row& r : packet.rows) {
        Row values(packet.fields.size());
        for (int i = 0; i < packet.fields.size() && i < r.size(); ++i)
            values[i] = coerceToField(packet.fields[i], r[i]);
        d->rows.push_back({d->nextId++, std::move(values)});
    }
    d->tookNewData();
}

void DataSet::copyFrom(const DataSet& other)
{
    if (!other.d->active) {
        setData(other.data());
        return;
    }
    // An open dataset's values already have its fields' types and widths, and its fields
    // become this one's: the rows are taken as they are rather than coerced again (a
    // product touch copies its group's whole list).
    // Built aside first: other may be this very dataset.
    std::vector<Impl::Record> rows;
    rows.reserve(other.d->rows.size());
    for (const Impl::Record& r : other.d->rows)
        rows.push_back({d->nextId++, r.values});
    d->fields = other.d->fields;
    d->defs = d->fields;
    d->rows = std::move(rows);
    d->tookNewData();
}

void DataSet::Impl::tookNewData()
{
    // Indexes that name fields the new structure lacks cannot be kept.
    indexes.erase(std::remove_if(indexes.begin(), indexes.end(),
                                 [&](const IndexDef& ix) {
                                     return std::any_of(
                                         ix.fields.begin(), ix.fields.end(),
                                         [&](const QString& f) { return indexOf(f) < 0; });
                                 }),
                  indexes.end());
    if (useAdHoc && std::any_of(adHocIndex.fields.begin(), adHocIndex.fields.end(),
                                [&](const QString& f) { return indexOf(f) < 0; }))
        useAdHoc = false;
    active = true;
    state = State::Browse;
    resetCursor();
}

int DataSet::recordCount() const
{
    if (!d->active)
        return 0;
    d->rebuild();
    return static_cast<int>(d->view.size());
}

void DataSet::first()
{
    checkBrowseMode();
    d->rebuild();
    d->pos = 0;
    d->syncCurrent();
    d->atBof = true;
    d->atEof = d->view.empty();
}

void DataSet::last()
{
    checkBrowseMode();
    d->rebuild();
    d->pos = std::max(0, static_cast<int>(d->view.size()) - 1);
    d->syncCurrent();
    d->atEof = d->view.empty();
    d->atBof = d->view.empty();
}

void DataSet::next()
{
    checkBrowseMode();
    d->rebuild();
    if (d->pos + 1 < static_cast<int>(d->view.size())) {
        ++d->pos;
        d->syncCurrent();
        d->atBof = false;
    } else {
        d->atEof = true;
    }
}

void DataSet::prior()
{
    checkBrowseMode();
    d->rebuild();
    if (d->pos > 0) {
        --d->pos;
        d->syncCurrent();
        d->atEof = false;
    } else {
        d->atBof = true;
    }
}

bool DataSet::eof() const
{
    if (!d->active)
        return true;
    d->rebuild();
    return d->atEof || d->view.empty();
}

bool DataSet::bof() const
{
    if (!d->active)
        return true;
    d->rebuild();
    return d->atBof || d->view.empty();
}

int DataSet::recNo() const
{
    if (!d->active)
        return 0;
    if (d->state == State::Insert)
        return 0;
    d->rebuild();
    return d->view.empty() ? 0 : d->pos + 1;
}

void DataSet::checkBrowseMode()
{
    // Moving away from a record being edited posts it first, as the screens expect.
    d->requireActive();
    if (d->state == State::Edit || d->state == State::Insert)
        post();
}

void DataSet::setRecNo(int recNo)
{
    checkBrowseMode();
    d->rebuild();
    if (recNo < 1 || recNo > static_cast<int>(d->view.size()))
        throw DataSetError(QStringLiteral("%1: record %2 does not exist").arg(d->datasetName()).arg(recNo));
    d->pos = recNo - 1;
    d->syncCurrent();
    d->atBof = d->atEof = false;
}

QVariant DataSet::value(const QString& field) const
{
    d->requireActive();
    const int i = d->requireField(field);
    if (d->state == State::Edit || d->state == State::Insert)
        return d->buffer[i];
    const Row* row = d->currentRow();
    return row ? (*row)[i] : QVariant();
}

QString DataSet::asString(const QString& field) const
{
    const QVariant v = value(field);
    if (v.isNull())
        return {};
    if (v.typeId() == QMetaType::Double)
        return QString::number(v.toDouble(), 'g', 15);
    if (v.typeId() == QMetaType::QDateTime)
        return v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (v.typeId() == QMetaType::Bool)
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    return v.toString();
}

double DataSet::asFloat(const QString& field) const
{
    const int i = d->requireField(field);
    const QVariant v = value(field);
    if (v.isNull())
        return 0.0;
    return coerceToField(floatField(d->fields[i].name), v).toDouble();
}

int DataSet::asInteger(const QString& field) const
{
    const int i = d->requireField(field);
    const QVariant v = value(field);
    if (v.isNull())
        return 0;
    if (v.typeId() == QMetaType::Double)
        return static_cast<int>(v.toDouble());
    return coerceToField(integerField(d->fields[i].name), v).toInt();
}

QDateTime DataSet::asDateTime(const QString& field) const
{
    const int i = d->requireField(field);
    const QVariant v = value(field);
    if (v.isNull())
        return {};
    return coerceToField(dateTimeField(d->fields[i].name), v).toDateTime();
}

bool DataSet::asBoolean(const QString& field) const
{
    const int i = d->requireField(field);
    const QVariant v = value(field);
    if (v.isNull())
        return false;
    return coerceToField(booleanField(d->fields[i].name), v).toBool();
}

bool DataSet::isNullValue(const QString& field) const { return value(field).isNull(); }

void DataSet::setValue(const QString& field, const QVariant& value)
{
    d->requireActive();
    const int i = d->requireField(field);
    if (d->state != State::Edit && d->state != State::Insert)
        throw DataSetError(QStringLiteral("%1: not in edit or insert mode (setting %2)").arg(d->datasetName(), field));
    d->buffer[i] = coerceToField(d->fields[i], value);
}

void DataSet::append()
{
    d->requireActive();
    if (d->state != State::Browse)
        post();
    d->buffer = d->emptyRow();
    d->state = State::Insert;
}

void DataSet::edit()
{
    d->requireActive();
    if (d->state == State::Edit || d->state == State::Insert)
        return;
    const Row* row = d->currentRow();
    if (!row)
        throw DataSetError(QStringLiteral("%1: no current record to edit").arg(d->datasetName()));
    d->buffer = *row;
    d->editingId = d->currentId;
    d->state = State::Edit;
}

void DataSet::post()
{
    d->requireActive();
    if (d->state == State::Insert) {
        const quint64 id = d->nextId++;
        d->rows.push_back({id, std::move(d->buffer)});
        d->currentId = id;
    } else if (d->state == State::Edit) {
        Impl::Record* rec = d->recordById(d->editingId);
        if (!rec)
            throw DataSetError(QStringLiteral("%1: the edited record no longer exists").arg(d->datasetName()));
        rec->values = std::move(d->buffer);
        d->currentId = d->editingId;
    } else {
        return;
    }
    d->buffer.clear();
    d->state = State::Browse;
    d->dirty = true;
    d->rebuild();
    // A posted record that the filter hides leaves the cursor where it was.
    d->atBof = d->atEof = d->view.empty();
}

void DataSet::cancel()
{
    d->buffer.clear();
    if (d->state == State::Edit || d->state == State::Insert)
        d->state = State::Browse;
}

void DataSet::remove()
{
    d->requireBrowse("delete");
    const Row* row = d->currentRow();
    if (!row)
        throw DataSetError(QStringLiteral("%1: no current record to delete").arg(d->datasetName()));
    const quint64 id = d->currentId;
    const int oldPos = d->pos;
    d->rows.erase(std::find_if(d->rows.begin(), d->rows.end(),
                               [id](const Impl::Record& r) { return r.id == id; }));
    d->dirty = true;
    d->currentId = 0;
    d->pos = oldPos;
    d->rebuild();
    d->syncCurrent();
    d->atBof = d->view.empty();
    d->atEof = d->view.empty();
}

void DataSet::setFilter(const Filter& filter)
{
    if (d->active)
        FilterEvaluator(filter.root(), d->fields);  // reject unknown fields and bad values now
    d->filter = filter;
    d->dirty = true;
}

void DataSet::setFilter(const QString& text) { setFilter(Filter::parse(text)); }
const Filter& DataSet::filter() const { return d->filter; }

void DataSet::setFiltered(bool on)
{
    if (on && d->state != State::Browse && d->active)
        post();
    d->filtered = on;
    // A filter change moves the cursor to the first visible row, as a reopened view would.
    if (d->active) {
        d->resetCursor();
    } else {
        d->dirty = true;
    }
}

bool DataSet::filtered() const { return d->filtered; }

bool DataSet::locate(const QString& keyFields, const QVariantList& values, LocateOption options)
{
    checkBrowseMode();
    const QStringList names = keyFields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    if (names.size() != values.size())
        throw DataSetError(QStringLiteral("%1: locate on %2 fields with %3 values")
                               .arg(d->datasetName())
                               .arg(names.size())
                               .arg(values.size()));
    std::vector<int> idx;
    std::vector<QVariant> keys;
    for (qsizetype k = 0; k < names.size(); ++k) {
        const int i = d->requireField(names[k].trimmed());
        const std::optional<QVariant> key = locateKey(d->fields[i], values[k]);
        if (!key)
            return false;
        idx.push_back(i);
        keys.push_back(*key);
    }
    d->rebuild();
    const bool ci = hasOption(options, LocateOption::CaseInsensitive);
    const bool partial = hasOption(options, LocateOption::PartialKey);
    for (size_t p = 0; p < d->view.size(); ++p) {
        const Row& row = d->rows[static_cast<size_t>(d->view[p])].values;
        bool all = true;
        for (size_t k = 0; k < idx.size() && all; ++k) {
            const FieldDef& f = d->fields[idx[k]];
            all = valueMatches(f, row[idx[k]], keys[k], ci, partial);
        }
        if (all) {
            d->pos = static_cast<int>(p);
            d->syncCurrent();
            d->atBof = d->atEof = false;
            return true;
        }
    }
    return false;
}

void DataSet::addIndex(const IndexDef& index)
{
    if (index.name.isEmpty() || index.fields.isEmpty())
        throw DataSetError(QStringLiteral("%1: an index needs a name and fields").arg(d->datasetName()));
    for (const QString& f : index.fields)
        d->requireField(f);
    for (IndexDef& ix : d->indexes)
        if (ix.name.compare(index.name, Qt::CaseInsensitive) == 0) {
            ix = index;
            d->dirty = true;
            return;
        }
    d->indexes.append(index);
    d->dirty = true;
}

void DataSet::addIndex(const QString& name, const QString& fields, bool caseInsensitive, bool descending)
{
    IndexDef ix;
    ix.name = name;
    ix.fields = fields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& f : ix.fields)
        f = f.trimmed();
    ix.caseInsensitive = caseInsensitive;
    ix.descending = descending;
    addIndex(ix);
}

void DataSet::clearIndexes()
{
    d->indexes.clear();
    d->indexName.clear();
    d->useAdHoc = false;
    d->dirty = true;
}

const QList<IndexDef>& DataSet::indexes() const { return d->indexes; }

void DataSet::setIndexName(const QString& name)
{
    if (!name.isEmpty()) {
        const bool known = std::any_of(d->indexes.begin(), d->indexes.end(), [&](const IndexDef& ix) {
            return ix.name.compare(name, Qt::CaseInsensitive) == 0;
        });
        if (!known)
            throw DataSetError(QStringLiteral("%1: index '%2' not found").arg(d->datasetName(), name));
    }
    d->indexName = name;
    d->useAdHoc = false;
    d->dirty = true;
    if (d->active)
        d->rebuild();
}

QString DataSet::indexName() const { return d->indexName; }

void DataSet::setIndexFieldNames(const QString& fields)
{
    IndexDef ix;
    ix.name = QStringLiteral("<fields>");
    ix.fields = fields.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& f : ix.fields) {
        f = f.trimmed();
        if (d->active)
            d->requireField(f);
    }
    d->adHocIndex = ix;
    d->useAdHoc = !ix.fields.isEmpty();
    d->indexName.clear();
    d->dirty = true;
}

void DataSet::disableControls() { ++d->disabledControls; }
void DataSet::enableControls()
{
    if (d->disabledControls > 0)
        --d->disabledControls;
}
bool DataSet::controlsDisabled() const { return d->disabledControls > 0; }

}  // namespace kvp
