#pragma once

// kvp_host --check DIR: the shop's regression suite in one command. Every script of the
// folder is replayed against the shop, each in a process of its own (the module keeps
// module-wide state between calls), and its printout compared with the .expected file
// beside it.

#include "shop.h"

#include <QString>
#include <QTextStream>

namespace kvp::refhost {

struct CheckRunOptions {
    QString folder;   // the scripts, *.kvs
    QString program;  // this program, run once per script
    RunFolder runFolder;
    QString connectionString;  // the run folder's database when empty
};

// One line per script on out: "NAME.kvs: passed", or what went wrong first. 0: every
// script passed; 1: one did not; 2: no script to replay (error says why).
int runCheck(const CheckRunOptions& options, QTextStream& out, QString& error);

// The first line where two printouts part, as "line N: expected "A", printed "B"";
// empty when they are the same.
QString firstDifference(const QString& expected, const QString& printed);

}  // namespace kvp::refhost
