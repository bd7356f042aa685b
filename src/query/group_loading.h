#pragma once

// Choosing the group to edit and loading everything that belongs to it: its kind, queries,
// current members and the two hand-kept lists.

#include "membership/member_entry.h"
#include "membership/name_list_page.h"
#include "membership/unsaved_state.h"
#include "platform/dsclient/client.h"
#include "query/group_attributes.h"
#include "query/query_editor.h"

#include <optional>
#include <string>
#include <string_view>

namespace tarnbeck {

struct GroupKind {
    bool workstationGroup = false;
    int image = 0;               // the icon beside the "Group" field
    std::string memberClassWord; // "user" or "workstation"
    bool operator==(const GroupKind &) const = default;
};

// A base class of exactly "Group" makes a user group; anything else a workstation group.
GroupKind GroupKindOf(std::string_view baseClass);

// True when nothing is unsaved, or when the administrator agrees to drop the changes.
bool ConfirmDiscard(const UnsavedState &unsaved);

// What loading a group needs of the main window.
class GroupLoadHost {
  public:
    virtual ~GroupLoadHost() = default;
    virtual bool queryModified() const = 0;
    // The editor's changes count as dropped: its Save button is disabled, its text stays.
    virtual void dropQueryChanges() = 0;
    // The browser, set up for group classes and opened at `currentGroup`; nullopt unless it
    // closed with OK.
    virtual std::optional<std::string> browseForGroup(const std::string &currentGroup) = 0;
    virtual std::string groupField() const = 0;
    virtual void setGroupField(const std::string &groupName) = 0;
    virtual void setGroupKind(const GroupKind &kind) = 0;
    // Binds the editor to the group, loads its queries and shows the first (see LoadGroupQueries).
    virtual void loadQueries(const std::string &groupName, const std::string &memberClassWord) = 0;
    virtual void showMembers(const MemberEntries &members) = 0;
    // Execute and the query editor become usable.
    virtual void enableQueryEditing() = 0;
    // Back to no group loaded: the field, the editor and the member list emptied, the editor,
    // Execute and Update group disabled.
    virtual void clearGroup() = 0;
};

struct GroupLoadTarget {
    dsclient::ContextHandle context = 0;
    GroupAttributes attributes;
};

// The "..." action beside the "Group" field. False when the administrator kept his changes or
// cancelled the browser (the changes are dropped all the same once he agreed). A directory
// failure raises DirectoryError and ends the load at that step.
bool ChooseGroup(const GroupLoadTarget &target, GroupLoadHost &host, NameListPage &excludes,
                 NameListPage &statics);

// The loading of one chosen group, without the question and the browser. When a step fails,
// nothing of the group stays half-loaded: the window has no group and both lists are empty.
void LoadGroup(const GroupLoadTarget &target, const std::string &groupName, GroupLoadHost &host,
               NameListPage &excludes, NameListPage &statics);

// What a host's loadQueries does with the editor: the group's query attribute as its store,
// the queries loaded, the first one shown, nothing modified.
void LoadGroupQueries(QueryEditor &editor, dsclient::ContextHandle context,
                      const std::string &groupName, const std::string &queryAttribute,
                      const std::string &memberClassWord);

} // namespace tarnbeck
