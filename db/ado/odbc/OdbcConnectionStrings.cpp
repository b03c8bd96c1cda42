#include "db/ado/odbc/OdbcConnectionStrings.h"


#include "base/CString.h"
#include "db/ado/Error.h"

namespace veltmoor::ado::odbc {

namespace {

constexpr const char* kSource = "SQL Server provider (SQLOLEDB)";
constexpr long kDefaultLoginTimeout = 15;  // what ADO waits for a server by default

[[noreturn]] void Invalid(const std::string& why) {
    throw _com_error(hr::kInvalidArg, kSource, "Invalid connection string: " + why);
}

bool StartsWithNoCase(const std::string& s, const char* prefix) {
    const std::string p(prefix);
    return s.size() >= p.size() && EqualsNoCase(s.substr(0, p.size()), p);
}

bool AllDigits(const std::string& s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// Yes/no values as ADO and ODBC write them; nullopt for anything else.
std::optional<bool> ReadFlag(const std::string& value) {
    const std::string v = Trim(value);
    for (const char* yes : {"true", "yes", "sspi", "1"})
        if (EqualsNoCase(v, yes)) return true;
    for (const char* no : {"false", "no", "0", ""})
        if (EqualsNoCase(v, no)) return false;
    return std::nullopt;
}

struct ServerAddress {
    std::string host;
    std::string instance;
    std::string port;
};

ServerAddress ParseDataSource(const std::string& text) {
    std::string s = Trim(text);
    if (StartsWithNoCase(s, "tcp:")) s = Trim(s.substr(4));
    for (const char* other : {"np:", "lpc:", "admin:"}) {
        if (StartsWithNoCase(s, other))
            Invalid("Data Source \"" + text +
                    "\": only TCP/IP connections are available (named pipes and shared memory are not)");
    }
    if (StartsWithNoCase(s, "(localdb)"))
        Invalid("Data Source \"" + text + "\": LocalDB is not reachable from this platform");

    ServerAddress address;
    const size_t comma = s.rfind(',');
    if (comma != std::string::npos) {
        address.port = Trim(s.substr(comma + 1));
        s = Trim(s.substr(0, comma));
        if (!AllDigits(address.port) || address.port.size() > 5 || std::stol(address.port) < 1 ||
            std::stol(address.port) > 65535)
            Invalid("Data Source \"" + text + "\": the port must be a number from 1 to 65535");
    }
    const size_t slash = s.find('\\');
    if (slash != std::string::npos) {
        address.instance = Trim(s.substr(slash + 1));
        s = Trim(s.substr(0, slash));
        if (address.instance.empty()) Invalid("Data Source \"" + text + "\": the instance name is missing");
    }
    address.host = s.empty() || s == "." || EqualsNoCase(s, "(local)") ? "localhost" : s;
    return address;
}

bool IsFreeTds(const std::string& driver) {
    const std::string upper = ToUpper(driver);
    return upper.find("FREETDS") != std::string::npos || upper.find("LIBTDSODBC") != std::string::npos;
}

long ReadTimeout(const std::string& key, const std::string& value) {
    const std::string v = Trim(value);
    if (!AllDigits(v) || v.size() > 9) Invalid(key + " must be a whole number of seconds");
    return std::stol(v);
}

}  // namespace

std::string OdbcPair(const std::string& key, const std::string& value) {
    const bool braces = value.find_first_of(";{}") != std::string::npos ||
                        (!value.empty() && (IsAsciiSpace(value.front()) ||
                                            IsAsciiSpace(value.back())));
    if (!braces) return key + "=" + value + ";";
    std::string out = key + "={";
    for (char c : value) {
        out += c;
        if (c == '}') out += '}';
    }
    return out + "};";
}

OdbcConnectTarget TranslateSqlOleDb(const ConnectionString& cs) {
    const std::string driver = cs.Get("Driver").value_or("FreeTDS");
    const bool freeTds = IsFreeTds(driver);
    const ServerAddress address =
        ParseDataSource(cs.GetAny({"Data Source", "Server", "Address", "Addr", "Network Address"}).value_or(""));

    OdbcConnectTarget target;
    std::string& out = target.connectionString;
    out = "Driver={" + driver + "};";
    std::string server = address.host;
    // A port decides on its own: an instance name is only looked up when no port
    // is given, as the SQL Server clients do.
    if (!address.instance.empty() && address.port.empty()) server += "\\" + address.instance;
    if (freeTds) {
        out += OdbcPair("Server", server);
        if (!address.port.empty()) out += OdbcPair("Port", address.port);
    } else {
        out += OdbcPair("Server", address.port.empty() ? server : server + "," + address.port);
    }
    if (auto database = cs.GetAny({"Initial Catalog", "Database"})) out += OdbcPair("Database", *database);
    if (auto user = cs.GetAny({"User ID", "UID", "User"})) out += OdbcPair("UID", *user);
    if (auto password = cs.GetAny({"Password", "PWD"})) out += OdbcPair("PWD", *password);
    if (auto integrated = cs.GetAny({"Integrated Security", "Trusted_Connection"})) {
        const std::optional<bool> on = ReadFlag(*integrated);
        if (!on) Invalid("Integrated Security must be SSPI, true or false");
        // FreeTDS logs in with the caller's Kerberos ticket.
        if (*on) out += "Trusted_Connection=Yes;";
    }
    if (auto app = cs.GetAny({"Application Name", "APP"})) out += OdbcPair("APP", *app);
    if (auto wsid = cs.GetAny({"Workstation ID", "WSID"})) out += OdbcPair("WSID", *wsid);
    if (auto encrypt = cs.GetAny({"Encrypt", "Use Encryption for Data"})) {
        const std::optional<bool> on = ReadFlag(*encrypt);
        if (!on) Invalid("Encrypt must be true or false");
        if (*on) out += freeTds ? "Encryption=require;" : "Encrypt=yes;";
    }
    if (freeTds) {
        // Text arrives as UTF-8 instead of FreeTDS's default ISO 8859-1.
        out += OdbcPair("TDS_Version", cs.Get("TDS_Version").value_or("7.4"));
        out += OdbcPair("ClientCharset", cs.Get("ClientCharset").value_or("UTF-8"));
    }
    target.loginTimeout = kDefaultLoginTimeout;
    for (const char* key : {"Connect Timeout", "Connection Timeout", "Timeout"}) {
        if (auto value = cs.Get(key)) {
            target.loginTimeout = ReadTimeout(key, *value);
            break;
        }
    }
    return target;
}

OdbcConnectTarget TranslateMsdasql(const ConnectionString& cs) {
    OdbcConnectTarget target;
    for (const auto& [key, value] : cs.Pairs()) {
        if (EqualsNoCase(key, "Provider")) continue;
        std::string odbcKey = key;
        if (EqualsNoCase(key, "Data Source"))
            odbcKey = "DSN";
        else if (EqualsNoCase(key, "User ID"))
            odbcKey = "UID";
        else if (EqualsNoCase(key, "Password"))
            odbcKey = "PWD";
        // Driver names hold blanks; braces keep them whole for every driver manager.
        if (EqualsNoCase(key, "Driver") && value.find('}') == std::string::npos)
            target.connectionString += key + "={" + value + "};";
        else
            target.connectionString += OdbcPair(odbcKey, value);
    }
    return target;
}

}  // namespace veltmoor::ado::odbc
