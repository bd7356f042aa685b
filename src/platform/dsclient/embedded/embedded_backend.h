#pragma once

// The backend of a tree kept in an embedded store file.

#include "platform/dsclient/backend.h"
#include "platform/dsclient/embedded/store.h"

#include <memory>

namespace dsclient::embedded {

class EmbeddedBackend : public Backend {
  public:
    explicit EmbeddedBackend(std::unique_ptr<Store> store) : store_(std::move(store)) {}
    Store &store() { return *store_; }

    Status Login(std::string_view name, std::string_view password,
                 std::string &canonical) override;
    Status CheckWriteAccess(std::string_view identity) override;

    Status Find(std::string_view name, std::string &canonical, ObjectInfo &info) override;
    Status ReadAttributes(std::string_view name, const std::vector<std::string> *names,
                          bool withValues, std::vector<AttributeValues> &out) override;
    Status Modify(std::string_view name, const std::vector<RequestChange> &changes) override;
    Status AddObject(std::string_view name,
                     const std::vector<RequestAttribute> &attributes) override;
    Status RemoveObject(std::string_view name) override;
    Status AddEquivalence(std::string_view from, std::string_view to) override;
    Status RemoveEquivalence(std::string_view from, std::string_view to) override;

    Status ListChildren(std::string_view parent, bool containersOnly,
                        std::vector<EntryInfo> &children) override;
    Status ContainableClasses(std::string_view parent, std::vector<std::string> &classes) override;
    Status Search(const SearchRequest &request, std::unique_ptr<SearchCursor> &cursor) override;

    Status AttributeSyntax(std::string_view attribute, std::uint32_t &syntax) override;
    Status ClassAllows(std::string_view className, std::string_view attribute,
                       bool &allowed) override;
    Status AttributeDefinitions(const std::vector<std::string> *names,
                                std::vector<NamedDefinition> &out) override;

    Status HalfWrittenMembers(std::string_view group, const std::vector<std::string> *members,
                              std::vector<std::string> &names) override;

    Status BeginGroup() override;
    Status CommitGroup() override;
    Status RollbackGroup() override;
    Status BeginBatch() override;
    Status EndBatch() override;

  private:
    std::unique_ptr<Store> store_;
};

} // namespace dsclient::embedded
