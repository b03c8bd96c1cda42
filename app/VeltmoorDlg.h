// CVeltmoorDlg, the main dialog: it holds the program's state (log, texts,
// connection, catalog, "Fix Errors") and all database work as member functions.
// The members live in the folder of their subsystem (app/, db/, schema/, accounts/).
// Data-access and XML errors are caught inside each member and written to the log
// by RecordException; members return their neutral result after that.
#pragma once

#include <QDialog>
#include <QIcon>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "base/CString.h"
#include "db/ado/Connection.h"
#include "db/xml/XmlDocument.h"
#include "log/TextWnd.h"
#include "schema/Guid.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;

namespace veltmoor {

namespace accounts {
struct Account;
struct LockedAccount;
class AccountRun;
enum class RepairOutcome : int;
}  // namespace accounts

// What a run found, for veltmoor-cli's exit status. The log stays the report;
// this only counts what the checks wrote into it.
struct CheckTally {
    int findings = 0;  // findings written (each missing thing)
    int fixed = 0;     // of those, repaired (" - FIXED" and the rebuild's FIXED line)
    int errors = 0;    // error blocks written
    int tables = 0;    // tables of the description checked (main pass)
    int accounts = 0;  // accounts checked
    void Reset() { *this = CheckTally{}; }
};

// True for SQL Server (SQLOLEDB...) and ODBC (MSDASQL...) connections, false for
// the embedded Jet-style database. Raises E_POINTER for an absent connection.
bool IsSqlServerProvider(ado::ConnectionPtr connection);

// The folder that holds config.xml, tarnwick.mdb and tables.xml, with its closing
// '/': the executable's own folder when it holds one of them (a build tree or a
// portable copy), otherwise the installation's <sysconfdir>/veltmoor/.
CString ProgramFolderOf(const CString& moduleFileName);

// The connection string that opens the embedded database at that path (never
// creating it), the path quoted when it needs to be.
CString EmbeddedConnectionString(const CString& databasePath);

class CVeltmoorDlg : public QDialog {
    Q_OBJECT
public:
    enum { IDD = 102 };
    // Control ids of dialog 102.
    enum ControlId {
        IDOK = 1,
        IDC_STATUS = 1006,
        IDC_LOG_PLACEHOLDER = 1007,
        IDC_FIX_ERRORS = 1008,
        IDC_CHECK_TABLES = 1009,
        IDC_CHECK_ACCOUNTS = 1010,
        IDC_COPY_LOG = 1011,
        IDC_HELP = 1012,
        IDC_LOG_WINDOW = 6435,
    };
    static constexpr unsigned IDM_ABOUTBOX = 16;
    // System commands of the window menu besides the About entry.
    static constexpr unsigned SC_MINIMIZE = 0xF020;
    static constexpr unsigned SC_CLOSE = 0xF060;
    static constexpr unsigned SC_RESTORE = 0xF120;

    // moduleFileName: the full path of the program file whose folder holds
    // config.xml, tarnwick.mdb and tables.xml (empty: this executable).
    explicit CVeltmoorDlg(QWidget* parent = nullptr, CString moduleFileName = {});
    ~CVeltmoorDlg() override;

    // One finding as data, handed to m_findingSink beside the log line that says it.
    struct Finding {
        const char* check = "";          // "tables" or "accounts"
        CString table, column, index;    // tables: what it is about (column or index may be empty)
        CString account, link;           // accounts: the account's name and its link column
        CString message;                 // the log line without " - FIXED" / " - ATTEMPT TO FIX FAILED"
        bool fixed = false;
    };

    // ---- app/: start-up, data exchange and handlers ----
    // Start-up: window menu, icons, log window, database, status line. Runs once,
    // when the dialog is first shown or when called directly (veltmoor-cli, tests);
    // later calls do nothing.
    bool OnInitDialog();
    // true: controls -> members (status text, "Fix Errors"); false: members -> controls.
    bool UpdateData(bool saveAndValidate = true);
    void OnSysCommand(unsigned id);  // 16: the About box; minimise, close, restore
    QIcon OnQueryDragIcon() const { return m_hIcon; }
    void OnCheckTables();
    void OnCheckAccounts();
    void OnCopyLog();
    void OnHelp();
    QWidget* GetDlgItem(int id) const;  // a control by its id, or nullptr
    // The window menu (this platform's system menu), shown as the context menu.
    QMenu* SystemMenu() const { return m_sysMenu; }
    // Where the icon is drawn while minimised: centred, rounding as the window system does.
    static QPoint MinimizedIconOrigin(QSize client, QSize icon);

    // ---- db/: configuration, connection, error recording ----
    // Program folder (see ProgramFolderOf), default connection string, config.xml,
    // and the schema description's path; the overrides below win.
    void LocateDatabase();
    void ParseConfigFile(const CString& path);
    void OpenConnection();
    void RecordException(const _com_error& error, CString tracer, bool writeToLog);

    // ---- schema/: the table check and its repairs ----
    // The schema description: tables.xml in the program folder unless overridden.
    CString TablesFile() const { return m_strTablesOverride.empty() ? m_strProgramFolder + "tables.xml" : m_strTablesOverride; }
    bool CheckTables(bool identityPass);
    // The catalog's side of a table: `tableName` as the catalog names it, `indexes` and
    // `column` as the catalog reported them. Setting a default updates `column` too.
    bool IndexExists(const CString& indexName, const std::vector<ado::IndexInfo>& indexes,
                     const xml::XmlNodePtr& indexElement, CString& foundName);
    bool CreateIndex(const CString& indexName, const CString& tableName, const xml::XmlNodePtr& indexElement,
                     const xml::XmlNodeListPtr& columnElements);
    bool CreateIndex(const CString& tableName, const CString& indexName, const CString& columnName,
                     ado::DataTypeEnum type, long definedSize, bool primaryKey, bool unique);
    bool SetColumnDefault(const CString& tableName, ado::ColumnInfo& column, const xml::XmlNodePtr& columnElement);
    bool SetColumnDefault(const CString& tableName, ado::ColumnInfo& column, const _variant_t& value);
    bool SetColumnDefault(const xml::XmlNodePtr& columnElement, const CString& tableName, const CString& columnName,
                          const CString& constraintName);
    bool CreateTable(const ado::TableDef& sourceTable, const CString& identityColumn, CString& newTableName);

    // ---- app/: what keeps a run from making the database worse ----
    // Clears the log and what the last run counted and decided; each check button starts so.
    void BeginRun();
    // The embedded database's PRAGMA quick_check, before a run reads it: false (with
    // an error block naming the recovery route) when the file is damaged.
    bool CheckIntegrity();
    // Called by every repair before it writes. The first call of a run refuses a
    // read-only connection and backs the embedded database up (m_bBackupBeforeRepair);
    // when either fails, an error block is written and no repair of the run may write.
    bool PrepareRepair();

    // ---- accounts/: the account link check ----
    void CheckAccounts();
    _variant_t GetInsertIdentityValue(ado::ConnectionPtr connection);

    // ---- state (declaration order as the dialog defines it) ----
    CTextWnd m_wndLog;
    CString m_strProgramFolder;
    CString m_strConnectionString;
    ado::ConnectionPtr m_pConnection;
    ComPtr<ado::CatalogBackend> m_pCatalog;  // the catalog of m_pConnection's database
    QIcon m_hIcon;
    CString m_strMdacVersion;
    int m_bFixErrors = 0;

    // ---- platform hooks, replaceable by tests and by veltmoor-cli ----
    CString m_strModuleFileName;                           // the program file's full path
    CString m_strSharedFolder = "/srv/ftp";                // base of repaired home folders
    std::function<ado::ConnectionPtr()> m_connectionFactory;  // ADODB.Connection
    GuidSource m_guidSource;                               // CoCreateGuid
    CheckTally m_tally;                                    // counts of the current run
    std::function<void(long)> m_accountProgress;           // accounts checked so far (veltmoor-cli)
    std::function<void()> m_tableProgress;                 // a table of the description checked (veltmoor-cli)
    std::function<void(const Finding&)> m_findingSink;     // every finding, when its outcome is known
    std::function<void(const _com_error&, const CString& tracer)> m_errorSink;  // every error block written

    // ---- start-up choices of veltmoor-cli (empty: the program folder rule and config.xml) ----
    CString m_strFolderOverride;      // --folder: the program folder, with its closing '/'
    CString m_strConnectionOverride;  // --database/--connection: wins over config.xml
    CString m_strTablesOverride;      // --tables: the schema description
    bool m_bBackupBeforeRepair = true;  // veltmoor-cli --no-backup clears it

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // The account check's pieces (accounts/). A run's lines go through m_accountRun,
    // which holds them while a batch's repairs are uncommitted.
    friend class accounts::AccountRun;
    void CheckAccount(const accounts::Account& account);
    bool LinkedRowExists(int link, const _variant_t& value);  // the link's own lookup
    void ReportLink(const accounts::Account& account, int link, accounts::LockedAccount& locked);
    accounts::RepairOutcome RepairLink(const accounts::Account& account, int link, accounts::LockedAccount& locked);
    // Locks the account's rows inside the batch's transaction and reads its links afresh;
    // `locked.refused` (with an error block) when no repair may change it.
    void LockAccount(const accounts::Account& account, accounts::LockedAccount& locked);
    bool RepairRow(std::int64_t accountId, int link);
    bool RepairHomeFolder(std::int64_t accountId, const CString& folder);
    // The new row's ID after a repair's INSERT, or none (with an error block) when it is
    // empty or not carried by exactly one row of the table.
    std::optional<std::int64_t> NewRowId(const char* table);
    accounts::AccountRun* m_accountRun = nullptr;
    // The error block's lines and its m_errorSink call, without counting it.
    void WriteErrorBlock(const _com_error& error, const CString& tracer);

    void CreateControls();
    void CreateSystemMenu();
    void PopUpSystemMenu(QPoint globalPos);
    void ShowMessage(const QString& text);  // OK box captioned with the program's name

    bool BackUpBeforeFirstRepair();
    std::optional<bool> m_repairsAllowed;  // decided by the first repair of a run

    bool m_initialised = false;
    std::map<int, QWidget*> m_controls;  // by control id; the widgets are children of the dialog
    QMenu* m_sysMenu = nullptr;
    QGroupBox* m_group = nullptr;
    QLabel* m_status = nullptr;
    QCheckBox* m_fixErrors = nullptr;
    QPushButton* m_btnExit = nullptr;
    QPushButton* m_btnCheckTables = nullptr;
    QPushButton* m_btnCheckAccounts = nullptr;
    QPushButton* m_btnCopyLog = nullptr;
    QPushButton* m_btnHelp = nullptr;
    QWidget* m_logPlaceholder = nullptr;
};

}  // namespace veltmoor
