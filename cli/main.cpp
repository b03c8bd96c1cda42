// veltmoor-cli: the main dialog's checks without a window, for servers, scripts
// and cron. It runs the same CVeltmoorDlg members in the same order as the
// buttons and prints the log; the exit status sums what the runs found.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <clocale>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "app/VeltmoorDlg.h"
#include "base/Support.h"
#include "cli/CliOptions.h"
#include "cli/ExitStatus.h"
#include "cli/LogOutput.h"

namespace {

using namespace veltmoor;

void Write(std::FILE* stream, const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

// Qt's own diagnostics (platform plugin, fonts) are not part of the output.
void DropQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtFatalMsg) std::fprintf(stderr, "veltmoor-cli: %s\n", qPrintable(message));
}

}  // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
    const cli::ParseResult parsed = cli::ParseCommandLine(arguments);
    if (!parsed.error.empty()) {
        Write(stderr, "veltmoor-cli: " + parsed.error + " Try 'veltmoor-cli --help'.\n");
        return cli::kUsageError;
    }
    const cli::CliOptions& options = parsed.options;
    if (options.help) {
        Write(stdout, cli::UsageText());
        return 0;
    }
    if (options.version) {
        Write(stdout, std::string("veltmoor-cli ") + kProgramVersion + "\n");
        return 0;
    }

    // Widgets without a display: the dialog is never shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(DropQtMessages);
    QApplication application(argc, argv);
    std::setlocale(LC_NUMERIC, "C");  // numbers in the log read the same in every locale

    const CString moduleFileName =
        options.folder.isEmpty() ? CString()
                                 : QDir(options.folder).absoluteFilePath(QStringLiteral("veltmoor-cli")).toStdString();
    CVeltmoorDlg dlg(nullptr, moduleFileName);
    dlg.OnInitDialog();

    // Start-up's error blocks (configuration, connection) are in the log now; the
    // first run clears it, so they go to standard error here.
    CheckTally total = dlg.m_tally;
    if (!options.quiet) Write(stderr, dlg.m_strMdacVersion + "\n");
    if (!dlg.m_wndLog.Model().Empty())
        Write(stderr, cli::RenderLog(dlg.m_wndLog.Model(), cli::WantColour(options.colour, STDERR_FILENO)));

    if (options.fix) {
        // Through the control, as the user ticks it; the handlers read it back.
        if (auto* box = qobject_cast<QCheckBox*>(dlg.GetDlgItem(CVeltmoorDlg::IDC_FIX_ERRORS)))
            box->setChecked(true);
    }
    // The log keeps only its newest lines; a run is printed as it goes (after
    // each account), so that a large database's log reaches stdout whole. With
    // --quiet it is held back until the run shows whether it found anything.
    const bool colour = cli::WantColour(options.colour, STDOUT_FILENO);
    cli::LogFollower follower(dlg.m_wndLog.Model());
    std::string pending;
    auto collect = [&] {
        pending += follower.TakeNew(colour);
        if (!options.quiet) {
            Write(stdout, pending);
            pending.clear();
        }
    };
    // Large databases take a while: a terminal on stderr sees how far the account
    // check has come, every thousand accounts; pipes and files see nothing.
    const bool showProgress = !options.quiet && isatty(STDERR_FILENO) == 1;
    bool progressShown = false;
    dlg.m_accountProgress = [&](long checked) {
        collect();
        if (showProgress && checked % 1000 == 0) {
            Write(stderr, "\rveltmoor-cli: " + std::to_string(checked) + " accounts checked");
            progressShown = true;
        }
    };
    for (const cli::Command command : options.commands) {
        follower.Restart();
        if (command == cli::Command::Tables) dlg.OnCheckTables();
        else dlg.OnCheckAccounts();
        collect();
        if (progressShown) Write(stderr, "\r\033[K");  // the progress line is done with
        progressShown = false;
        const CheckTally run = dlg.m_tally;
        cli::Accumulate(total, run);
        if (run.findings > 0 || run.errors > 0) Write(stdout, pending);
        pending.clear();
    }
    return cli::ExitStatusOf(total);
}
