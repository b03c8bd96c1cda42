#include "db/ado/Adox.h"

#include "base/CString.h"

namespace veltmoor::adox {

namespace {

[[noreturn]] void ThrowNotFound(const std::string& what) {
    throw _com_error(hr::kItemNotFound, "ADOX",
                     "Item cannot be found in the collection corresponding to the requested name or ordinal: " + what);
}

[[noreturn]] void ThrowReadOnly(const std::string& what) {
    throw _com_error(hr::kNotSupported, "ADOX", what + " cannot be changed on an object that exists in the database.");
}

template <class Ptr, class Items>
Ptr ItemAt(const Items& items, long index) {
    if (index < 0 || index >= static_cast<long>(items.size())) ThrowNotFound(std::to_string(index));
    return items[static_cast<size_t>(index)];
}

template <class Ptr, class Items>
Ptr ItemNamed(const Items& items, const std::string& name) {
    for (const auto& item : items) {
        if (EqualsNoCase(item->Name(), name)) return item;
    }
    ThrowNotFound(name);
}

}  // namespace

// ---- Catalog ----

CatalogPtr Catalog::Create() { return CatalogPtr(std::make_shared<Catalog>()); }

void Catalog::PutActiveConnection(const ado::ConnectionPtr& connection) { backend_ = connection->Catalog(); }

TablesPtr Catalog::GetTables() {
    if (!backend_)
        throw _com_error(hr::kInvalidConnection, "ADOX.Catalog",
                         "The catalog has no active connection.");
    return TablesPtr(std::make_shared<Tables>(backend_));
}

// ---- Tables ----

Tables::Tables(std::shared_ptr<ado::CatalogBackend> backend) : backend_(std::move(backend)) {
    for (auto& name : backend_->TableNames())
        tables_.emplace_back(std::make_shared<Table>(name, Attachment{backend_, name}));
}

TablePtr Tables::Item(long index) { return ItemAt<TablePtr>(tables_, index); }
TablePtr Tables::Item(const std::string& name) { return ItemNamed<TablePtr>(tables_, name); }

void Tables::Append(const TablePtr& table) {
    if (table->IsAttached())
        throw _com_error(hr::kObjectOpen, "ADOX.Tables", "The table is already part of a catalog.");
    ado::TableDef def{table->Name(), {}};
    for (const auto& column : table->GetColumns()->items()) def.columns.push_back(column->Info());
    backend_->CreateTable(def);
    table->Attach(backend_);
    tables_.push_back(table);
}

// ---- Table ----

TablePtr Table::Create() { return TablePtr(std::shared_ptr<Table>(new Table())); }

Table::Table(std::string name, Attachment attachment) : name_(std::move(name)), attachment_(std::move(attachment)) {}

void Table::PutName(const std::string& name) {
    if (IsAttached()) ThrowReadOnly("The name of a table");
    name_ = name;
}

ColumnsPtr Table::GetColumns() {
    if (!columns_) {
        std::vector<ColumnPtr> columns;
        if (IsAttached()) {
            for (auto& info : attachment_.backend->Columns(name_))
                columns.emplace_back(std::make_shared<Column>(std::move(info), attachment_));
        }
        columns_ = ColumnsPtr(std::make_shared<Columns>(std::move(columns), attachment_, IsAttached()));
    }
    return columns_;
}

IndexesPtr Table::GetIndexes() {
    if (!indexes_) {
        std::vector<IndexPtr> indexes;
        if (IsAttached()) {
            for (auto& info : attachment_.backend->Indexes(name_))
                indexes.emplace_back(std::make_shared<Index>(info, attachment_));
        }
        indexes_ = IndexesPtr(std::make_shared<Indexes>(std::move(indexes), attachment_));
    }
    return indexes_;
}

void Table::Attach(std::shared_ptr<ado::CatalogBackend> backend) {
    attachment_ = Attachment{std::move(backend), name_};
    // Re-read what the database made of the new table on next use.
    columns_.Release();
    indexes_.Release();
}

// ---- Column ----

ColumnPtr Column::Create() {
    auto column = std::shared_ptr<Column>(new Column());
    column->info_.nullable = false;  // a new column allows nulls only when told so
    return ColumnPtr(column);
}

Column::Column(ColumnInfo info, Attachment attachment)
    : info_(std::move(info)), attachment_(std::move(attachment)), hasParentCatalog_(true) {}

void Column::RequireUnattached() const {
    if (IsAttached()) ThrowReadOnly("This property of a column");
}

void Column::PutName(const std::string& name) { RequireUnattached(); info_.name = name; }
void Column::PutType(DataTypeEnum type) { RequireUnattached(); info_.type = type; }
void Column::PutDefinedSize(long size) { RequireUnattached(); info_.definedSize = size; }
void Column::PutParentCatalog(const CatalogPtr& catalog) {
    (void)*catalog;  // an absent catalog raises E_POINTER
    hasParentCatalog_ = true;
}

PropertiesPtr Column::GetProperties() { return PropertiesPtr(std::make_shared<Properties>(shared_from_this())); }

// ---- Columns ----

Columns::Columns(std::vector<ColumnPtr> columns, Attachment attachment, bool ofAttachedTable)
    : columns_(std::move(columns)), attachment_(std::move(attachment)), ofAttachedTable_(ofAttachedTable) {}

ColumnPtr Columns::Item(long index) { return ItemAt<ColumnPtr>(columns_, index); }
ColumnPtr Columns::Item(const std::string& name) { return ItemNamed<ColumnPtr>(columns_, name); }

void Columns::Append(const ColumnPtr& column, DataTypeEnum type, long definedSize) {
    if (ofAttachedTable_)
        throw _com_error(hr::kNotSupported, "ADOX.Columns", "Columns cannot be added to an existing table.");
    column->RequireUnattached();
    column->info_.type = type;
    column->info_.definedSize = definedSize;
    columns_.push_back(column);
}

void Columns::Append(const std::string& name, DataTypeEnum type, long definedSize) {
    auto column = Column::Create();
    column->PutName(name);
    Append(column, type, definedSize);
}

// ---- Index ----

IndexPtr Index::Create() { return IndexPtr(std::shared_ptr<Index>(new Index())); }

Index::Index() : columns_(std::make_shared<Columns>(std::vector<ColumnPtr>{}, Attachment{}, false)) {}

Index::Index(const IndexInfo& info, Attachment attachment)
    : name_(info.name), primaryKey_(info.primaryKey), unique_(info.unique), clustered_(info.clustered), attached_(true) {
    std::vector<ColumnPtr> columns;
    for (const auto& column : info.columns) columns.emplace_back(std::make_shared<Column>(column, attachment));
    columns_ = ColumnsPtr(std::make_shared<Columns>(std::move(columns), attachment, true));
}

void Index::RequireUnattached() const {
    if (attached_) ThrowReadOnly("This property of an index");
}

void Index::PutName(const std::string& name) { RequireUnattached(); name_ = name; }
void Index::PutPrimaryKey(bool value) { RequireUnattached(); primaryKey_ = value; }
void Index::PutUnique(bool value) { RequireUnattached(); unique_ = value; }

// ---- Indexes ----

Indexes::Indexes(std::vector<IndexPtr> indexes, Attachment attachment)
    : indexes_(std::move(indexes)), attachment_(std::move(attachment)) {}

IndexPtr Indexes::Item(long index) { return ItemAt<IndexPtr>(indexes_, index); }
IndexPtr Indexes::Item(const std::string& name) { return ItemNamed<IndexPtr>(indexes_, name); }

void Indexes::Append(const IndexPtr& index) {
    if (index->attached_)
        throw _com_error(hr::kObjectOpen, "ADOX.Indexes", "The index is already part of a table.");
    if (attachment_.backend) {
        IndexInfo info{index->Name(), index->PrimaryKey(), index->Unique(), index->Clustered(), {}};
        for (const auto& column : index->GetColumns()->items()) info.columns.push_back(column->Info());
        attachment_.backend->CreateIndex(attachment_.table, info);
        index->attached_ = true;
    }
    indexes_.push_back(index);
}

// ---- Properties ----

namespace {
const char* const kPropertyNames[] = {"Autoincrement", "Nullable", "Default"};
}

PropertyPtr Properties::Item(const std::string& name) {
    if (!column_->hasParentCatalog_) ThrowNotFound(name);
    for (const char* known : kPropertyNames) {
        if (EqualsNoCase(known, name)) return PropertyPtr(std::make_shared<Property>(column_, known));
    }
    ThrowNotFound(name);
}

_variant_t Property::Value() const {
    const ColumnInfo& info = column_->info_;
    if (name_ == "Autoincrement") return _variant_t(info.autoIncrement);
    if (name_ == "Nullable") return _variant_t(info.nullable);
    return info.defaultValue;
}

void Property::PutValue(const _variant_t& value) {
    ColumnInfo& info = column_->info_;
    if (column_->IsAttached())
        column_->attachment_.backend->SetColumnProperty(column_->attachment_.table, info.name, name_, value);
    if (name_ == "Autoincrement") info.autoIncrement = value.ToBool();
    else if (name_ == "Nullable") info.nullable = value.ToBool();
    else info.defaultValue = value;
}

}  // namespace veltmoor::adox
