#pragma once

// Names of fields, indexes and controls are compared ignoring case.

#include <QString>

namespace kvp {

// Qt folds case one character at a time, so names of different lengths never match:
// checking the length first spares most of the comparisons of a lookup by name.
inline bool sameName(const QString& a, const QString& b)
{
    return a.size() == b.size() && a.compare(b, Qt::CaseInsensitive) == 0;
}

}  // namespace kvp
