#pragma once

// Small pieces the two combination screens share in their sources; installed only
// because the shared rules (regrascomuns.h) use them.

#include "dataset.h"

#include <QString>

#include <exception>

namespace kvp::combinada::detail {

inline const QString kS = QStringLiteral("S");
inline const QString kN = QStringLiteral("N");

// Switches a dataset's filter off when the scope ends, however it ends: a filter left
// on would hide lines from whatever runs next.
class SemFiltro {
public:
    explicit SemFiltro(DataSet& ds) : m_ds(ds) {}
    SemFiltro(const SemFiltro&) = delete;
    SemFiltro& operator=(const SemFiltro&) = delete;
    ~SemFiltro()
    {
        if (m_ds.isActive()) {
            m_ds.clearFilter();
        }
    }

private:
    DataSet& m_ds;
};

// The text of an error as the operator and the log see it.
inline QString textoErro(const std::exception& e)
{
    return QString::fromUtf8(e.what());
}

// A flag field read the way every screen compares it.
inline bool marcado(const DataSet& ds, const QString& campo)
{
    return ds.asString(campo) == kS;
}

}  // namespace kvp::combinada::detail
