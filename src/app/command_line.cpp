#include "command_line.h"

#include "log_output.h"
#include "settings/settings_backend.h"

#include <QObject>

namespace zorvan {

CommandLine::CommandLine()
    : m_help(m_parser.addHelpOption())
    , m_version(m_parser.addVersionOption())
    , m_headless(QStringLiteral("headless"),
          QObject::tr("Run without a window, as a service: follow the song file and send to the encoder, "
                      "with one log line per transmission or fault on standard error. SIGHUP reads the "
                      "settings again; SIGTERM lets a running transmission finish, then ends. The settings "
                      "file must exist."))
    , m_settings(QStringLiteral("settings"),
          QObject::tr("Use FILE as the settings file (default: %1). One driver runs per settings file, "
                      "so one computer can drive several encoders.")
              .arg(IniSettingsBackend::defaultFilePath()),
          QStringLiteral("FILE"))
{
    m_parser.setApplicationDescription(QObject::tr(
        "Driver of the ZORVAN Q500+ RDS encoder: edits the station's RDS settings, sends them to the "
        "encoder on a serial port or a serial device server, and keeps the PS labels and the radio text "
        "following the song on air."));
    m_parser.addOptions({ m_headless, m_settings });
}

bool CommandLine::parse(const QStringList &arguments)
{
    m_error.clear();
    if (!m_parser.parse(arguments)) {
        m_error = m_parser.errorText();
        if (m_error.endsWith(QLatin1Char('.')))
            m_error.chop(1);
    } else if (!m_parser.positionalArguments().isEmpty()) {
        m_error = QObject::tr("unexpected argument %1").arg(m_parser.positionalArguments().first());
    } else if (m_parser.isSet(m_settings)) {
        const QString file = settingsFile();
        // "--settings --help" is a forgotten file name far more often than
        // a file named "--help"; such a file can still be given as ./--help.
        if (file.isEmpty())
            m_error = QObject::tr("--settings needs a file name");
        else if (file.startsWith(QLatin1Char('-')))
            m_error = QObject::tr("--settings needs a file name, not %1").arg(file);
    }
    if (m_error.isEmpty())
        return true;
    m_error += QObject::tr("; see --help");
    return false;
}

void printError(const QString &text)
{
    writeLogLine(QStringLiteral("zorvan: ") + text, LogPriority::Fault);
}

bool CommandLine::read(const QStringList &arguments)
{
    if (!parse(arguments)) {
        printError(error());
        return false;
    }
    if (helpWanted())
        showHelp();
    if (versionWanted())
        showVersion();
    return true;
}

} // namespace zorvan
