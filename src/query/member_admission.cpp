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

std::vector<std::string> MemberClassesOf(std::string_view groupClass,
                                         const std::vector<std::string> &extraClasses) {
    const bool workstations = EqualsIgnoreCase(groupClass, "Workstation Group") ||
                              EqualsIgnoreCase(groupClass, "zenWorkstationGroup");
    std::vector<std::string> classes{workstations ? "Workstation" : "User"};
    classes.insert(classes.end(), extraClasses.begin(), extraClasses.end());
    return classes;
}

bool IsIllegalMemberName(std::string_view name) {
    return std::any_of(name.begin(), name.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F;
    });
}

MemberAdmission::MemberAdmission(ContextHandle context, std::string groupName,
                                 std::vector<std::string> memberClasses)
    : context_(context), groupName_(std::move(groupName)),
      memberClasses_(std::move(memberClasses)),
      alias_(MakeRefusal(Refusal::Kind::Alias, "alias")),
      self_(MakeRefusal(Refusal::Kind::Self, "the group itself")),
      illegalName_(MakeRefusal(Refusal::Kind::IllegalName, "illegal name")) {}

RefusalPtr MemberAdmission::refusalOf(const std::string &name, const FoundKind *kind) {
    if (IsIllegalMemberName(name))
        return illegalName_;
    if (EqualsIgnoreCase(name, groupName_))
        return self_;
    FoundKind read;
    if (!kind) {
        std::string distinguishedName;
        ObjectInfo info;
        if (ReadObjectInfo(context_, name, distinguishedName, info) != status::Ok)
            return nullptr;
        read = {info.baseClass, (info.entryFlags & DS_ALIAS_ENTRY) != 0};
        kind = &read;
    }
    if (kind->alias)
        return alias_;
    return classRefusal(name, kind->baseClass);
}

bool MemberAdmission::isMemberClass(std::string_view className) const {
    return std::any_of(memberClasses_.begin(), memberClasses_.end(),
                       [&](const std::string &c) { return EqualsIgnoreCase(c, className); });
}

RefusalPtr MemberAdmission::classRefusal(const std::string &name, const std::string &baseClass) {
    std::string key = ToLowerAscii(baseClass);
    if (const auto known = byClass_.find(key); known != byClass_.end())
        return known->second;
    bool member = isMemberClass(baseClass);
    if (!member) {
        // Object Class holds the class with its superclasses and auxiliary classes.
        const ValueList classes = ReadValues(context_, name, "Object Class");
        member = std::any_of(classes.begin(), classes.end(),
                             [&](const auto &value) { return isMemberClass(value.text); });
    }
    RefusalPtr refusal = member ? nullptr : MakeRefusal(Refusal::Kind::Class, "class " + baseClass);
    byClass_.emplace(std::move(key), refusal);
    return refusal;
}

} // namespace tarnbeck
