// The main dialog's construction, controls, data exchange and start-up.
#include "app/VeltmoorDlg.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QUuid>

#include "app/DialogUnits.h"
#include "app/Resources.h"

namespace veltmoor {

namespace {

Guid NewGuid() {
    const QUuid uuid = QUuid::createUuid();
    Guid guid;
    guid.data1 = uuid.data1;
    guid.data2 = uuid.data2;
    guid.data3 = uuid.data3;
    for (std::size_t i = 0; i < guid.data4.size(); ++i) guid.data4[i] = uuid.data4[i];
    return guid;
}

}  // namespace

CVeltmoorDlg::CVeltmoorDlg(QWidget* parent, CString moduleFileName)
    : QDialog(parent),
      m_hIcon(LoadProgramIcon()),
      m_strModuleFileName(std::move(moduleFileName)),
      m_connectionFactory(&ado::CreateConnection),
      m_guidSource(&NewGuid) {
    if (m_strModuleFileName.empty()) m_strModuleFileName = QCoreApplication::applicationFilePath().toStdString();
    setWindowTitle(QStringLiteral("Veltmoor (Build 1711 plus)"));
    // A fixed-size window with caption, window menu and minimise box, no maximise.
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(DialogFont());
    setFixedSize(MapDialogSize(BaseUnitsOf(font()), {439, 247}));
    CreateControls();
    CreateSystemMenu();
}

CVeltmoorDlg::~CVeltmoorDlg() {
    // The catalog holds the connection; let go of it first.
    m_pCatalog.Release();
    m_pConnection.Release();
}

void CVeltmoorDlg::CreateControls() {
    const DialogBaseUnits units = BaseUnitsOf(font());
    auto place = [&](QWidget* control, int id, const QRect& dialogUnits) {
        control->setGeometry(MapDialogRect(units, dialogUnits));
        control->setProperty("dlgCtrlId", id);
        if (id > 0) m_controls[id] = control;
    };
    // Created in template order, which is also the keyboard (tab) order.
    m_btnExit = new QPushButton(QStringLiteral("Exit"), this);
    m_btnExit->setDefault(true);
    place(m_btnExit, IDOK, {372, 36, 54, 18});

    m_group = new QGroupBox(QStringLiteral("Static"), this);
    place(m_group, -1, {6, 3, 426, 57});

    m_status = new QLabel(this);
    m_status->setTextFormat(Qt::PlainText);
    m_status->setAlignment(Qt::AlignCenter);
    m_status->setFrameStyle(QFrame::Box | QFrame::Plain);
    m_status->setLineWidth(1);
    place(m_status, IDC_STATUS, {15, 36, 351, 18});

    auto* placeholder = new QFrame(this);
    placeholder->setFrameStyle(QFrame::Box | QFrame::Plain);
    placeholder->setEnabled(false);
    placeholder->setVisible(false);
    m_logPlaceholder = placeholder;
    place(placeholder, IDC_LOG_PLACEHOLDER, {6, 66, 426, 174});

    m_fixErrors = new QCheckBox(QStringLiteral("Fix Errors"), this);
    place(m_fixErrors, IDC_FIX_ERRORS, {372, 21, 47, 10});

    m_btnCheckTables = new QPushButton(QStringLiteral("Check Tables"), this);
    place(m_btnCheckTables, IDC_CHECK_TABLES, {15, 18, 72, 14});
    m_btnCheckAccounts = new QPushButton(QStringLiteral("Check Accounts"), this);
    place(m_btnCheckAccounts, IDC_CHECK_ACCOUNTS, {96, 18, 69, 14});
    m_btnCopyLog = new QPushButton(QStringLiteral("Copy Log to Clipboard"), this);
    place(m_btnCopyLog, IDC_COPY_LOG, {171, 18, 87, 14});
    m_btnHelp = new QPushButton(QStringLiteral("Help"), this);
    place(m_btnHelp, IDC_HELP, {315, 18, 50, 14});

    // The group box only frames the others: kept beneath them, so that it never
    // takes their mouse clicks.
    m_group->lower();

    connect(m_btnExit, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_btnCheckTables, &QPushButton::clicked, this, &CVeltmoorDlg::OnCheckTables);
    connect(m_btnCheckAccounts, &QPushButton::clicked, this, &CVeltmoorDlg::OnCheckAccounts);
    connect(m_btnCopyLog, &QPushButton::clicked, this, &CVeltmoorDlg::OnCopyLog);
    connect(m_btnHelp, &QPushButton::clicked, this, &CVeltmoorDlg::OnHelp);
}

QWidget* CVeltmoorDlg::GetDlgItem(int id) const {
    if (id == IDC_LOG_WINDOW) return m_wndLog.IsCreated() ? const_cast<CTextWnd*>(&m_wndLog) : nullptr;
    const auto it = m_controls.find(id);
    return it == m_controls.end() ? nullptr : it->second;
}

bool CVeltmoorDlg::UpdateData(bool saveAndValidate) {
    if (saveAndValidate) {
        m_strMdacVersion = m_status->text().toStdString();
        m_bFixErrors = m_fixErrors->checkState() == Qt::Checked ? 1
                       : m_fixErrors->checkState() == Qt::PartiallyChecked ? 2
                                                                            : 0;
    } else {
        m_status->setText(QString::fromStdString(m_strMdacVersion));
        m_fixErrors->setCheckState(m_bFixErrors == 0 ? Qt::Unchecked
                                   : m_bFixErrors == 2 ? Qt::PartiallyChecked
                                                       : Qt::Checked);
    }
    return true;
}

bool CVeltmoorDlg::OnInitDialog() {
    if (m_initialised) return true;
    m_initialised = true;

    // 2. The About entry at the end of the window menu.
    if (windowFlags() & Qt::WindowSystemMenuHint) {
        const QString about = LoadString(IDS_ABOUTBOX);
        if (!about.isEmpty()) {
            m_sysMenu->addSeparator();
            m_sysMenu->addAction(about)->setData(IDM_ABOUTBOX);
        }
    }
    // 3. Caption and task bar icon.
    setWindowIcon(m_hIcon);
    // 4. The log window over the hidden placeholder, whose geometry is already in
    //    the dialog's client coordinates.
    m_wndLog.Create(this, m_logPlaceholder->geometry(), IDC_LOG_WINDOW);
    // 5. Program folder, connection string, config.xml.
    LocateDatabase();
    // 6. Nothing of an earlier connection survives.
    m_pCatalog.Release();
    m_pConnection.Release();
    // 7.-8. The status text stays this unless the connection reports its version.
    m_strMdacVersion = "NO MDAC VERSION DETECTED";
    OpenConnection();
    // 9.
    UpdateData(false);
    return true;
}

void CVeltmoorDlg::showEvent(QShowEvent* event) {
    // First show, by exec() or show(): the dialog initialises itself before it appears.
    OnInitDialog();
    QDialog::showEvent(event);
}

}  // namespace veltmoor
