#pragma once

// Writes a new store object by object, turning every refused operation into a TreeError. A store
// that is not finished (Finish never called) is deleted again, so a failed run leaves no
// half-built tree behind that would block the next attempt.

#include "platform/dsclient/embedded/store_admin.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace dsclient::embedded {

// Values in the owner types of their syntaxes.
dsclient::AttrValue CiString(std::string text);
dsclient::AttrValue CeString(std::string text);
dsclient::AttrValue DistName(std::string name);
dsclient::AttrValue ClassName(std::string name);
dsclient::AttrValue TelNumber(std::string number);
dsclient::AttrValue BooleanValue(bool value);
dsclient::AttrValue IntegerValue(std::int32_t value);
dsclient::AttrValue TimeValue(std::uint32_t secondsSince1970);
dsclient::AttrValue PathValue(std::string volume, std::string path);

class TreeBuilder {
  public:
    // Creates the store file; refuses (TreeError) when it exists.
    TreeBuilder(const std::string &path, const std::string &treeName);
    ~TreeBuilder();
    TreeBuilder(const TreeBuilder &) = delete;
    TreeBuilder &operator=(const TreeBuilder &) = delete;

    // Everything written until Finish goes into transactions of at most `objectsPerCommit`
    // objects (0: one transaction for all).
    void setObjectsPerCommit(std::size_t objectsPerCommit) { objectsPerCommit_ = objectsPerCommit; }

    void addObject(std::string_view name, std::string_view className,
                   const dsclient::embedded::AttributeValues &values = {});
    void addValue(std::string_view objectName, std::string_view attribute,
                  const dsclient::AttrValue &value);
    // Both sides of a membership: the group's Member, the member's Group Membership and the
    // member's security equivalence to the group.
    void addMember(std::string_view group, std::string_view member);
    void setSupervisors(std::string_view adminObject, std::string_view administratorsGroup);
    void setPassword(std::string_view objectName, std::string_view password);

    // Commits what is pending and keeps the store.
    void finish();

    std::size_t objectCount() const { return objectCount_; }
    std::size_t valueCount() const { return valueCount_; }

  private:
    void check(dsclient::Status status, std::string_view action, std::string_view name);
    void ensureTransaction();
    void discard() noexcept;

    std::string path_;
    std::unique_ptr<dsclient::embedded::StoreAdmin> admin_;
    bool inTransaction_ = false;
    bool finished_ = false;
    std::size_t objectsPerCommit_ = 0;
    std::size_t objectsInTransaction_ = 0;
    std::size_t objectCount_ = 0;
    std::size_t valueCount_ = 0;
};

} // namespace dsclient::embedded
