#include <atomic>
#include <csignal>
#include <cstdio>

#include <unistd.h>

#include <QCoreApplication>

#include "cli/batch_converter.h"
#include "cli/convert_options.h"

namespace {

std::atomic<bool> interrupted{false};

// The first Ctrl-C lets running conversions finish or discard their output, so no
// half-written file is left; a second one ends the program at once.
void onInterrupt(int)
{
    interrupted.store(true);
}

void installInterruptHandlers()
{
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    using pixmora::cli::CommandLine;
    const CommandLine line = pixmora::cli::parseCommandLine(app.arguments().mid(1));
    switch (line.action) {
        case CommandLine::Action::showHelp:
            std::fputs(qUtf8Printable(pixmora::cli::usageText()), stdout);
            return 0;
        case CommandLine::Action::showVersion:
            std::fputs(qUtf8Printable(pixmora::cli::versionText()), stdout);
            return 0;
        case CommandLine::Action::usageError:
            std::fprintf(stderr, "pixmora-convert: %s\nTry 'pixmora-convert --help'.\n",
                         qUtf8Printable(line.error));
            return 2;
        case CommandLine::Action::convert:
            break;
    }

    installInterruptHandlers();
    const bool showProgress = isatty(STDERR_FILENO) && line.options.inputs.size() > 1;
    const auto report = pixmora::cli::runBatch(line.options, stderr, showProgress, &interrupted);
    if (report.skipped > 0) {
        std::fprintf(stderr, "pixmora-convert: interrupted; %d input(s) not converted\n",
                     report.skipped);
    }
    return report.failed > 0 || report.skipped > 0 || report.flushFailed ? 1 : 0;
}
