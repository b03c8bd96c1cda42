// CVeltmoorDlg::CheckTables: one pass over the schema description, table by table.
#include "schema/TableCheck.h"

#include "base/Support.h"
#include "schema/Description.h"

namespace veltmoor {

using namespace schema;

namespace {

// The catalog's name of the table of that name (without regard to case), or none.
// The table names are read from the catalog at the first lookup of a pass and kept
// for the pass: tables are only created and dropped by the rebuild step, after the
// last lookup.
std::optional<CString> FindTable(const ComPtr<ado::CatalogBackend>& catalog,
                                 std::optional<std::vector<std::string>>& tables, const CString& name) {
    if (!tables) tables = catalog->TableNames();
    for (const std::string& table : *tables)
        if (EqualsNoCase(table, name)) return table;
    return std::nullopt;
}

}  // namespace

namespace schema {

CString Pass::Finding(const CVeltmoorDlg::Finding& finding, std::optional<bool> repaired) {
    ++dlg.m_tally.findings;
    Report(finding, repaired.value_or(false));
    if (!repaired) return finding.message;
    return finding.message + (*repaired ? " - FIXED" : " - ATTEMPT TO FIX FAILED");
}

void Pass::Report(CVeltmoorDlg::Finding finding, bool fixed) {
    if (fixed) ++dlg.m_tally.fixed;
    finding.fixed = fixed;
    if (dlg.m_findingSink) dlg.m_findingSink(finding);
}

Pass::~Pass() {
    // Findings whose rebuild never came (an error ended the pass) stay unfixed.
    for (auto& [name, entry] : rebuild)
        for (const CVeltmoorDlg::Finding& finding : entry.findings) Report(finding, false);
}

}  // namespace schema

bool CVeltmoorDlg::CheckTables(bool identityPass) {
    bool result = true;
    try {
        Pass pass{*this, identityPass, {}};
        xml::XmlDocumentPtr document = xml::XmlDocument::Create();
        document->load(TablesFile());  // a file that cannot be read leaves the document empty

        std::optional<std::vector<std::string>> tables;
        xml::XmlNodeListPtr tableElements = document->selectNodes("//TABLES/TABLE");
        for (long i = 0; i < tableElements->length(); ++i) {
            xml::XmlNodePtr tableElement = tableElements->item(i);
            CString tableName;
            if (!HasText(tableElement, "name", tableName)) continue;
            if (!identityPass) {
                ++m_tally.tables;
                m_wndLog.AddLine(Format("--- Checking table: %s ---", tableName.c_str()));
            }

            const std::optional<CString> table = FindTable(m_pCatalog, tables, tableName);
            if (table) {
                xml::XmlNodeListPtr columnElements = CheckColumns(pass, tableElement, tableName, *table);
                if (!identityPass) CheckIndexes(pass, tableElement, *table, columnElements);
            }
            if (m_tableProgress) m_tableProgress();
            if (identityPass) continue;
            if (!table) {
                const CString located = Format("** Table [%s] could not be located!!", tableName.c_str());
                m_wndLog.AddLine(InColour(4, pass.Finding({"tables", tableName, {}, {}, {}, {}, located})));
                m_wndLog.AddLine(
                    InColour(4, "** If you are using sql server verify that the table is not owned by another user."));
                m_wndLog.AddLine(InColour(4, Format("** email: %s for help.", kSupportEmail)));
            }
            m_wndLog.AddLine("--- Checking Complete ---");
            m_wndLog.AddLine("  ");
        }
        if (identityPass && m_bFixErrors == 1) RebuildTables(pass);
    } catch (const _com_error& error) {
        RecordException(error, kCheckTablesTracer, true);
        result = false;
    }
    return result;
}

}  // namespace veltmoor
