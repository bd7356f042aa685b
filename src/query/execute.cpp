#include "query/execute.h"

#include "directory/object_info.h"
#include "directory/prompter.h"
#include "membership/half_written.h"
#include "membership/name_list.h"
#include "query/member_admission.h"
#include "membership/written_state.h"
#include "query/outcome_merge.h"
#include "query/run_queries.h"

namespace tarnbeck {

MemberEntries ComputeOutcome(const ExecuteTarget &target, const QuerySettings &settings,
                             MemberSet found) {
    OutcomeInputs inputs;
    inputs.addMode = settings.addMode;
    // The merge puts the outcome in order; its inputs need none.
    inputs.currentMembers = ReadNames(target.context, target.groupName, "Member");
    inputs.halfWritten =
        FindHalfWrittenMembers(target.context, target.groupName, inputs.currentMembers);
    if (settings.applyStatics)
        inputs.staticNames = ReadNames(target.context, target.groupName, target.attributes.statics);
    if (settings.applyExcludes)
        inputs.excludeNames = ReadNames(target.context, target.groupName, target.attributes.exclude);
    MemberAdmission admission(target.context, target.groupName,
                              MemberClassOf(ObjectBaseClass(target.context, target.groupName)),
                              target.extraMemberClasses);
    inputs.refusalOf = [&admission](const std::string &name, const FoundKind *kind) {
        return admission.refusalOf(name, kind);
    };
    return MergeOutcome(std::move(found), std::move(inputs));
}

bool Execute(const ExecuteTarget &target, ExecuteHost &host) {
    if (host.queryUnsaved()) {
        prompter().message("Query not saved!");
        return false;
    }
    BusyCursor busy;
    host.showFound(0);
    std::optional<MemberSet> found =
        RunQueries({target.context, &host.queries(), target.names, host.filterField(),
                    [&host](std::size_t index) { host.selectQuery(index); },
                    [&host](int objects) { host.showFound(objects); }});
    if (!found)
        return false;

    // Shown only once complete: a failed read leaves the list and the button as they were.
    MemberEntries outcome = ComputeOutcome(target, host.queries().settings, std::move(*found));
    // An outcome that asks nothing of the directory leaves Update group with nothing to do.
    const bool changes = HasChanges(outcome);
    host.showOutcome(std::move(outcome));
    host.setUpdateEnabled(changes);
    return true;
}

} // namespace tarnbeck
