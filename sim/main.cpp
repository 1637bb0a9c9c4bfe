#include "app/display.h"
#include "json_line.h"
#include "pty_link.h"
#include "receiver_window.h"
#include "sim_session.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

using namespace zorvan::sim;

namespace {

int g_signalPipe[2] = { -1, -1 };

void onSignal(int number)
{
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

bool installSignalHandlers()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return false;
    struct sigaction action { };
    action.sa_handler = onSignal;
    ::sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : { SIGINT, SIGTERM, SIGHUP, SIGUSR1 })
        ::sigaction(number, &action, nullptr);
    // A reader that goes away must not kill the board.
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    // The options are read before the application object exists: only
    // --view needs a display, and --help or a wrong option must answer
    // without one.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Stands in for the ZORVAN Q500+ board: publishes a pseudo-terminal at the link path, decodes every "
        "frame the driver writes to it and prints one JSON line per frame on standard output. SIGUSR1 prints "
        "the board state."));
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption linkOption(QStringLiteral("link"),
        QStringLiteral("Path of the symbolic link to the serial device."), QStringLiteral("path"));
    const QCommandLineOption viewOption(
        QStringLiteral("view"), QStringLiteral("Show the virtual receiver window."));
    const QCommandLineOption baudOption(QStringLiteral("baud"),
        QStringLiteral("Initial line rate: 9600, 14400, 19200 or 38400."), QStringLiteral("rate"),
        QStringLiteral("9600"));
    const QCommandLineOption dumpOption(
        QStringLiteral("dump-state"), QStringLiteral("Print the board state as a JSON line on exit."));
    parser.addOptions({ linkOption, viewOption, baudOption, dumpOption });
    if (!parser.parse(arguments)) {
        std::fprintf(stderr, "zorvan-sim: %s; see --help\n", qPrintable(parser.errorText()));
        return 2;
    }
    const bool answerOnly = parser.isSet(helpOption) || parser.isSet(versionOption);
    const bool view = parser.isSet(viewOption) && !answerOnly;
    if (view && !zorvan::displayAvailable()) {
        std::fprintf(stderr, "zorvan-sim: no display: leave out --view to run without a window\n");
        return 1;
    }
    std::unique_ptr<QCoreApplication> app
        = view ? std::make_unique<QApplication>(argc, argv) : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("zorvan-sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZORVAN_VERSION));
    if (parser.isSet(helpOption))
        parser.showHelp(0);
    if (parser.isSet(versionOption))
        parser.showVersion();
    if (!parser.positionalArguments().isEmpty()) {
        std::fprintf(stderr, "zorvan-sim: unexpected argument %s; see --help\n",
            qPrintable(parser.positionalArguments().first()));
        return 2;
    }

    if (!parser.isSet(linkOption)) {
        std::fprintf(stderr, "zorvan-sim: --link PATH is required; see --help\n");
        return 2;
    }
    bool baudOk = false;
    const int baud = parser.value(baudOption).toInt(&baudOk);
    if (!baudOk || !PtyLink::isSupportedBaud(baud)) {
        std::fprintf(stderr, "zorvan-sim: --baud must be 9600, 14400, 19200 or 38400\n");
        return 2;
    }
    if (!installSignalHandlers()) {
        std::perror("zorvan-sim: socketpair");
        return 1;
    }

    SimSession session(stdout);
    PtyLink link;
    QString error;
    if (!link.open(parser.value(linkOption), baud, &error)) {
        std::fprintf(stderr, "zorvan-sim: %s\n", qPrintable(error));
        return 1;
    }
    QObject::connect(&link, &PtyLink::bytesArrived, &session, &SimSession::receive);

    QSocketNotifier signalNotifier(g_signalPipe[0], QSocketNotifier::Read);
    QObject::connect(&signalNotifier, &QSocketNotifier::activated, &session, [&session] {
        char number = 0;
        if (::read(g_signalPipe[0], &number, 1) != 1)
            return;
        if (number == SIGUSR1)
            session.writeState();
        else
            QCoreApplication::quit();
    });

    std::unique_ptr<ReceiverWindow> window;
    if (view) {
        window = std::make_unique<ReceiverWindow>(&session);
        window->show();
    }

    session.writeLine(readyLine(link.linkPath(), link.deviceName(), baud));
    const int status = app->exec();

    session.finishInput();
    if (parser.isSet(dumpOption))
        session.writeState();
    link.removeLink();
    return status;
}
