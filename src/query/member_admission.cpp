#include "query/member_admission.h"

#include "directory/directory_error.h"
#include "directory/text_compare.h"
#include "directory/values_reader.h"

#include <algorithm>

namespace tarnbeck {

using namespace dsclient;

namespace {

RefusalPtr MakeRefusal(Refusal::Kind kind, const std::string &why) {
    return std::make_shared<const Refusal>(Refusal{kind, "cannot be a member: " + why});
}

} // namespace

std::string MemberClassOf(std::string_view groupClass) {
    const bool workstations = EqualsIgnoreCase(groupClass, "Workstation Group") ||
                              EqualsIgnoreCase(groupClass, "zenWorkstationGroup");
    return workstations ? "Workstation" : "User";
}

bool IsIllegalMemberName(std::string_view name) {
    return std::any_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

MemberAdmission::MemberAdmission(ContextHandle context, std::string groupName,
                                 std::string memberClass, std::vector<std::string> extraClasses)
    : context_(context), groupName_(std::move(groupName)), memberClass_(std::move(memberClass)),
      extraClasses_(std::move(extraClasses)), alias_(MakeRefusal(Refusal::Kind::Alias, "alias")),
      self_(MakeRefusal(Refusal::Kind::Self, "the group itself")),
      illegalName_(MakeRefusal(Refusal::Kind::IllegalName, "illegal name")) {}

RefusalPtr MemberAdmission::refusalOf(const std::string &name, const FoundKind *kind) {
    if (IsIllegalMemberName(name))
        return illegalName_;
    if (EqualsIgnoreCase(name, groupName_))
        return self_;
    if (kind && kind->alias)
        return alias_;
    // Searches name each object's base class: one of the member class itself needs no more.
    if (kind && EqualsIgnoreCase(kind->baseClass, memberClass_))
        return nullptr;
    FoundKind read;
    if (!kind || kind->classes.empty()) {
        std::string distinguishedName;
        ObjectInfo info;
        if (ReadObjectInfo(context_, name, distinguishedName, info) != status::Ok)
            return nullptr;
        read = {info.baseClass, (info.entryFlags & DS_ALIAS_ENTRY) != 0, {}};
        for (ValueItem &value : ReadValues(context_, name, "Object Class"))
            read.classes.push_back(std::move(value.text));
        kind = &read;
    }
    if (kind->alias)
        return alias_;
    const auto has = [&](auto &&test) {
        return std::any_of(kind->classes.begin(), kind->classes.end(), test);
    };
    if (has([&](const std::string &c) { return EqualsIgnoreCase(c, memberClass_); }))
        return nullptr;
    if (!has([&](const std::string &c) { return isExtraClass(c); }))
        return classRefusal(kind->baseClass);
    // A class a tree lets in must be able to hold the membership.
    const std::string missing = missingAttribute(kind->classes);
    return missing.empty() ? nullptr : classRefusal(kind->baseClass, " does not allow " + missing);
}

bool MemberAdmission::isExtraClass(std::string_view className) const {
    return std::any_of(extraClasses_.begin(), extraClasses_.end(),
                       [&](const std::string &c) { return EqualsIgnoreCase(c, className); });
}

std::string MemberAdmission::missingAttribute(const std::vector<std::string> &classes) {
    for (const char *attribute : {"Group Membership", "Security Equals"}) {
        const bool allowed = std::any_of(classes.begin(), classes.end(), [&](const std::string &c) {
            auto [at, added] = allows_.try_emplace(ToLowerAscii(c) + '\n' + attribute, false);
            if (added) {
                bool answer = false;
                const Status s = ClassAllowsAttribute(context_, c, attribute, answer);
                if (s != status::Ok && s != status::NoSuchClass) {
                    allows_.erase(at);
                    CheckStatus(s);
                }
                at->second = answer;
            }
            return at->second;
        });
        if (!allowed)
            return attribute;
    }
    return {};
}

RefusalPtr MemberAdmission::classRefusal(const std::string &baseClass, const std::string &why) {
    const std::string text = "class " + baseClass + why;
    auto [at, added] = byClass_.try_emplace(text);
    if (added)
        at->second = MakeRefusal(Refusal::Kind::Class, text);
    return at->second;
}

} // namespace tarnbeck
