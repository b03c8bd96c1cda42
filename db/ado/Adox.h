// The catalog object model (the ADOX part): a catalog bound to an open
// connection, its tables, columns, indexes and column properties. Objects made
// with Create() are unattached until appended; appending creates them in the
// database through the provider's CatalogBackend. Failures raise _com_error.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "db/ado/Connection.h"

namespace veltmoor::adox {

using ado::ColumnInfo;
using ado::DataTypeEnum;
using ado::IndexInfo;

class Catalog;
class Table;
class Column;
class Index;
class Tables;
class Columns;
class Indexes;
class Properties;
class Property;
using CatalogPtr = ComPtr<Catalog>;
using TablePtr = ComPtr<Table>;
using ColumnPtr = ComPtr<Column>;
using IndexPtr = ComPtr<Index>;
using TablesPtr = ComPtr<Tables>;
using ColumnsPtr = ComPtr<Columns>;
using IndexesPtr = ComPtr<Indexes>;
using PropertiesPtr = ComPtr<Properties>;
using PropertyPtr = ComPtr<Property>;

// Where an attached table, column or index lives in the database.
struct Attachment {
    std::shared_ptr<ado::CatalogBackend> backend;
    std::string table;
};

class Catalog : public std::enable_shared_from_this<Catalog> {
public:
    static CatalogPtr Create();  // ADOX.Catalog
    // Binds the catalog to an open connection; raises when it is closed or absent.
    void PutActiveConnection(const ado::ConnectionPtr& connection);
    // The tables as the database holds them now; raises without an active connection.
    TablesPtr GetTables();

private:
    std::shared_ptr<ado::CatalogBackend> backend_;
};

class Tables {
public:
    explicit Tables(std::shared_ptr<ado::CatalogBackend> backend);
    long Count() const { return static_cast<long>(tables_.size()); }
    TablePtr Item(long index);                 // raises kItemNotFound out of range
    TablePtr Item(const std::string& name);    // without regard to case
    void Append(const TablePtr& table);        // creates the table in the database

private:
    std::shared_ptr<ado::CatalogBackend> backend_;
    std::vector<TablePtr> tables_;
};

class Table : public std::enable_shared_from_this<Table> {
public:
    static TablePtr Create();  // ADOX.Table, unattached
    Table(std::string name, Attachment attachment);

    const std::string& Name() const { return name_; }
    void PutName(const std::string& name);  // unattached tables only
    ColumnsPtr GetColumns();
    IndexesPtr GetIndexes();
    bool IsAttached() const { return static_cast<bool>(attachment_.backend); }

private:
    friend class Tables;
    Table() = default;
    void Attach(std::shared_ptr<ado::CatalogBackend> backend);

    std::string name_;
    Attachment attachment_;
    ColumnsPtr columns_;
    IndexesPtr indexes_;
};

class Column : public std::enable_shared_from_this<Column> {
public:
    static ColumnPtr Create();  // ADOX.Column, unattached
    Column(ColumnInfo info, Attachment attachment);

    const std::string& Name() const { return info_.name; }
    DataTypeEnum Type() const { return info_.type; }
    long DefinedSize() const { return info_.definedSize; }
    void PutName(const std::string& name);
    void PutType(DataTypeEnum type);
    void PutDefinedSize(long size);
    void PutParentCatalog(const CatalogPtr& catalog);
    // "Autoincrement", "Nullable", "Default"; raises kItemNotFound for an unattached
    // column without a parent catalog, or for any other name.
    PropertiesPtr GetProperties();

    const ColumnInfo& Info() const { return info_; }
    bool IsAttached() const { return static_cast<bool>(attachment_.backend); }

private:
    friend class Property;
    friend class Properties;
    friend class Columns;
    Column() = default;
    void RequireUnattached() const;

    ColumnInfo info_;
    Attachment attachment_;
    bool hasParentCatalog_ = false;
};

class Columns {
public:
    // The columns of a table (attached or not) or of an index.
    Columns(std::vector<ColumnPtr> columns, Attachment attachment, bool ofAttachedTable);
    long Count() const { return static_cast<long>(columns_.size()); }
    ColumnPtr Item(long index);
    ColumnPtr Item(const std::string& name);
    // Appends a column object, taking the given type and size (ADOX's optional arguments).
    void Append(const ColumnPtr& column, DataTypeEnum type, long definedSize);
    // Appends a new column of that name, type and size (an index's key column).
    void Append(const std::string& name, DataTypeEnum type, long definedSize);
    const std::vector<ColumnPtr>& items() const { return columns_; }

private:
    std::vector<ColumnPtr> columns_;
    Attachment attachment_;
    bool ofAttachedTable_;
};

class Index {
public:
    static IndexPtr Create();  // ADOX.Index, unattached
    Index(const IndexInfo& info, Attachment attachment);

    const std::string& Name() const { return name_; }
    void PutName(const std::string& name);
    bool PrimaryKey() const { return primaryKey_; }
    void PutPrimaryKey(bool value);
    bool Unique() const { return unique_; }
    void PutUnique(bool value);
    bool Clustered() const { return clustered_; }
    ColumnsPtr GetColumns() const { return columns_; }

private:
    friend class Indexes;
    Index();
    void RequireUnattached() const;

    std::string name_;
    bool primaryKey_ = false;
    bool unique_ = false;
    bool clustered_ = false;
    ColumnsPtr columns_;
    bool attached_ = false;
};

class Indexes {
public:
    Indexes(std::vector<IndexPtr> indexes, Attachment attachment);
    long Count() const { return static_cast<long>(indexes_.size()); }
    IndexPtr Item(long index);
    IndexPtr Item(const std::string& name);
    void Append(const IndexPtr& index);  // creates the index (attached tables) or keeps it

private:
    std::vector<IndexPtr> indexes_;
    Attachment attachment_;
};

class Properties {
public:
    explicit Properties(std::shared_ptr<Column> column) : column_(std::move(column)) {}
    PropertyPtr Item(const std::string& name);

private:
    std::shared_ptr<Column> column_;
};

class Property {
public:
    Property(std::shared_ptr<Column> column, std::string name) : column_(std::move(column)), name_(std::move(name)) {}
    _variant_t Value() const;
    void PutValue(const _variant_t& value);

private:
    std::shared_ptr<Column> column_;
    std::string name_;
};

}  // namespace veltmoor::adox
