// The indexes of a table that the catalog holds: found by name, else by their key
// column under any name, else missing (and created when "Fix Errors" is ticked).
#include "schema/Description.h"
#include "schema/TableCheck.h"

namespace veltmoor::schema {

namespace {

// An index of that name is accepted as it is: its columns and flags are not compared.
bool HasIndexNamed(const adox::TablePtr& table, const CString& name) {
    adox::IndexesPtr indexes = table->GetIndexes();
    for (long i = 0; i < indexes->Count(); ++i)
        if (EqualsNoCase(indexes->Item(i)->Name(), name)) return true;
    return false;
}

}  // namespace

void CheckIndexes(Pass& pass, const xml::XmlNodePtr& tableElement, const adox::TablePtr& table,
                  const xml::XmlNodeListPtr& columnElements) {
    CVeltmoorDlg& dlg = pass.dlg;
    xml::XmlNodeListPtr indexElements = tableElement->selectNodes("INDEX");
    for (long i = 0; i < indexElements->length(); ++i) {
        xml::XmlNodePtr indexElement = indexElements->item(i);
        CString indexName;
        HasText(indexElement, "name", indexName);
        if (HasIndexNamed(table, indexName)) continue;
        CString foundName;
        if (dlg.IndexExists(indexName, table, indexElement, foundName)) continue;

        std::optional<bool> repaired;
        if (pass.FixErrors()) repaired = dlg.CreateIndex(indexName, table, indexElement, columnElements);
        pass.Write(pass.Finding({"tables", table->Name(), {}, indexName, {}, {},
                                 Format("Missing [%s] Index", indexName.c_str())},
                                repaired));
    }
}

}  // namespace veltmoor::schema
