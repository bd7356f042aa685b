#include "query/group_loading.h"

#include "directory/object_info.h"
#include "directory/prompter.h"
#include "membership/name_list.h"
#include "query/query_store.h"

#include <memory>

namespace tarnbeck {

GroupKind GroupKindOf(std::string_view baseClass) {
    if (baseClass == "Group")
        return {false, 0, "user"};
    return {true, 1, "workstation"};
}

bool ConfirmDiscard(const UnsavedState &unsaved) {
    if (!unsaved.any())
        return true;
    return prompter().confirm("There unsaved data (query, excludes or includes), ignore changes?");
}

bool ChooseGroup(const GroupLoadTarget &target, GroupLoadHost &host, NameListPage &excludes,
                 NameListPage &statics) {
    if (!ConfirmDiscard({host.queryModified(), excludes.saveEnabled(), statics.saveEnabled()}))
        return false;
    host.dropQueryChanges();
    excludes.dropChanges();
    statics.dropChanges();
    const std::optional<std::string> chosen = host.browseForGroup(host.groupField());
    if (!chosen)
        return false;
    LoadGroup(target, *chosen, host, excludes, statics);
    return true;
}

void LoadGroup(const GroupLoadTarget &target, const std::string &groupName, GroupLoadHost &host,
               NameListPage &excludes, NameListPage &statics) {
    try {
        host.setGroupField(groupName);
        const GroupKind kind = GroupKindOf(ObjectBaseClass(target.context, groupName));
        host.setGroupKind(kind);
        host.loadQueries(groupName, kind.memberClassWord);

        MemberEntries members;
        for (std::string &name : ReadList(target.context, groupName, "Member")) {
            members.push_back({std::move(name), MemberMark::Keep});
            members.back().reason.member = true;
        }
        host.showMembers(members);

        excludes.reload(target.context, groupName, target.attributes.exclude);
        statics.reload(target.context, groupName, target.attributes.statics);
        host.enableQueryEditing();
    } catch (...) {
        // Half a group would pair the new name with the old group's queries, lists or
        // outcome, and Save or Update would write them into the new group.
        host.clearGroup();
        excludes.clear();
        statics.clear();
        throw;
    }
}

void LoadGroupQueries(QueryEditor &editor, dsclient::ContextHandle context,
                      const std::string &groupName, const std::string &queryAttribute,
                      const std::string &memberClassWord) {
    editor.bindGroup(std::make_unique<DirectoryQueryStore>(context, groupName, queryAttribute),
                     memberClassWord);
    // Reload is exactly load, show the first query, nothing modified.
    editor.reload();
}

} // namespace tarnbeck
