// veltmoor-cli: the main dialog's checks without a window, for servers, scripts
// and cron. It runs the same CVeltmoorDlg members in the same order as the
// buttons and prints the log (or JSON Lines); the exit status ORs what the runs found.
#include <QApplication>
#include <QCheckBox>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "app/VeltmoorDlg.h"
#include "base/Locale.h"
#include "base/Support.h"
#include "cli/CliOptions.h"
#include "cli/ExitStatus.h"
#include "cli/HeldLog.h"
#include "cli/Interrupt.h"
#include "cli/JsonLines.h"
#include "cli/LogOutput.h"
#include "cli/Output.h"
#include "cli/Progress.h"
#include "cli/SchemaFile.h"

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

// The number of accounts, for the progress line; 0 when the database cannot say.
long CountAccounts(CVeltmoorDlg& dlg) {
    if (!dlg.m_pConnection) return 0;
    try {
        ado::RecordsetPtr rows = dlg.m_pConnection->Execute("SELECT COUNT(*) AS N FROM ACCOUNTS");
        return rows->IsEOF() ? 0 : rows->GetField("N").ToInt32();
    } catch (const _com_error&) {
        return 0;  // the check itself will say what is wrong
    }
}

}  // namespace

int main(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << cli::DecodeArgument(argv[i]);
    cli::ParseResult parsed = cli::ParseCommandLine(arguments);
    if (parsed.error.empty() && !parsed.options.help && !parsed.options.version)
        parsed.error = cli::MissingPath(parsed.options);
    if (!parsed.error.empty()) {
        Write(stderr, "veltmoor-cli: " + parsed.error + " Try 'veltmoor-cli --help'.\n");
        return cli::kUsageError;
    }
    const cli::CliOptions& options = parsed.options;
    cli::Output stdoutput;
    // The status with what stdout's last flush and close said.
    const auto finish = [&stdoutput](int status) {
        if (const int error = stdoutput.Close()) {
            Write(stderr, cli::WriteErrorLine(error));
            status |= cli::kErrorRecorded;
        }
        return status;
    };
    if (options.help || options.version) {
        stdoutput.Write(options.help ? cli::UsageText() : std::string("veltmoor-cli ") + kProgramVersion + "\n");
        return finish(0);
    }

    // Widgets without a display: the dialog is never shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(DropQtMessages);
    QApplication application(argc, argv);
    UseProgramLocale();

    const bool json = options.format == cli::OutputFormat::Json;
    const bool colour = !json && cli::WantColour(options.colour, STDOUT_FILENO);
    const bool visible = isatty(STDOUT_FILENO) == 1;  // no control byte from the database reaches a terminal raw
    cli::Progress progress(!options.quiet && isatty(STDERR_FILENO) == 1);
    // Everything for stdout goes through here: the progress line is taken away first.
    auto out = [&](std::string_view text) {
        if (text.empty()) return;
        progress.Erase();
        stdoutput.Write(text);
        if (progress.Enabled()) stdoutput.Flush();  // before the next progress line
    };

    CVeltmoorDlg dlg;
    // The argument's bytes, made absolute: never re-encoded on the way to the file system.
    auto absolute = [](const QString& path) {
        std::string full = std::filesystem::absolute(cli::PathBytes(path)).lexically_normal().string();
        if (full.size() > 1 && full.back() == '/') full.pop_back();
        return full;
    };
    if (!options.folder.isEmpty()) dlg.m_strFolderOverride = absolute(options.folder) + "/";
    if (!options.database.isEmpty()) dlg.m_strConnectionOverride = EmbeddedConnectionString(absolute(options.database));
    if (!options.connection.isEmpty()) dlg.m_strConnectionOverride = cli::PathBytes(options.connection);
    dlg.m_bBackupBeforeRepair = options.backup;
    if (json) {
        // Findings and error blocks as data, as the checks report them.
        const auto outJson = [&, visible](const QByteArray& line) {
            out(visible ? cli::EscapeControls(line) : line.toStdString());
        };
        dlg.m_findingSink = [outJson](const CVeltmoorDlg::Finding& f) { outJson(cli::FindingLine(f)); };
        dlg.m_errorSink = [outJson](const _com_error& e, const CString& tracer) { outJson(cli::ErrorLine(e, tracer)); };
    }
    dlg.OnInitDialog();
    if (!options.tables.isEmpty()) dlg.m_strTablesOverride = absolute(options.tables);

    // Start-up's error blocks (configuration, connection) are in the log now; the
    // first run clears it, so they go to standard error here.
    CheckTally total = dlg.m_tally;
    if (!options.quiet) Write(stderr, dlg.m_strMdacVersion + "\n");
    if (!dlg.m_wndLog.Model().Empty())
        Write(stderr, cli::RenderLog(dlg.m_wndLog.Model(), cli::WantColour(options.colour, STDERR_FILENO),
                                     isatty(STDERR_FILENO) == 1));

    if (options.fix) {
        // Through the control, as the user ticks it; the handlers read it back.
        if (auto* box = qobject_cast<QCheckBox*>(dlg.GetDlgItem(CVeltmoorDlg::IDC_FIX_ERRORS)))
            box->setChecked(true);
    }
    // The log keeps only its newest lines; a run is printed as it goes (after each
    // account and each table), so that a large database's log reaches stdout
    // whole. With --quiet it is held back until the run shows whether it found
    // anything.
    cli::LogFollower follower(dlg.m_wndLog.Model());
    cli::HeldLog pending;
    const auto release = [&] { pending.Release(out); };
    auto collect = [&] {
        if (json) return;
        pending.Append(follower.TakeNew(colour, visible));
        if (!options.quiet) release();
    };
    // A signal, or a report that can no longer be written, ends the run at the next
    // table or account, where no repair is under way.
    const auto stopAsked = [&] { return cli::Interrupted() || stdoutput.Failed(); };
    const auto betweenRepairs = [&] {
        collect();
        if (stopAsked()) throw cli::RunStopped{};
    };
    long accountsTotal = 0;
    dlg.m_tableProgress = betweenRepairs;
    dlg.m_accountProgress = [&](long checked) {
        betweenRepairs();
        progress.Accounts(checked, accountsTotal);
    };
    // From here a signal waits for the next table or account; start-up (which
    // writes nothing) still ends at once.
    cli::CatchInterrupts();
    bool stopped = false;
    for (const cli::Command command : options.commands) {
        if ((stopped = stopAsked())) break;
        follower.Restart();
        if (command == cli::Command::Tables) {
            const std::string problem = cli::SchemaFileProblem(dlg.TablesFile());
            if (!problem.empty()) {
                // The dialog would check nothing and say nothing; a script must hear of it.
                const std::string line = dlg.TablesFile() + ": " + problem;
                stdoutput.Flush();
                Write(stderr, "veltmoor-cli: " + line + "\n");
                if (json) out(cli::ErrorLine(line).toStdString());
                ++total.errors;
                continue;
            }
        }
        try {
            if (command == cli::Command::Tables) {
                dlg.OnCheckTables();
            } else {
                if (progress.Enabled()) accountsTotal = CountAccounts(dlg);
                dlg.OnCheckAccounts();
            }
        } catch (const cli::RunStopped&) {
            stopped = true;
        }
        collect();
        progress.Erase();
        const CheckTally run = dlg.m_tally;
        cli::Accumulate(total, run);
        if (run.findings > 0 || run.errors > 0) release();
        pending.Clear();
        if (stopped) break;
    }
    const bool interrupted = stopped && cli::Interrupted();
    const int status = cli::ExitStatusOf(total) | (interrupted ? cli::kInterrupted : 0) |
                       (stdoutput.Failed() ? cli::kErrorRecorded : 0);
    if (json) out(cli::SummaryLine(total, status).toStdString());
    stdoutput.Flush();  // the summary comes after the log, also where both streams meet
    if (!options.quiet)
        Write(stderr, cli::SummaryLine(total, options.commands) +
                          (interrupted ? "; interrupted, stopped between two repairs\n" : "\n"));
    return finish(status);
}
