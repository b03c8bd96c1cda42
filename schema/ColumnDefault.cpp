// SetColumnDefault: a missing column default put in place, as the "Default"
// property of an embedded database's column or as a named DEFAULT constraint on
// SQL Server.
#include "app/VeltmoorDlg.h"
#include "schema/Description.h"

namespace veltmoor {

namespace {
constexpr const char* kTracer = "CVeltmoorDlg::SetColumnDefault";
}

bool CVeltmoorDlg::SetColumnDefault(const CString& tableName, ado::ColumnInfo& column,
                                    const xml::XmlNodePtr& columnElement) {
    // 1. Read defaultvalue and type; without either nothing is done.
    // 2. Convert: "int" to a whole number, "boolean" to true only for "true"; other types are not set.
    // 3. Write the value into the column's "Default" property.
    try {
        CString value, type;
        if (!schema::ReadAttribute(columnElement, "defaultvalue", value)) return false;
        if (!schema::ReadAttribute(columnElement, "type", type)) return false;
        if (EqualsNoCase(type, "int")) return SetColumnDefault(tableName, column, _variant_t(Atoi(value)));
        if (EqualsNoCase(type, "boolean"))
            return SetColumnDefault(tableName, column, _variant_t(EqualsNoCase(value, "true")));
    } catch (const _com_error& error) {
        RecordException(error, kTracer, true);
    }
    return false;
}

bool CVeltmoorDlg::SetColumnDefault(const CString& tableName, ado::ColumnInfo& column, const _variant_t& value) {
    // 1. Set the column's "Default" property in the catalog, which writes it into the database.
    // 2. Keep the caller's description of the column in step with it.
    try {
        if (!PrepareRepair()) return false;
        m_pCatalog->SetColumnProperty(tableName, column.name, "Default", value);
        column.defaultValue = value;
        return true;
    } catch (const _com_error& error) {
        RecordException(error, kTracer, true);
    }
    return false;
}

bool CVeltmoorDlg::SetColumnDefault(const xml::XmlNodePtr& columnElement, const CString& tableName,
                                    const CString& columnName, const CString& constraintName) {
    // 1. Read defaultvalue and type; without either nothing is done.
    // 2. Convert to the whole number the constraint carries: "int" and "double" by atoi,
    //    "boolean" to 1 only for "true"; other types are not set.
    // 3. Add the named DEFAULT constraint with ALTER TABLE.
    try {
        CString value, type;
        if (!schema::ReadAttribute(columnElement, "defaultvalue", value)) return false;
        if (!schema::ReadAttribute(columnElement, "type", type)) return false;
        int number = 0;
        if (EqualsNoCase(type, "int") || EqualsNoCase(type, "double")) number = Atoi(value);
        else if (EqualsNoCase(type, "boolean")) number = EqualsNoCase(value, "true") ? 1 : 0;
        else return false;
        m_pConnection->Execute(Format("ALTER TABLE %s WITH CHECK ADD CONSTRAINT %s DEFAULT %d FOR %s",
                                      tableName.c_str(), constraintName.c_str(), number, columnName.c_str()));
        return true;
    } catch (const _com_error& error) {
        RecordException(error, kTracer, true);
    }
    return false;
}

}  // namespace veltmoor
