#pragma once

// Direct administration of an embedded store, for the project's tools only (creating demo and
// synthetic trees, setting passwords, dumping). The program never uses it: it goes through the
// client operations, which apply rights.

#include "platform/dsclient/status.h"
#include "platform/dsclient/values.h"

#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace dsclient::embedded {

using AttributeValues = std::vector<std::pair<std::string, AttrValue>>;

// Creates a new store for `treeName` holding the standard schema and the tree root.
// EntryAlreadyExists when the file exists.
Status CreateStore(const std::string &path, const std::string &treeName);

class StoreAdmin {
public:
    // Opens an existing store; a missing, locked, corrupt or foreign file gives a status.
    static Status Open(const std::string &path, std::unique_ptr<StoreAdmin> &admin);
    // The same; on failure `problem` is the sentence tarnbeck-sync says about the store.
    static Status Open(const std::string &path, std::unique_ptr<StoreAdmin> &admin,
                       std::string &problem);
    virtual ~StoreAdmin() = default;

    // Group many changes into one transaction (large trees load in seconds, not hours).
    virtual Status Begin() = 0;
    virtual Status Commit() = 0;
    virtual Status Rollback() = 0;

    // Adds an object with its class (the super classes are added to "Object Class") and
    // values, checked like a client's add-object request but without rights.
    virtual Status AddObject(std::string_view name, std::string_view className,
                             const AttributeValues &values) = 0;
    virtual Status AddValue(std::string_view objectName, std::string_view attribute,
                            const AttrValue &value) = 0;
    // Security equivalence with both sides written ("Security Equals", "Equivalent To Me").
    virtual Status AddSecurityEquivalence(std::string_view equalFrom,
                                          std::string_view equalTo) = 0;
    // Who may write: the tree's admin object and the members (by equivalence) of a group.
    virtual Status SetSupervisors(std::string_view adminObject,
                                  std::string_view administratorsGroup) = 0;
    // Stores a salted slow hash of the password; the text itself is never kept.
    virtual Status SetPassword(std::string_view objectName, std::string_view password) = 0;
    // The whole tree as text: one block per object, its attributes with their values.
    virtual Status Dump(std::ostream &out) = 0;
    // The file's consistency check (pages, indexes, references between rows): Ok, or
    // InconsistentDatabase with what was found in `problems`.
    virtual Status CheckIntegrity(std::string &problems) = 0;
};

} // namespace dsclient::embedded
