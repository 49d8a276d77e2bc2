#pragma once
// `velvo --diagnostico [PHOTO...]`: the diagnostics on standard output, for a salon to send to
// support and for the package check to read.
#include <QList>
#include <QStringList>
#include <QTextStream>

#include "app/Diagnostics.h"

namespace velvo::app {

class TF_HAIR;

// The option that selects this mode instead of the studio.
inline constexpr const char* kDiagnosticsOption = "--diagnostico";
bool WantsDiagnostics(int argc, char** argv);

// Writes `rows`, then opens each of `photos` in `main` as the command line would and says
// whether it opened framed. Returns 0 when every promised capability is on and every photo
// opened framed, 1 otherwise; the last line names what is missing.
int WriteDiagnostics(const QList<Capability>& rows, TF_HAIR* main, const QStringList& photos,
                     QTextStream& out);

// The whole mode: an application object (offscreen when there is no display), the studio's
// program folder, the machine's facts, the windows only when photos are named.
int RunDiagnostics(int argc, char** argv);

} // namespace velvo::app
