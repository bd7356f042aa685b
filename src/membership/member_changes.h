#pragma once

// Making an object a member of a group, or taking it out: the group's "Member", the member's
// "Group Membership" and the member's security equivalence to the group. Refusals that only
// say the change is already in place (a value already there when adding, a value or attribute
// already gone when removing) pass quietly; any other refusal raises DirectoryError, so a
// change the directory did not make never passes for a made one.

#include "platform/dsclient/client.h"

#include <string_view>

namespace tarnbeck {

// Adds `memberName` to the group's "Member", the group to the member's "Group Membership", and
// makes the member security equivalent to the group, in that order.
void AddMember(dsclient::ContextHandle context, std::string_view memberName,
               std::string_view groupName);
// The three steps of AddMember undone, in the same order.
void RemoveMember(dsclient::ContextHandle context, std::string_view memberName,
                  std::string_view groupName);

// Adds one value given as text (integer syntaxes travel as 32-bit numbers; a text that is no
// number raises DirectoryError -8000 before anything is sent). Without `keepExisting` the
// attribute's old values are cleared in the same request.
void AddValue(dsclient::ContextHandle context, std::string_view objectName,
              std::string_view attributeName, std::string_view valueText, bool keepExisting);
void RemoveValue(dsclient::ContextHandle context, std::string_view objectName,
                 std::string_view attributeName, std::string_view valueText);

// The status of the request; with `reportFailure` a refusal other than "already so" raises
// DirectoryError.
dsclient::Status AddSecurityEquivalence(dsclient::ContextHandle context,
                                        std::string_view objectName, std::string_view equivalentTo,
                                        bool reportFailure);
dsclient::Status RemoveSecurityEquivalence(dsclient::ContextHandle context,
                                           std::string_view objectName,
                                           std::string_view equivalentTo, bool reportFailure);

} // namespace tarnbeck
