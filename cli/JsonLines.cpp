#include "cli/JsonLines.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "base/CString.h"
#include "cli/ExitStatus.h"

namespace veltmoor::cli {

namespace {

QByteArray Line(const QJsonObject& object) { return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n'; }

QJsonValue Text(const CString& text) { return QString::fromStdString(text); }

}  // namespace

QByteArray FindingLine(const CVeltmoorDlg::Finding& finding) {
    QJsonObject object{{QStringLiteral("check"), QString::fromLatin1(finding.check)}};
    // Only the names that say what the finding is about.
    for (const auto& [key, value] : {std::pair{"table", &finding.table}, {"column", &finding.column},
                                     {"index", &finding.index}, {"account", &finding.account},
                                     {"link", &finding.link}})
        if (!value->empty()) object.insert(QLatin1String(key), Text(*value));
    // An account's name may be empty: it still says which account.
    if (finding.check == std::string_view("accounts")) object.insert(QStringLiteral("account"), Text(finding.account));
    object.insert(QStringLiteral("message"), Text(finding.message));
    object.insert(QStringLiteral("fixed"), finding.fixed);
    return Line(object);
}

QByteArray ErrorLine(const _com_error& error, const CString& tracer) {
    const bool info = error.HasErrorInfo();
    return Line({{QStringLiteral("error"),
                  QJsonObject{
                      {QStringLiteral("code"), QString::fromStdString(ErrorCodeText(error.Error()))},
                      {QStringLiteral("msg"), Text(error.ErrorMessage())},
                      {QStringLiteral("source"), info ? Text(error.Source()) : QJsonValue()},
                      {QStringLiteral("description"), info ? Text(error.Description()) : QJsonValue()},
                      {QStringLiteral("tracer"), Text(tracer)},
                  }}});
}

QByteArray ErrorLine(const std::string& description) {
    return Line({{QStringLiteral("error"), QJsonObject{{QStringLiteral("source"), QStringLiteral("veltmoor-cli")},
                                                       {QStringLiteral("description"), Text(description)}}}});
}

std::string EscapeControls(const QByteArray& json) {
    std::string out;
    out.reserve(static_cast<size_t>(json.size()));
    for (qsizetype i = 0; i < json.size(); ++i) {
        const auto byte = static_cast<unsigned char>(json[i]);
        const auto next = i + 1 < json.size() ? static_cast<unsigned char>(json[i + 1]) : 0u;
        if (byte == 0x7F) {
            out += "\\u007f";
        } else if (byte == 0xC2 && next >= 0x80 && next < 0xA0) {
            out += Format("\\u%04x", next);
            ++i;
        } else {
            out += static_cast<char>(byte);
        }
    }
    return out;
}

QByteArray SummaryLine(const CheckTally& total, int status) {
    return Line({{QStringLiteral("summary"), QJsonObject{
                                                 {QStringLiteral("tables"), total.tables},
                                                 {QStringLiteral("accounts"), total.accounts},
                                                 {QStringLiteral("findings"), total.findings},
                                                 {QStringLiteral("fixed"), total.fixed},
                                                 {QStringLiteral("left"), LeftUnfixed(total)},
                                                 {QStringLiteral("errors"), total.errors},
                                                 {QStringLiteral("status"), status},
                                                 {QStringLiteral("interrupted"), (status & kInterrupted) != 0},
                                             }}});
}

}  // namespace veltmoor::cli
