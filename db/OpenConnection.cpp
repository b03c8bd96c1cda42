// Opens the one connection every check uses, binds the catalog to it and reads
// the data-access version for the status line.
#include <charconv>

#include "app/VeltmoorDlg.h"

namespace veltmoor {

namespace {

// The version text as a number, read the same in every locale; a text that does
// not begin with one raises, as the conversion of a variant does.
float VersionNumber(const CString& text) {
    const char* begin = text.c_str();
    while (*begin == ' ') ++begin;
    float value = 0;
    const auto [end, status] = std::from_chars(begin, text.c_str() + text.size(), value);
    if (status != std::errc() || end == begin) throw _com_error(hr::kTypeMismatch);
    return value;
}

}  // namespace

void CVeltmoorDlg::OpenConnection() {
    try {
        // 1.-4. A fresh connection, opened synchronously, once for every provider: the
        //       ODBC provider reads each result in full and SQLite's results hold no
        //       lock, so several recordsets can be open without client-side cursors.
        m_pConnection.Release();
        m_pConnection = m_connectionFactory();
        m_pConnection->Open(m_strConnectionString, "", "", 0);
        // 5. Long checks and rebuilds get three minutes per statement.
        m_pConnection->PutCommandTimeout(180);
        // 6. The catalog of the same database.
        m_pCatalog.Release();
        m_pCatalog = m_pConnection->Catalog();
        // 7. The status line, with a warning below version 2.7.
        const float version = VersionNumber(m_pConnection->Version());
        m_strMdacVersion = Format("DETECTED MDAC VERSION: %0.2f", static_cast<double>(version));
        if (static_cast<double>(version) < 2.7) m_strMdacVersion += " - !!! THIS MDAC VERSION IS OUTDATED !!!";
    } catch (const _com_error& error) {
        RecordException(error, "CVeltmoorDlg::OpenConnection", true);
    }
}

}  // namespace veltmoor
