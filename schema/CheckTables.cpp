// PLACEHOLDER: replaced by the real implementation.
#include "app/VeltmoorDlg.h"
namespace veltmoor {
bool CVeltmoorDlg::CheckTables(bool) { return true; }
bool CVeltmoorDlg::IndexExists(const CString&, const adox::TablePtr&, const xml::XmlNodePtr&, CString&) { return false; }
bool CVeltmoorDlg::CreateIndex(const CString&, const adox::TablePtr&, const xml::XmlNodePtr&, const xml::XmlNodeListPtr&) { return false; }
bool CVeltmoorDlg::CreateIndex(const adox::TablePtr&, const CString&, const CString&, ado::DataTypeEnum, long, bool, bool) { return false; }
bool CVeltmoorDlg::SetColumnDefault(const adox::ColumnPtr&, const xml::XmlNodePtr&) { return false; }
bool CVeltmoorDlg::SetColumnDefault(const adox::ColumnPtr&, const _variant_t&) { return false; }
bool CVeltmoorDlg::SetColumnDefault(const xml::XmlNodePtr&, const CString&, const CString&, const CString&) { return false; }
bool CVeltmoorDlg::CreateTable(const adox::TablePtr&, const CString&, CString&) { return false; }
}  // namespace veltmoor
