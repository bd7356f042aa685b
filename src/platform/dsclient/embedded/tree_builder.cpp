#include "platform/dsclient/embedded/tree_builder.h"

#include "platform/dsclient/embedded/tree_error.h"

#include <filesystem>
#include <system_error>
#include <utility>

namespace dsclient::embedded {

using dsclient::AttrValue;
namespace status = dsclient::status;

AttrValue CiString(std::string text) {
    return {dsclient::SYN_CI_STRING, dsclient::Text{std::move(text)}};
}
AttrValue CeString(std::string text) {
    return {dsclient::SYN_CE_STRING, dsclient::Text{std::move(text)}};
}
AttrValue DistName(std::string name) {
    return {dsclient::SYN_DIST_NAME, dsclient::Text{std::move(name)}};
}
AttrValue ClassName(std::string name) {
    return {dsclient::SYN_CLASS_NAME, dsclient::Text{std::move(name)}};
}
AttrValue TelNumber(std::string number) {
    return {dsclient::SYN_TEL_NUMBER, dsclient::Text{std::move(number)}};
}
AttrValue BooleanValue(bool value) {
    return {dsclient::SYN_BOOLEAN, dsclient::Boolean{value}};
}
AttrValue IntegerValue(std::int32_t value) {
    return {dsclient::SYN_INTEGER, dsclient::Integer{value}};
}
AttrValue TimeValue(std::uint32_t secondsSince1970) {
    return {dsclient::SYN_TIME, dsclient::Time{secondsSince1970}};
}
AttrValue PathValue(std::string volume, std::string path) {
    return {dsclient::SYN_PATH, dsclient::Path{0, std::move(volume), std::move(path)}};
}

TreeBuilder::TreeBuilder(const std::string &path, const std::string &treeName) : path_(path) {
    if (std::filesystem::exists(path))
        throw TreeError(status::EntryAlreadyExists, path + " exists; it is never overwritten");
    dsclient::Status created = dsclient::embedded::CreateStore(path, treeName);
    if (created != status::Ok)
        throw TreeError(created, "creating the store " + path);
    dsclient::Status opened = dsclient::embedded::StoreAdmin::Open(path, admin_);
    if (opened != status::Ok) {
        discard();
        throw TreeError(opened, "opening the new store " + path);
    }
}

TreeBuilder::~TreeBuilder() {
    if (!finished_)
        discard();
}

void TreeBuilder::discard() noexcept {
    admin_.reset();
    std::error_code ignored;
    for (const char *suffix : {"", "-wal", "-shm", "-journal"})
        std::filesystem::remove(path_ + suffix, ignored);
}

void TreeBuilder::check(dsclient::Status status, std::string_view action, std::string_view name) {
    if (status != status::Ok)
        throw TreeError(status, std::string(action) + " " + std::string(name));
}

void TreeBuilder::ensureTransaction() {
    if (inTransaction_)
        return;
    check(admin_->Begin(), "starting a transaction in", path_);
    inTransaction_ = true;
    objectsInTransaction_ = 0;
}

void TreeBuilder::addObject(std::string_view name, std::string_view className,
                            const dsclient::embedded::AttributeValues &values) {
    if (objectsPerCommit_ != 0 && objectsInTransaction_ >= objectsPerCommit_) {
        check(admin_->Commit(), "committing", path_);
        inTransaction_ = false;
    }
    ensureTransaction();
    check(admin_->AddObject(name, className, values), "adding", name);
    ++objectsInTransaction_;
    ++objectCount_;
    valueCount_ += values.size();
}

void TreeBuilder::addValue(std::string_view objectName, std::string_view attribute,
                           const AttrValue &value) {
    ensureTransaction();
    check(admin_->AddValue(objectName, attribute, value),
          "adding a value of " + std::string(attribute) + " to", objectName);
    ++valueCount_;
}

void TreeBuilder::addMember(std::string_view group, std::string_view member) {
    addValue(group, "Member", DistName(std::string(member)));
    addValue(member, "Group Membership", DistName(std::string(group)));
    ensureTransaction();
    check(admin_->AddSecurityEquivalence(member, group),
          "making " + std::string(member) + " security equivalent to", group);
}

void TreeBuilder::setSupervisors(std::string_view adminObject,
                                 std::string_view administratorsGroup) {
    ensureTransaction();
    check(admin_->SetSupervisors(adminObject, administratorsGroup), "naming the supervisors",
          std::string(adminObject) + ", " + std::string(administratorsGroup));
}

void TreeBuilder::setPassword(std::string_view objectName, std::string_view password) {
    ensureTransaction();
    check(admin_->SetPassword(objectName, password), "setting the password of", objectName);
}

void TreeBuilder::finish() {
    if (inTransaction_) {
        check(admin_->Commit(), "committing", path_);
        inTransaction_ = false;
    }
    admin_.reset();
    finished_ = true;
}

} // namespace dsclient::embedded
