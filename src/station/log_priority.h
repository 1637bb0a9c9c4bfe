#pragma once

namespace zorvan {

// How much a log line matters to whoever reads the log: a fault needs
// someone to act, a warning may mend itself, the rest is the record of what
// was sent. The service hands it to the journal, where `journalctl -p err`
// finds the faults.
enum class LogPriority { Fault, Warning, Info };

} // namespace zorvan
