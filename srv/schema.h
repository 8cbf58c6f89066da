#pragma once

// The tables the data service reads and writes: their DDL per dialect (kept as .sql files
// in schema/ and compiled in), and the column catalogue that gives every result column of
// a statement its packet field type.

#include "statements.h"

#include "dataset.h"

#include <QString>
#include <QStringList>

#include <optional>

namespace kvp {

// The whole DDL file of a dialect; SQLite and PostgreSQL only (the shops' own databases
// hold these tables already). Raises std::invalid_argument for the others.
QString schemaDdl(Dialect dialect);
// The DDL split into single statements, comments dropped.
QStringList schemaStatements(Dialect dialect);
// The tables the DDL creates, in creation order.
QStringList schemaTables();

// The packet field for a column name (or one of the statements' aliases such as
// QUANTIDADE or ROTEIRO), case-insensitive; nothing for an unknown name.
std::optional<FieldDef> catalogueField(const QString& column);

}  // namespace kvp
