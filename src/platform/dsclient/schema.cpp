#include "platform/dsclient/schema.h"

#include "platform/dsclient/dotted_names.h"

#include <unordered_set>

namespace dsclient {

void Schema::Add(AttributeDef attribute) {
    attributeIndex_[LowerAscii(attribute.name)] = attributes_.size();
    attributes_.push_back(std::move(attribute));
}

void Schema::Add(ClassDef cls) {
    classIndex_[LowerAscii(cls.name)] = classes_.size();
    classes_.push_back(std::move(cls));
}

const AttributeDef *Schema::FindAttribute(std::string_view name) const {
    const auto found = attributeIndex_.find(LowerAscii(name));
    return found == attributeIndex_.end() ? nullptr : &attributes_[found->second];
}

const ClassDef *Schema::FindClass(std::string_view name) const {
    const auto found = classIndex_.find(LowerAscii(name));
    return found == classIndex_.end() ? nullptr : &classes_[found->second];
}

std::vector<std::string> Schema::Chain(std::string_view className) const {
    std::vector<std::string> chain;
    std::unordered_set<std::string> seen;
    std::vector<const ClassDef *> pending;
    if (const ClassDef *cls = FindClass(className))
        pending.push_back(cls);
    // Breadth first, so nearer super classes come before farther ones.
    for (std::size_t i = 0; i < pending.size(); ++i) {
        const ClassDef *cls = pending[i];
        if (!seen.insert(LowerAscii(cls->name)).second)
            continue;
        chain.push_back(cls->name);
        for (const auto &super : cls->superClasses)
            if (const ClassDef *s = FindClass(super))
                pending.push_back(s);
    }
    return chain;
}

namespace {
template <typename Member>
std::vector<std::string> Inherited(const Schema &schema, std::string_view className,
                                   Member member) {
    std::vector<std::string> all;
    std::unordered_set<std::string> seen;
    for (const auto &name : schema.Chain(className))
        for (const auto &item : schema.FindClass(name)->*member)
            if (seen.insert(LowerAscii(item)).second)
                all.push_back(item);
    return all;
}
} // namespace

std::vector<std::string> Schema::Containment(std::string_view className) const {
    return Inherited(*this, className, &ClassDef::containment);
}

std::vector<std::string> Schema::Naming(std::string_view className) const {
    return Inherited(*this, className, &ClassDef::naming);
}

std::vector<std::string> Schema::Mandatory(std::string_view className) const {
    return Inherited(*this, className, &ClassDef::mandatory);
}

std::optional<std::vector<std::string>> Schema::Allowed(std::string_view className) const {
    std::vector<std::string> allowed;
    for (const auto &name : Chain(className)) {
        const ClassDef *cls = FindClass(name);
        if (!cls || cls->anyAttribute)
            return std::nullopt;
        for (const auto *list : {&cls->mandatory, &cls->naming, &cls->optional})
            allowed.insert(allowed.end(), list->begin(), list->end());
    }
    return allowed;
}

bool Schema::MayContain(std::string_view parentClass, std::string_view childClass) const {
    const auto parents = Chain(parentClass);
    for (const auto &allowed : Containment(childClass))
        for (const auto &parent : parents)
            if (EqualsIgnoreCase(allowed, parent))
                return true;
    return false;
}

} // namespace dsclient
