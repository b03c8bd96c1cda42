// The indexes of a table that the catalog holds: found by name, else by their key
// column under any name, else missing (and created when "Fix Errors" is ticked).
#include "schema/Description.h"
#include "schema/TableCheck.h"

namespace veltmoor::schema {

namespace {

// An index of that name is accepted as it is: its columns and flags are not compared.
bool HasIndexNamed(const std::vector<ado::IndexInfo>& indexes, const CString& name) {
    for (const ado::IndexInfo& index : indexes)
        if (EqualsNoCase(index.name, name)) return true;
    return false;
}

// A created index as later INDEX elements look for it: by its name and its key column.
ado::IndexInfo CreatedIndex(const CString& name, const CString& key) {
    ado::IndexInfo index;
    index.name = name;
    index.columns.emplace_back().name = key;
    return index;
}

}  // namespace

void CheckIndexes(Pass& pass, const xml::XmlNodePtr& tableElement, const CString& table,
                  const xml::XmlNodeListPtr& columnElements) {
    CVeltmoorDlg& dlg = pass.dlg;
    xml::XmlNodeListPtr indexElements = tableElement->selectNodes("INDEX");
    // The catalog's indexes, read once for the table's elements, with the ones created here.
    std::vector<ado::IndexInfo> indexes;
    if (indexElements->length() > 0) indexes = dlg.m_pCatalog->Indexes(table);
    for (long i = 0; i < indexElements->length(); ++i) {
        xml::XmlNodePtr indexElement = indexElements->item(i);
        CString indexName;
        HasText(indexElement, "name", indexName);
        if (HasIndexNamed(indexes, indexName)) continue;
        CString foundName;
        if (dlg.IndexExists(indexName, indexes, indexElement, foundName)) continue;

        std::optional<bool> repaired;
        if (pass.FixErrors()) {
            repaired = dlg.CreateIndex(indexName, table, indexElement, columnElements);
            if (*repaired) indexes.push_back(CreatedIndex(indexName, AttributeText(indexElement, "key")));
        }
        pass.Write(pass.Finding(
            {"tables", table, {}, indexName, {}, {}, Format("Missing [%s] Index", indexName.c_str())}, repaired));
    }
}

}  // namespace veltmoor::schema
