#include "platform/dsclient/embedded/store_admin.h"

#include "platform/dsclient/embedded/store.h"
#include "platform/dsclient/schema.h"

namespace dsclient::embedded {

namespace {

class StoreAdminImpl : public StoreAdmin {
  public:
    explicit StoreAdminImpl(std::unique_ptr<Store> store) : store_(std::move(store)) {}

    Status Begin() override { return store_->Begin(); }
    Status Commit() override { return store_->Commit(); }
    Status Rollback() override { return store_->Rollback(); }

    Status AddObject(std::string_view name, std::string_view className,
                     const AttributeValues &values) override {
        NamedValues all;
        all.reserve(values.size() + 1);
        all.emplace_back(std::string(kObjectClassAttribute),
                         AttrValue{SYN_CLASS_NAME, Text{std::string(className)}});
        all.insert(all.end(), values.begin(), values.end());
        return store_->AddObject(name, all);
    }

    Status AddValue(std::string_view objectName, std::string_view attribute,
                    const AttrValue &value) override {
        return store_->Modify(objectName, {Change{DS_ADD_VALUE, std::string(attribute), {value}}});
    }

    Status AddSecurityEquivalence(std::string_view equalFrom, std::string_view equalTo) override {
        return store_->AddEquivalence(equalFrom, equalTo);
    }

    Status SetSupervisors(std::string_view adminObject,
                          std::string_view administratorsGroup) override {
        return store_->SetSupervisors(adminObject, administratorsGroup);
    }

    Status SetPassword(std::string_view objectName, std::string_view password) override {
        return store_->SetPassword(objectName, password);
    }

    Status Dump(std::ostream &out) override { return store_->Dump(out); }

    Status CheckIntegrity(std::string &problems) override {
        return store_->CheckIntegrity(problems);
    }

  private:
    std::unique_ptr<Store> store_;
};

} // namespace

Status CreateStore(const std::string &path, const std::string &treeName) {
    return Store::Create(path, treeName);
}

Status StoreAdmin::Open(const std::string &path, std::unique_ptr<StoreAdmin> &admin) {
    std::string problem;
    return Open(path, admin, problem);
}

Status StoreAdmin::Open(const std::string &path, std::unique_ptr<StoreAdmin> &admin,
                        std::string &problem) {
    std::unique_ptr<Store> store;
    std::string fault;
    if (const Status s = Store::Open(path, store, fault); s != status::Ok) {
        problem = Store::ProblemText(path, fault);
        return s;
    }
    admin = std::make_unique<StoreAdminImpl>(std::move(store));
    return status::Ok;
}

} // namespace dsclient::embedded
