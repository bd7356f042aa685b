#pragma once

// Execute: runs the group's queries, merges what they find with the current members and the
// static and exclude lists as saved in the directory, and shows every name marked with what
// Update group will do with it. Names whose membership is written on some sides only are shown
// incomplete, so Update completes or finishes removing them. Nothing is written.

#include "membership/member_entry.h"
#include "platform/dsclient/client.h"
#include "query/attribute_name_map.h"
#include "query/filter_field.h"
#include "query/group_attributes.h"
#include "query/member_set.h"
#include "query/query_list.h"
#include "query/query_settings.h"

#include <cstddef>
#include <string>
#include <vector>

namespace tarnbeck {

// What Execute needs of the main window and its query editor.
class ExecuteHost {
  public:
    virtual ~ExecuteHost() = default;
    // The query Save button is enabled.
    virtual bool queryUnsaved() const = 0;
    // The queries and settings as the group holds them (last loaded or saved), never the
    // controls: what the administrator did not save is not run.
    virtual const QueryList &queries() const = 0;
    // The editor's selectQuery: shows a query that failed.
    virtual void selectQuery(std::size_t index) = 0;
    virtual FilterField *filterField() = 0; // may be null
    // Replaces the member list.
    virtual void showOutcome(MemberEntries outcome) = 0;
    virtual void setUpdateEnabled(bool enabled) = 0;
    // The run has begun and its searches have found `objects` so far.
    virtual void showFound(int /*objects*/) {}
};

struct ExecuteTarget {
    dsclient::ContextHandle context = 0;
    std::string groupName;
    GroupAttributes attributes;
    const AttributeNameMap *names = nullptr;
    // Classes whose objects may be members besides User (Workstation for workstation groups).
    std::vector<std::string> extraMemberClasses{};
};

// The outcome for the names the queries found: the group's current members (and the names
// written on some of its sides only) merged by `settings` with the static and exclude lists as
// saved in the directory, every entry with the reason for its mark. Names that would be written
// as members but may not be (see MemberAdmission) are marked not addable. Directory failures
// raise DirectoryError.
MemberEntries ComputeOutcome(const ExecuteTarget &target, const QuerySettings &settings,
                             MemberSet found);

// True when an outcome was shown; Update group is enabled when the outcome changes anything.
// With unsaved queries, "Query not saved!" and nothing runs; when a query fails the member list
// and Update group stay as they were. Directory failures raise DirectoryError; the hourglass is
// restored on every way out.
bool Execute(const ExecuteTarget &target, ExecuteHost &host);

} // namespace tarnbeck
