#pragma once

#include "station/log_priority.h"

#include <QString>

namespace zorvan {

// Whether standard error is the systemd journal's stream: JOURNAL_STREAM
// names its device and inode, and a child that inherited the variable but
// not the stream must not take it for the journal.
bool standardErrorIsJournal();

// One line on standard error. To the journal it goes with its priority
// ("<3>" and so on) and without the time stamp at its head, which the
// journal keeps itself; elsewhere as it stands.
void writeLogLine(const QString &line, LogPriority priority);

} // namespace zorvan
