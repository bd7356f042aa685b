#pragma once

// Update group: writes the outcome of Execute into the directory, one member list entry after
// the other. The window shows the progress and owns the "Update group" button; this walk only
// tells it what to show, so it runs the same headless.

#include "membership/addition_brake.h"
#include "membership/journal_recorder.h"
#include "directory/directory_error.h"
#include "membership/member_entry.h"
#include "membership/removal_brake.h"
#include "membership/unsaved_state.h"
#include "platform/dsclient/client.h"

#include <cstddef>
#include <optional>
#include <string>

namespace tarnbeck {

class UpdateView {
  public:
    virtual ~UpdateView() = default;
    virtual UnsavedState unsavedState() const = 0;
    virtual void setUpdateEnabled(bool enabled) = 0;
    virtual void setProgressMaximum(int maximum) = 0;
    // Called after every step, so the window can repaint while the walk runs.
    virtual void setProgressPosition(int position) = 0;
    // The brake to apply before anything is written; none: the caller decided already.
    virtual std::optional<RemovalBrake> removalBrake() const { return std::nullopt; }
    virtual std::optional<AdditionBrake> additionBrake() const { return std::nullopt; }
    // Asked after each member: true ends the walk there (the member just written is whole).
    virtual bool stopRequested() { return false; }
    // The journal the walk records in; none: the walk is not journalled.
    virtual std::optional<JournalTarget> journal() const { return std::nullopt; }
};

// A directory failure that ended the walk. Its text says how many members were written for good
// before it (a batch the failure broke off is not among them) and, when the disk is full, which
// store file could not grow.
class UpdateFailure : public DirectoryError {
  public:
    UpdateFailure(const DirectoryError &cause, std::size_t written, std::size_t changes,
                  const std::string &storeFile);
    std::size_t written() const { return written_; }

  private:
    std::size_t written_;
};

struct UpdateResult {
    bool started = false; // false: refused (unsaved parts) or declined at the brake
    bool stopped = false; // ended early at the administrator's request
    std::size_t written = 0; // members changed in the directory
    // The journal's record of the walk.
    std::optional<journal::RunId> run;
};

// Refuses with a message while the query or a list is unsaved. When the view gives a brake and
// the outcome removes (or adds) more than it allows, asks first (No writes nothing). Otherwise
// disables
// the button
// (Execute enables it again) and walks the list: remove and excluded entries are taken out of
// the group, add and static entries are put in, keep entries are left alone unless incomplete,
// when they are written whole; not-addable entries are never written. Each member's writes form
// one group of requests, so on a tree that can group them no member is left half-written; a tree
// that takes a group's changes in bulk (a directory server) gets them all at once, in an order
// that leaves nothing a cut-short run cannot show as half-written, and the bar steps as each
// member is answered. A directory refusal stops the walk at that entry and is raised as
// UpdateFailure; the progress and cursor are reset on every way out. The list itself is not
// changed. With a journal, writes the group's last run left pending are first settled against
// the directory, and the walk is entered there before its first write (a journal that
// cannot take it stops the walk there, with a message) and confirmed after each batch.
UpdateResult UpdateGroup(dsclient::ContextHandle context, const std::string &groupName,
                         const MemberEntries &entries, UpdateView &view);

} // namespace tarnbeck
