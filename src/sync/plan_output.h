#pragma once

// The plan on standard output, as text for a person, JSON lines or CSV for a program. Each
// group is printed when it is done, so a run that stops part-way has printed what it did.

#include "sync/group_report.h"
#include "sync/sync_options.h"

#include <ostream>

namespace tarnbeck {

class PlanWriter {
  public:
    PlanWriter(std::ostream &out, PlanFormat format) : out_(out), format_(format) {}
    void write(const GroupReport &report);

  private:
    void writeText(const GroupReport &report);
    void writeJson(const GroupReport &report);
    void writeCsv(const GroupReport &report);

    std::ostream &out_;
    PlanFormat format_;
    bool csvHeaderWritten_ = false;
};

} // namespace tarnbeck
