#include "db/ado/odbc/OdbcTypes.h"

#include "base/CString.h"
#include "db/ado/odbc/OdbcApi.h"

namespace veltmoor::ado::odbc {

DataTypeEnum AdoxType(int sqlType, const std::string& typeName) {
    const std::string name = ToUpper(typeName);
    switch (sqlType) {
        case SQL_CHAR: return adChar;
        case SQL_VARCHAR: return adVarChar;
        case SQL_LONGVARCHAR: return adLongVarChar;
        case SQL_WCHAR: return adWChar;
        case SQL_WVARCHAR: return adVarWChar;
        case SQL_WLONGVARCHAR: return adLongVarWChar;
        case SQL_DECIMAL:
        case SQL_NUMERIC:
            // SQL Server reports its money types as decimals.
            return name.find("MONEY") != std::string::npos ? adCurrency : adNumeric;
        case SQL_SMALLINT: return adSmallInt;
        case SQL_INTEGER: return adInteger;
        case SQL_REAL: return adSingle;
        case SQL_FLOAT:
        case SQL_DOUBLE: return adDouble;
        case SQL_BIT: return adBoolean;
        // SQL Server's tinyint runs from 0 to 255.
        case SQL_TINYINT: return adUnsignedTinyInt;
        case SQL_BIGINT: return adBigInt;
        case SQL_BINARY: return adBinary;
        case SQL_VARBINARY: return adVarBinary;
        case SQL_LONGVARBINARY: return adLongVarBinary;
        case SQL_TYPE_DATE:
        case SQL_DATE: return adDate;
        case SQL_TYPE_TIMESTAMP:
        case SQL_TIMESTAMP:
        case SQL_TYPE_TIME:
        case SQL_TIME: return adDBTimeStamp;
        case SQL_GUID: return adGUID;
        default: return adVariant;
    }
}

bool HasLength(DataTypeEnum type) {
    switch (type) {
        case adChar:
        case adVarChar:
        case adLongVarChar:
        case adWChar:
        case adVarWChar:
        case adLongVarWChar:
        case adBinary:
        case adVarBinary:
        case adLongVarBinary: return true;
        default: return false;
    }
}

long DefinedSize(DataTypeEnum type, long reported) {
    if (reported > 0) return reported;
    switch (type) {
        case adVarWChar:
        case adLongVarWChar: return 1073741823;
        case adVarChar:
        case adLongVarChar:
        case adVarBinary:
        case adLongVarBinary: return 2147483647;
        default: return reported;
    }
}

}  // namespace veltmoor::ado::odbc
