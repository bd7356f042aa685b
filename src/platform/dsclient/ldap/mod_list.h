#pragma once

// The changes of a modify or add request in libldap's form, and the control that makes a modify
// take a value already there, or one to remove already gone, as done.

#include "platform/dsclient/dotted_names.h"

#include <ldap.h>

#include <memory>
#include <string>
#include <vector>

namespace dsclient::ldap {

// Owns every byte it points at.
class ModList {
  public:
    void Add(int operation, const std::string &attribute, std::vector<std::string> values) {
        for (auto &item : items_)
            if (item->operation == operation && item->attribute == attribute &&
                operation == LDAP_MOD_ADD) {
                for (auto &value : values)
                    item->values.push_back(std::move(value));
                return;
            }
        auto item = std::make_unique<Item>();
        item->operation = operation;
        item->attribute = attribute;
        item->values = std::move(values);
        items_.push_back(std::move(item));
    }
    bool empty() const { return items_.empty(); }
    bool Holds(const std::string &attribute, const std::string &value) const {
        for (const auto &item : items_)
            if (dsclient::EqualsIgnoreCase(item->attribute, attribute))
                for (const auto &held : item->values)
                    if (held == value)
                        return true;
        return false;
    }

    LDAPMod **get() {
        mods_.clear();
        for (auto &item : items_) {
            item->bervals.clear();
            item->pointers.clear();
            for (auto &value : item->values)
                item->bervals.push_back(berval{static_cast<ber_len_t>(value.size()), value.data()});
            for (auto &bv : item->bervals)
                item->pointers.push_back(&bv);
            item->pointers.push_back(nullptr);
            item->mod.mod_op = item->operation | LDAP_MOD_BVALUES;
            item->mod.mod_type = item->attribute.data();
            item->mod.mod_bvalues = item->values.empty() ? nullptr : item->pointers.data();
            mods_.push_back(&item->mod);
        }
        mods_.push_back(nullptr);
        return mods_.data();
    }

  private:
    struct Item {
        int operation = 0;
        std::string attribute;
        std::vector<std::string> values;
        std::vector<berval> bervals;
        std::vector<berval *> pointers;
        LDAPMod mod{};
    };
    std::vector<std::unique_ptr<Item>> items_;
    std::vector<LDAPMod *> mods_;
};

LDAPControl *PermissiveModify();

} // namespace dsclient::ldap
