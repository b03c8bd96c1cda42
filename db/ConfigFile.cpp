// Where the database is: the program's folder, the default embedded database in
// it, and the connection string that config.xml may name instead.
#include "app/VeltmoorDlg.h"

namespace veltmoor {

namespace {

// A path goes into the connection string as one value even when it holds a ';'
// or quotes: such a value is quoted, with its quotes doubled.
CString ConnectionStringValue(const CString& path) {
    const bool plain = path.find_first_of(";\"'{") == CString::npos && !path.empty() && path.front() != ' ' &&
                       path.back() != ' ';
    if (plain) return path;
    CString quoted = "\"";
    for (char c : path) {
        quoted += c;
        if (c == '"') quoted += '"';
    }
    return quoted + "\"";
}

}  // namespace

void CVeltmoorDlg::LocateDatabase() {
    // 1. The folder of the program file, with its closing separator.
    const auto slash = m_strModuleFileName.find_last_of('/');
    m_strProgramFolder = slash == CString::npos ? CString("./") : m_strModuleFileName.substr(0, slash + 1);
    // 2. The default embedded database beside the program.
    const CString databasePath = Format("%starnwick.mdb", m_strProgramFolder.c_str());
    m_strConnectionString =
        Format("Provider=Microsoft.Jet.OLEDB.4.0; data source=%s", ConnectionStringValue(databasePath).c_str());
    // 3. config.xml beside the program may name another database.
    ParseConfigFile(Format("%sconfig.xml", m_strProgramFolder.c_str()));
}

void CVeltmoorDlg::ParseConfigFile(const CString& path) {
    try {
        xml::XmlDocumentPtr document = xml::XmlDocument::Create();
        document->load(path);
        xml::XmlNodeListPtr databases = document->getElementsByTagName("DATABASE");
        if (databases->length() > 0) {
            xml::XmlNodePtr attribute = databases->item(0)->attributes()->getNamedItem("ConnectionString");
            if (attribute) {
                const CString text = attribute->text();
                if (!text.empty()) m_strConnectionString = text;
            }
        }
    } catch (const _com_error& error) {
        RecordException(error, "CVeltmoorDlg::ParseConfigFile", true);
    }
}

}  // namespace veltmoor
