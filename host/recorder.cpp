#include "recorder.h"

#include "receipt.h"

#include <QSaveFile>

namespace kvp::refhost {

namespace {

ShownValue value(const QString& field, const QString& v, bool quoted)
{
    return ShownValue{field, v, quoted};
}

ShownEntry count(const char* key, DataSet& ds)
{
    return ShownEntry{QLatin1String(key),
                      {},
                      {value({}, QString::number(ds.isActive() ? ds.recordCount() : 0), false)}};
}

}  // namespace

ShownScreen handedBack(DataSet& items, DataSet& observations, DataSet& controlled, bool result)
{
    ShownScreen s;
    s.form = QStringLiteral("the result");
    s.entries << ShownEntry{
        QStringLiteral("result"),
        {},
        {value({}, result ? QStringLiteral("true") : QStringLiteral("false"), false)}};
    s.entries << count("items", items) << count("observations", observations)
              << count("controlled", controlled);
    if (items.isActive()) {
        int n = 0;
        for (items.first(); !items.eof(); items.next()) {
            ShownEntry e{QStringLiteral("item %1").arg(++n), {}, {}};
            for (const FieldDef& f : items.fields()) {
                const QVariant v = items.value(f.name);
                const bool text = f.type == FieldType::String || f.type == FieldType::Blob;
                e.values << value(f.name, text ? v.toString() : stableValue(f, v), text);
            }
            s.entries << e;
        }
    }
    return s;
}

bool aboutHandedBack(const QString& entry)
{
    const QString e = entry.toLower();
    return e == QLatin1String("result") || e == QLatin1String("items") ||
           e == QLatin1String("observations") || e == QLatin1String("controlled") ||
           e.startsWith(QLatin1String("item "));
}

QString ScriptRecorder::word(const QString& value)
{
    if (!value.isEmpty() && !value.contains(QLatin1Char(' ')) &&
        !value.contains(QLatin1Char('"')) && !value.contains(QLatin1Char('\t')) &&
        !value.startsWith(QLatin1Char('#')))
        return value;
    QString out = value;
    out.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

void ScriptRecorder::expect(QStringList& lines, const ShownEntry& e, const QString& field)
{
    const ShownValue* v = field.isEmpty() ? &e.values.first() : e.field(field);
    // A script line holds no line break: such a value is left to the printout.
    if (!v || v->value.contains(QLatin1Char('\n')) || v->value.contains(QLatin1Char('\r')))
        return;
    QString text = QStringLiteral("expect ") + e.key;
    if (!field.isEmpty())
        text += QLatin1Char(' ') + field;
    lines << text + QLatin1Char(' ') + (v->quoted ? word(v->value) : v->value);
}

void ScriptRecorder::lastSeen(const ShownScreen& screen, qsizetype at)
{
    QStringList block{
        QStringLiteral("# What the operator saw last, then the line that closed the screen.")};
    if (const ShownEntry* e = screen.find(QStringLiteral("lblCabecalho")); e && e->single())
        expect(block, *e, {});
    int trays = 0;
    for (const ShownEntry& e : screen.entries) {
        if (!e.key.startsWith(QLatin1String("tray ")))
            continue;
        ++trays;
        for (const char* f : {"code", "name", "price"})
            expect(block, e, QLatin1String(f));
    }
    block << QStringLiteral("expect no tray %1").arg(trays + 1);
    if (const ShownEntry* e = screen.find(QStringLiteral("lblDescricao")); e && e->single())
        expect(block, *e, {});
    for (qsizetype i = 0; i < block.size(); ++i)
        m_lines.insert(at + i, block.at(i));
}

void ScriptRecorder::handed(const ShownScreen& handed)
{
    m_lines << QStringLiteral("# What the module handed back.");
    for (const ShownEntry& e : handed.entries) {
        if (e.single()) {
            expect(m_lines, e, {});
            continue;
        }
        for (const char* f : {"CDPRODUTO", "QTPRODVEND", "VRUNVENDAEST", "VRDESITVENDAEST"})
            expect(m_lines, e, QLatin1String(f));
    }
}

bool ScriptRecorder::write(const QString& path, const QString& text, QString& error)
{
    QSaveFile f(path);
    const QByteArray bytes = text.toUtf8();
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit()) {
        error = QStringLiteral("cannot write %1: %2").arg(path, f.errorString());
        return false;
    }
    return true;
}

bool ScriptRecorder::save(const QString& path, QString& error) const
{
    return write(path, m_lines.join(QLatin1Char('\n')) + QLatin1Char('\n'), error);
}

QString expectedPathFor(const QString& scriptPath)
{
    const QString base = scriptPath.endsWith(QLatin1String(".kvs"), Qt::CaseInsensitive)
                             ? scriptPath.chopped(4)
                             : scriptPath;
    return base + QStringLiteral(".expected");
}

}  // namespace kvp::refhost
