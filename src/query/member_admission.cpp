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
    const bool member = std::any_of(kind->classes.begin(), kind->classes.end(),
                                    [&](const std::string &c) { return isMemberClass(c); });
    return member ? nullptr : classRefusal(kind->baseClass);
}

bool MemberAdmission::isMemberClass(std::string_view className) const {
    return std::any_of(memberClasses_.begin(), memberClasses_.end(),
                       [&](const std::string &c) { return EqualsIgnoreCase(c, className); });
}

RefusalPtr MemberAdmission::classRefusal(const std::string &baseClass) {
    auto [at, added] = byClass_.try_emplace(baseClass);
    if (added)
        at->second = MakeRefusal(Refusal::Kind::Class, "class " + baseClass);
    return at->second;
}

} // namespace tarnbeck
