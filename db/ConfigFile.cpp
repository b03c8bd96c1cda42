// Where the database is: the program's folder, the default embedded database in
// it, and the connection string that config.xml may name instead.
#include "app/Resources.h"
#include "app/VeltmoorDlg.h"
#include "base/RegularFile.h"

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

CString EmbeddedConnectionString(const CString& databasePath) {
    return Format("Provider=Microsoft.Jet.OLEDB.4.0; data source=%s", ConnectionStringValue(databasePath).c_str());
}

void CVeltmoorDlg::LocateDatabase() {
    // 1. The program folder, with its closing separator.
    m_strProgramFolder = m_strFolderOverride.empty() ? ProgramFolderOf(m_strModuleFileName) : m_strFolderOverride;
    // 2. The default embedded database in it.
    m_strConnectionString = EmbeddedConnectionString(Format("%starnwick.mdb", m_strProgramFolder.c_str()));
    // 3. A database named on veltmoor-cli's command line wins; else config.xml in
    //    the program folder may name another one.
    if (!m_strConnectionOverride.empty()) m_strConnectionString = m_strConnectionOverride;
    else ParseConfigFile(Format("%sconfig.xml", m_strProgramFolder.c_str()));
}

void CVeltmoorDlg::ParseConfigFile(const CString& path) {
    try {
        // A missing or malformed file leaves the default; one that cannot be a file
        // at all (a FIFO left there) is said, never waited on.
        if (const CString problem = NotRegularFile(path); !problem.empty())
            throw _com_error(hr::kFail, kProgramName, "'" + path + "' is " + problem + "; it was not read.");
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
