#include "station.h"

#include "dataset.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace kvp::refhost {

namespace {

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size() || !f.commit())
        throw std::runtime_error(QStringLiteral("cannot write %1").arg(path).toStdString());
}

}  // namespace

StationFile::StationFile(const ScriptCall& call, const QString& parametersPath,
                         const QString& scriptFolder)
    : m_path(parametersPath)
{
    const int line = call.stationLine;
    const QString source = call.stationFile.isEmpty()
                               ? parametersPath
                               : QDir(scriptFolder).absoluteFilePath(call.stationFile);
    if (!QFileInfo::exists(source))
        throw ScriptError(line, QStringLiteral("station: no parameter file %1").arg(source));
    DataPacket packet;
    try {
        packet = DataPacket::loadFromFile(source);
    } catch (const DataSetError& e) {
        throw ScriptError(line, QStringLiteral("station: %1").arg(e.message()));
    }
    if (packet.rows.isEmpty())
        throw ScriptError(line, QStringLiteral("station: %1 holds no record").arg(source));
    for (const auto& [name, value] : call.stationFields) {
        const int at = packet.fieldIndex(name);
        if (at < 0) {
            QStringList names;
            for (const FieldDef& f : packet.fields)
                names << f.name;
            throw ScriptError(line, QStringLiteral("station: no field %1 (fields: %2)")
                                        .arg(name, names.join(QStringLiteral(", "))));
        }
        const FieldDef& f = packet.fields.at(at);
        QVariant v = value;
        if (f.type == FieldType::Float || f.type == FieldType::Integer) {
            const std::optional<double> n = parseScriptNumber(value);
            if (!n)
                throw ScriptError(
                    line, QStringLiteral("station: %1: '%2' is not a number").arg(name, value));
            v = f.type == FieldType::Integer ? QVariant(static_cast<int>(*n)) : QVariant(*n);
        }
        try {
            packet.rows[0][at] = coerceToField(f, v);
        } catch (const DataSetError& e) {
            throw ScriptError(line, QStringLiteral("station: %1").arg(e.message()));
        }
    }
    QFile own(parametersPath);
    if (own.exists()) {
        if (!own.open(QIODevice::ReadOnly))
            throw ScriptError(line, QStringLiteral("station: cannot read %1").arg(parametersPath));
        m_saved = own.readAll();
    }
    try {
        packet.saveToFile(parametersPath);
    } catch (const std::exception& e) {
        if (m_saved)
            writeBytes(parametersPath, *m_saved);
        throw ScriptError(line, QStringLiteral("station: %1").arg(QString::fromUtf8(e.what())));
    }
}

bool StationFile::restore(QString& error)
{
    m_restored = true;
    try {
        if (m_saved)
            writeBytes(m_path, *m_saved);
        else if (QFile::exists(m_path) && !QFile::remove(m_path))
            throw std::runtime_error(QStringLiteral("cannot remove %1").arg(m_path).toStdString());
        return true;
    } catch (const std::exception& e) {
        error = QStringLiteral("the run folder's parameter file could not be put back (%1)")
                    .arg(QString::fromUtf8(e.what()));
    }
    if (m_saved) {
        try {
            writeBytes(m_path + QStringLiteral(".kept"), *m_saved);
            error += QStringLiteral("; it is kept in %1.kept").arg(m_path);
        } catch (const std::exception&) {
            error += QStringLiteral("; nor could it be kept beside it");
        }
    }
    return false;
}

StationFile::~StationFile()
{
    if (!m_restored) {
        QString ignored;  // a run that ended by an exception reports that one
        restore(ignored);
    }
}

}  // namespace kvp::refhost
