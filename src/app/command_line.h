#pragma once

#include "display.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

namespace zorvan {

// Exit statuses a service manager or a script can act on. A configuration
// error will not mend itself by a restart, so it has a status of its own
// (EX_CONFIG of <sysexits.h>) that the systemd units name in
// RestartPreventExitStatus=.
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitConfig = 78;

// The options of `zorvan`, read in full before anything decides between
// the window and the service, so that an option's value is never taken
// for an option and no flag is looked at twice.
class CommandLine {
public:
    CommandLine();

    // False on a usage error; error() then says what was wrong.
    bool parse(const QStringList &arguments);
    // parse(), with a usage error printed (false) and --help and --version
    // answered: they print and end the program here.
    bool read(const QStringList &arguments);
    QString error() const { return m_error; }

    bool helpWanted() const { return m_parser.isSet(m_help); }
    bool versionWanted() const { return m_parser.isSet(m_version); }
    bool headless() const { return m_parser.isSet(m_headless); }
    // The settings file as given, or empty for the default file.
    QString settingsFile() const { return m_parser.value(m_settings); }

    // Print and end the program with status 0; they need the application
    // object for its name and version.
    [[noreturn]] void showHelp() { m_parser.showHelp(0); }
    [[noreturn]] void showVersion() { m_parser.showVersion(); }

private:
    QCommandLineParser m_parser;
    QCommandLineOption m_help;
    QCommandLineOption m_version;
    QCommandLineOption m_headless;
    QCommandLineOption m_settings;
    QString m_error;
};

// One line on standard error, after the program's name.
void printError(const QString &text);

} // namespace zorvan
