#pragma once

// kvp_host --audit: the promotion audit of a shop's database, at the run folder's station.

#include "shop.h"

#include <QDateTime>
#include <QString>
#include <QTextStream>

namespace kvp::refhost {

struct AuditRunOptions {
    RunFolder folder;
    QString connectionString;  // the run folder's database when empty
    QString branch;            // the parameter file's branch when empty; "*" every branch
    QDateTime at;              // the system clock when invalid
    bool json = false;
};

// Prints the report on out. 0: every promotion can be sold; 1: at least one cannot, or
// the audit could not run (error says why).
int runAudit(const AuditRunOptions& options, QTextStream& out, QString& error);

}  // namespace kvp::refhost
