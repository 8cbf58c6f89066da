#pragma once

// In-memory datasets and data packets.
//
// A DataSet is a small typed table with a cursor, a filter, indexes and an edit buffer:
// every working table of the screens is one. A DataPacket is a value holding a dataset's
// structure and all its rows; it is how rows cross from the data service to the screens
// and from the module back to the host.

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <stdexcept>
#include <vector>

namespace kvp {

// Raised for misuse of a dataset (unknown field, posting while browsing, a bad filter
// text) and for unreadable packet files. The message is meant for a person.
class DataSetError : public std::runtime_error {
public:
    explicit DataSetError(const QString& message);
    QString message() const { return QString::fromUtf8(what()); }
};

enum class FieldType { String, Float, Integer, DateTime, Blob, Boolean };

struct FieldDef {
    QString name;
    FieldType type = FieldType::String;
    int size = 0;  // maximum characters of a String field; 0 elsewhere

    // How a search dialog shows the column; the data itself ignores these.
    QString displayLabel;
    int displayWidth = 0;
    bool visible = true;

    friend bool operator==(const FieldDef& a, const FieldDef& b)
    {
        return a.name == b.name && a.type == b.type && a.size == b.size;
    }
};
using FieldDefs = QList<FieldDef>;

FieldDef stringField(const QString& name, int size);
FieldDef floatField(const QString& name);
FieldDef integerField(const QString& name);
FieldDef dateTimeField(const QString& name);
FieldDef blobField(const QString& name);
FieldDef booleanField(const QString& name);

// Converts a value to the representation a field of the given type stores: QString
// (a text longer than the width raises DataSetError naming field and value), double, int,
// QDateTime, QString for blobs or bool. Flags written as text ("S"/"N", "T"/"F", "True"/"False",
// "1"/"0") read as booleans. A null or empty input stays null. Raises DataSetError for text that is
// not a number, and for a float or integer field that cannot hold the value as it is (infinity,
// NaN, a fraction or a number out of range for an integer).
QVariant coerceToField(const FieldDef& field, const QVariant& value);
// Characters as a database counts them against a text column's width: a character
// outside the Basic Multilingual Plane (an emoji) is one, not the two UTF-16 units Qt
// stores.
int characterCount(const QString& text);

using Row = QList<QVariant>;

// Structure and rows as one value. Rows hold one QVariant per field, in field order.
struct DataPacket {
    FieldDefs fields;
    QList<Row> rows;

    bool hasStructure() const { return !fields.isEmpty(); }
    int fieldIndex(const QString& name) const;  // case-insensitive; -1 when absent

    // XML form: a DATAPACKET root, METADATA/FIELDS with one FIELD per column, then
    // ROWDATA with one ROW element per row, the values as attributes.
    QByteArray toXml() const;
    static DataPacket fromXml(const QByteArray& xml, const QString& sourceName = {});
    void saveToFile(const QString& path) const;
    static DataPacket loadFromFile(const QString& path);

    friend bool operator==(const DataPacket& a, const DataPacket& b)
    {
        return a.fields == b.fields && a.rows == b.rows;
    }
};

// A filter expression. Build one in code with eq()/ne()/isNull() and and_()/or_() so
// values are never pasted into text, or parse the text form:
//   CDPRODUTO = 'X''1' AND (NRSEQ <> '3' OR CDCLIENTE IS NULL)
// Comparisons against a String field are exact and case-sensitive; against a number
// field the value is read as a number. A null or empty String field matches IS NULL.
class Filter {
public:
    enum class Op { Eq, Ne, Lt, Le, Gt, Ge, IsNull, NotNull };

    Filter();  // matches everything
    static Filter parse(const QString& text);  // raises DataSetError on a syntax error
    static Filter compare(const QString& field, Op op, const QVariant& value);
    static Filter eq(const QString& field, const QVariant& value) { return compare(field, Op::Eq, value); }
    static Filter ne(const QString& field, const QVariant& value) { return compare(field, Op::Ne, value); }
    static Filter isNull(const QString& field) { return compare(field, Op::IsNull, {}); }

    // Raise DataSetError when the result would nest too deep to print or evaluate.
    Filter and_(const Filter& other) const;
    Filter or_(const Filter& other) const;

    bool isEmpty() const;
    QString text() const;  // canonical text; quotes inside values are doubled

    struct Node;
    const Node* root() const { return m_root.get(); }

private:
    Filter combined(bool conjunction, const Filter& other) const;

    std::shared_ptr<const Node> m_root;
};

struct IndexDef {
    QString name;
    QStringList fields;
    bool caseInsensitive = false;
    bool descending = false;          // every field descending
    QStringList descendingFields;     // only these fields descending
};

enum class LocateOption { None = 0, CaseInsensitive = 1, PartialKey = 2 };
inline LocateOption operator|(LocateOption a, LocateOption b)
{
    return static_cast<LocateOption>(static_cast<int>(a) | static_cast<int>(b));
}
inline bool hasOption(LocateOption set, LocateOption o)
{
    return (static_cast<int>(set) & static_cast<int>(o)) != 0;
}

class DataSet {
public:
    enum class State { Inactive, Browse, Edit, Insert };

    explicit DataSet(QString name = {});
    DataSet(QString name, FieldDefs defs);  // defined and created at once
    DataSet(const DataSet&) = delete;
    DataSet& operator=(const DataSet&) = delete;
    DataSet(DataSet&&) noexcept;
    DataSet& operator=(DataSet&&) noexcept;
    ~DataSet();

    const QString& name() const;

    // Structure
    void setFieldDefs(FieldDefs defs);  // design-time definitions used by createDataSet()
    const FieldDefs& fields() const;
    int fieldCount() const;
    int fieldIndex(const QString& name) const;  // case-insensitive; -1 when absent
    bool hasField(const QString& name) const { return fieldIndex(name) >= 0; }
    FieldDef& fieldDef(const QString& name);    // for display settings; raises when absent

    // Lifetime
    void createDataSet();  // opens empty with the current definitions
    void close();
    bool isActive() const;
    State state() const;
    void emptyDataSet();   // removes every row, filtered or not
    // "Empty it if it is open, else create it": the screens' start-up idiom.
    void emptyOrCreate();

    // Whole-table packets. data() carries every row whatever the filter; setData()
    // replaces structure and rows and opens the dataset.
    DataPacket data() const;
    void setData(const DataPacket& packet);
    void copyFrom(const DataSet& other);

    // Cursor over the visible rows (filter and index applied). Moving the cursor or
    // locating while a record is being edited posts it first.
    int recordCount() const;
    bool isEmpty() const { return recordCount() == 0; }
    void first();
    void last();
    void next();
    void prior();
    bool eof() const;
    bool bof() const;
    int recNo() const;  // 1-based; 0 when there is no current row
    void setRecNo(int recNo);

    // Values of the current row (or of the edit buffer while editing)
    QVariant value(const QString& field) const;
    QString asString(const QString& field) const;
    double asFloat(const QString& field) const;
    int asInteger(const QString& field) const;
    QDateTime asDateTime(const QString& field) const;
    bool asBoolean(const QString& field) const;  // false for null
    bool isNullValue(const QString& field) const;
    void setValue(const QString& field, const QVariant& value);  // Edit or Insert state only

    // Editing
    void append();  // Insert state with an empty buffer; post() adds the row at the end
    void edit();    // Edit state on the current row
    void post();
    void cancel();
    void remove();  // deletes the current row; the cursor moves to the following one

    // Filter
    void setFilter(const Filter& filter);
    void setFilter(const QString& text);
    const Filter& filter() const;
    void setFiltered(bool on);
    bool filtered() const;
    // Sets the filter and switches it on.
    void applyFilter(const Filter& filter) { setFilter(filter); setFiltered(true); }
    void clearFilter() { setFiltered(false); }

    // Locate among the visible rows; moves the cursor only when found. keyFields is a
    // ";"-separated list with one value per field.
    bool locate(const QString& keyFields, const QVariantList& values,
                LocateOption options = LocateOption::None);
    bool locate(const QString& keyField, const QVariant& value,
                LocateOption options = LocateOption::None)
    {
        return locate(keyField, QVariantList{value}, options);
    }

    // Indexes
    void addIndex(const IndexDef& index);
    void addIndex(const QString& name, const QString& fields, bool caseInsensitive = false,
                  bool descending = false);
    void clearIndexes();
    const QList<IndexDef>& indexes() const;
    void setIndexName(const QString& name);  // empty: storage order
    QString indexName() const;
    void setIndexFieldNames(const QString& fields);  // ad-hoc ascending order

    // Attached-controls counter; views may skip redraws while it is positive.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const;

private:
    void checkBrowseMode();

    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace kvp

Q_DECLARE_METATYPE(kvp::DataPacket)
