#pragma once

// Which objects a group may take as members. Whoever can write a group's queries must not be
// able to make Update grant security equivalence to containers, servers or the group itself:
// only objects of the member classes (User and the classes derived from it for a group,
// Workstation and its derived classes for a workstation group, plus the classes Tarnbeck.ini
// names) are written; aliases, the group itself and names the directory cannot take never are.

#include "membership/member_reason.h"
#include "platform/dsclient/client.h"
#include "query/member_set.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace tarnbeck {

// The class whose objects a group of `groupClass` takes: User, or Workstation for the
// workstation group classes.
std::string MemberClassOf(std::string_view groupClass);

// A name no directory takes: it holds a control character.
bool IsIllegalMemberName(std::string_view name);

class MemberAdmission {
  public:
    // `extraClasses` (a tree's MemberClasses) are taken only where the schema lets them hold
    // Group Membership and Security Equals.
    MemberAdmission(dsclient::ContextHandle context, std::string groupName, std::string memberClass,
                    std::vector<std::string> extraClasses);

    // Null when the object may be a member: one of its classes (its Object Class: superclasses
    // and auxiliary classes included) is a member class. `kind` is what the search told of it;
    // unless that decides (an alias, or an object of the member class itself) the object's
    // classes are read. An object that cannot be read is not refused here: its write
    // reports the directory's word. Directory failures while reading its classes raise
    // DirectoryError.
    RefusalPtr refusalOf(const std::string &name, const FoundKind *kind);

  private:
    // The refusal of objects of `baseClass` (with `why` after it), made once per text.
    RefusalPtr classRefusal(const std::string &baseClass, const std::string &why = {});
    bool isExtraClass(std::string_view className) const;
    // The membership attribute none of `classes` allows; empty when one allows each.
    std::string missingAttribute(const std::vector<std::string> &classes);

    dsclient::ContextHandle context_;
    std::string groupName_;
    std::string memberClass_;
    std::vector<std::string> extraClasses_;
    std::unordered_map<std::string, RefusalPtr> byClass_;
    // Per class and membership attribute: does the schema allow it.
    std::unordered_map<std::string, bool> allows_;
    RefusalPtr alias_, self_, illegalName_;
};

} // namespace tarnbeck
