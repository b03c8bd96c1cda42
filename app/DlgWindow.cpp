// The main dialog as a window: its window menu (with the About entry), system
// commands, and the icon drawn while minimised.
#include <QAction>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QShortcut>

#include "app/AboutDlg.h"
#include "app/Resources.h"
#include "app/VeltmoorDlg.h"

namespace veltmoor {

void CVeltmoorDlg::CreateSystemMenu() {
    // This platform's window manager owns the title bar menu, so the dialog keeps
    // its own: the commands a fixed dialog offers there, shown as its context
    // menu; start-up appends the About entry.
    m_sysMenu = new QMenu(this);
    m_sysMenu->addAction(QStringLiteral("Mi&nimize"))->setData(SC_MINIMIZE);
    QAction* close = m_sysMenu->addAction(QStringLiteral("&Close\tAlt+F4"));
    close->setData(SC_CLOSE);
    connect(m_sysMenu, &QMenu::triggered, this,
            [this](QAction* action) { OnSysCommand(action->data().toUInt()); });
    // From the keyboard: Alt+Space, as the window menu opens on the desktop this
    // dialog comes from, and Shift+F10; the menu key arrives as a context menu
    // event. Shortcuts, so that a focused button never sees the keys.
    for (const QKeySequence& keys : {QKeySequence(Qt::ALT | Qt::Key_Space), QKeySequence(Qt::SHIFT | Qt::Key_F10)}) {
        auto* shortcut = new QShortcut(keys, this);
        connect(shortcut, &QShortcut::activated, this, [this] { PopUpSystemMenu(mapToGlobal(QPoint(0, 0))); });
    }
}

void CVeltmoorDlg::PopUpSystemMenu(QPoint globalPos) {
    // popup() rather than exec(): the menu works by mouse and keyboard either
    // way, and the command runs after the menu has closed.
    m_sysMenu->popup(globalPos);
}

void CVeltmoorDlg::contextMenuEvent(QContextMenuEvent* event) {
    const QPoint at = event->reason() == QContextMenuEvent::Mouse ? event->globalPos() : mapToGlobal(QPoint(0, 0));
    PopUpSystemMenu(at);
    event->accept();
}

void CVeltmoorDlg::OnSysCommand(unsigned id) {
    // The low four bits belong to the window system.
    switch (id & 0xFFF0u) {
    case IDM_ABOUTBOX: {
        CAboutDlg about(this);
        about.exec();
        break;
    }
    case SC_MINIMIZE:
        showMinimized();
        break;
    case SC_RESTORE:
        showNormal();
        break;
    case SC_CLOSE:
        close();
        break;
    default:
        break;
    }
}

QPoint CVeltmoorDlg::MinimizedIconOrigin(QSize client, QSize icon) {
    return {(client.width() - icon.width() + 1) / 2, (client.height() - icon.height() + 1) / 2};
}

void CVeltmoorDlg::paintEvent(QPaintEvent* event) {
    if (!isMinimized()) {
        QDialog::paintEvent(event);
        return;
    }
    // Erase the icon's background, then draw the icon centred.
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    const QSize iconSize = LargeIconSize();
    const QRect target(MinimizedIconOrigin(rect().size(), iconSize), iconSize);
    painter.drawPixmap(target, m_hIcon.pixmap(iconSize, devicePixelRatio()));
}

}  // namespace veltmoor
