#pragma once

// One directory tree kept in one SQLite file. The store checks what the directory checks
// (schema, containment, values) but not rights: the client asks IsSupervisor first.

#include "platform/dsclient/embedded/schema.h"
#include "platform/dsclient/embedded/sqlite_db.h"
#include "platform/dsclient/filter.h"
#include "platform/dsclient/status.h"
#include "platform/dsclient/values.h"

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dsclient::embedded {

struct ObjectRow {
    std::int64_t id = 0;
    std::int64_t parentId = 0;
    std::string name;    // leaf-first dotted name as created; empty for the root
    std::string rdn;     // unescaped leaf component
    std::string pathKey; // root-first key; empty for the root
    std::string baseClass;
    std::uint32_t flags = 0;
    std::uint32_t modificationTime = 0;
    bool isRoot() const { return pathKey.empty(); }
};

struct AttributeWithValues {
    const AttributeDef *attribute = nullptr;
    std::vector<AttrValue> values;
};

struct Change {
    std::uint32_t type = 0;
    std::string attribute;
    std::vector<AttrValue> values;
};

// Fills `row` from a statement selecting id, parent id, name, rdn, path key, base class,
// flags and modification time, in that order.
void ReadObjectRow(const Statement &select, ObjectRow &row);

using NamedValues = std::vector<std::pair<std::string, AttrValue>>;

class Store {
  public:
    // Opens an existing store; never creates one.
    static Status Open(const std::string &path, std::unique_ptr<Store> &store);
    // A new store with the standard schema and the tree root; EntryAlreadyExists if the file
    // is there.
    static Status Create(const std::string &path, const std::string &treeName);

    const Schema &schema() const { return schema_; }
    const std::string &treeName() const { return treeName_; }

    // Batches: the administration tool's loads, and grouped client requests.
    Status Begin();
    Status Commit();
    Status Rollback();

    Status Find(std::string_view name, ObjectRow &row);
    std::uint32_t SubordinateCount(const ObjectRow &row);
    // The attributes of an object with their values (without values when `withValues` is
    // off); all attributes when `names` is null. Attributes without values are left out.
    Status ReadAttributes(const ObjectRow &row, const std::vector<std::string> *names,
                          bool withValues, std::vector<AttributeWithValues> &out);
    std::vector<AttrValue> Values(std::int64_t objectId, const AttributeDef &attribute);

    Status Modify(std::string_view name, const std::vector<Change> &changes);
    // `values` must hold "Object Class": its first value is the base class.
    Status AddObject(std::string_view name, const NamedValues &values);
    Status RemoveObject(std::string_view name);
    Status ListChildren(const ObjectRow &parent, bool containersOnly,
                        std::vector<ObjectRow> &children);
    Status ContainableClasses(const ObjectRow &parent, std::vector<std::string> &classes);
    // Ids of the matching objects in the scope, in name order. The tree root is never a result.
    Status Search(const ObjectRow &base, std::uint32_t scope, const FilterNode &filter,
                  std::vector<std::int64_t> &ids);
    Status FindById(std::int64_t id, ObjectRow &row);

    Status AddEquivalence(std::string_view equalFrom, std::string_view equalTo);
    Status RemoveEquivalence(std::string_view equalFrom, std::string_view equalTo);

    Status SetSupervisors(std::string_view admin, std::string_view administratorsGroup);
    bool IsSupervisor(std::string_view identity);
    Status SetPassword(std::string_view name, std::string_view password);
    // FailedAuthentication for a wrong password or a user without one; `canonical` receives
    // the user's name as stored.
    Status VerifyPassword(std::string_view name, std::string_view password, std::string &canonical);
    // The stored hash of an object's password, empty when it has none (for exports).
    std::string PasswordHash(const ObjectRow &row);

    Status Dump(std::ostream &out);

  private:
    explicit Store(std::unique_ptr<Database> db) : db_(std::move(db)) {}
    Status Load();
    Status Attribute(std::string_view name, const AttributeDef *&attribute) const;
    Status InsertValue(const ObjectRow &row, const AttributeDef &attribute, AttrValue value,
                       bool tolerateDuplicate);
    Status DeleteValue(const ObjectRow &row, const AttributeDef &attribute, const AttrValue &value,
                       bool tolerateAbsent);
    Status ClearAttribute(const ObjectRow &row, const AttributeDef &attribute, bool tolerateAbsent);
    Status ApplyChange(const ObjectRow &row, const Change &change);
    Status CheckValue(const AttributeDef &attribute, AttrValue &value);
    Status RemoveReferencesTo(const ObjectRow &row);
    Status Touch(const ObjectRow &row);
    std::string Info(const char *key);
    Status SetInfo(const char *key, const std::string &value);

    std::unique_ptr<Database> db_;
    Schema schema_;
    std::string treeName_;
};

} // namespace dsclient::embedded
