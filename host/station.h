#pragma once

// A call's own parameter file (the script's "station" line): written over the run
// folder's for that call, and the run folder's put back when the call ends, however it
// ends, so a failed replay leaves the shop's station as it found it.

#include "script.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace kvp::refhost {

class StationFile {
public:
    // Writes the call's file at parametersPath: the file the line names (relative to
    // scriptFolder) or the run folder's own, with the fields the line changes. A missing
    // or damaged file, an unknown field or a value its field does not take raise
    // ScriptError at the line, and nothing is written.
    StationFile(const ScriptCall& call, const QString& parametersPath, const QString& scriptFolder);
    // Puts the run folder's file back; false with the reason when it cannot, and the
    // file as it was is then kept beside it (PARAMETROSQMT.CDS.kept).
    bool restore(QString& error);
    // Puts it back when restore() was not called.
    ~StationFile();
    StationFile(const StationFile&) = delete;
    StationFile& operator=(const StationFile&) = delete;

private:
    QString m_path;
    std::optional<QByteArray> m_saved;  // the run folder's file; none when it had none
    bool m_restored = false;
};

}  // namespace kvp::refhost
