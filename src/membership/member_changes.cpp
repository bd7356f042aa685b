#include "membership/member_changes.h"

#include "directory/directory_error.h"
#include "directory/request_support.h"
#include "directory/schema.h"
#include "directory/value_conversion.h"

#include <initializer_list>

namespace tarnbeck {

using namespace dsclient;

namespace {

// Refusals that mean the directory already looks the way the change wants it.
const std::initializer_list<Status> kAlreadyAdded = {status::DuplicateValue};
const std::initializer_list<Status> kAlreadyRemoved = {status::NoSuchValue,
                                                       status::NoSuchAttribute};

void ChangeOneValue(ContextHandle context, std::string_view objectName,
                    std::string_view attributeName, std::string_view valueText,
                    std::uint32_t changeType, bool clearFirst,
                    std::initializer_list<Status> tolerated) {
    // Converted before the buffer exists, so a bad number sends nothing.
    const AttrValue value = ValueFromText(AttributeSyntax(context, attributeName), valueText);
    const std::size_t size = (clearFirst ? ChangeSize(attributeName) : 0) +
                             (changeType == DS_ADD_VALUE ? ChangeSize(attributeName) : 0) +
                             ChangeAndValueSize(attributeName, value);
    BufferPtr changes = NewChangesBuffer(context, size);
    if (clearFirst)
        CheckStatus(PutChange(context, *changes, DS_CLEAR_ATTRIBUTE, attributeName));
    if (changeType == DS_ADD_VALUE)
        CheckStatus(PutChange(context, *changes, DS_ADD_ATTRIBUTE, attributeName));
    CheckStatus(PutChangeAndValue(context, *changes, changeType, attributeName, value));

    IterationGuard iteration(context, DSV_MODIFY_ENTRY);
    do {
        CheckStatus(ModifyObject(context, objectName, iteration.handle(), false, *changes),
                    tolerated);
    } while (iteration.more());
}

} // namespace

void AddValue(ContextHandle context, std::string_view objectName, std::string_view attributeName,
              std::string_view valueText, bool keepExisting) {
    ChangeOneValue(context, objectName, attributeName, valueText, DS_ADD_VALUE, !keepExisting,
                   kAlreadyAdded);
}

void RemoveValue(ContextHandle context, std::string_view objectName, std::string_view attributeName,
                 std::string_view valueText) {
    ChangeOneValue(context, objectName, attributeName, valueText, DS_REMOVE_VALUE, false,
                   kAlreadyRemoved);
}

Status AddSecurityEquivalence(ContextHandle context, std::string_view objectName,
                              std::string_view equivalentTo, bool reportFailure) {
    const Status code = dsclient::AddSecurityEquivalence(context, objectName, equivalentTo);
    if (reportFailure)
        CheckStatus(code, kAlreadyAdded);
    return code;
}

Status RemoveSecurityEquivalence(ContextHandle context, std::string_view objectName,
                                 std::string_view equivalentTo, bool reportFailure) {
    const Status code = dsclient::RemoveSecurityEquivalence(context, objectName, equivalentTo);
    if (reportFailure)
        CheckStatus(code, kAlreadyRemoved);
    return code;
}

void AddMember(ContextHandle context, std::string_view memberName, std::string_view groupName) {
    AddValue(context, groupName, "Member", memberName, true);
    AddValue(context, memberName, "Group Membership", groupName, true);
    AddSecurityEquivalence(context, memberName, groupName, true);
}

void RemoveMember(ContextHandle context, std::string_view memberName, std::string_view groupName) {
    RemoveValue(context, groupName, "Member", memberName);
    RemoveValue(context, memberName, "Group Membership", groupName);
    // Reported too: an equivalence left in place would keep the rights of the group.
    RemoveSecurityEquivalence(context, memberName, groupName, true);
}

} // namespace tarnbeck
