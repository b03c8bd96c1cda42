#include "app/Resources.h"

#include <QApplication>
#include <QStyle>

// The resource file lives in a static library: nothing references it by symbol,
// so it is registered explicitly before the first use (outside any namespace,
// as the registration macro requires).
static void RegisterProgramResources() { Q_INIT_RESOURCE(veltmoor); }

namespace veltmoor {

QString LoadString(int id) {
    switch (id) {
    case IDS_ABOUTBOX:
        return QStringLiteral("&About Veltmoor...");
    default:
        return {};
    }
}

QIcon LoadProgramIcon() {
    RegisterProgramResources();
    QIcon icon;
    for (int size : {16, 32, 48})
        icon.addFile(QStringLiteral(":/veltmoor/icons/veltmoor-%1.png").arg(size), QSize(size, size));
    return icon;
}

QSize LargeIconSize() {
    const int size = QApplication::style()->pixelMetric(QStyle::PM_LargeIconSize);
    return {size, size};
}

}  // namespace veltmoor
