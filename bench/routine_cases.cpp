#include "bench_case.h"

#include "directory/listing.h"
#include "directory/search.h"
#include "directory/values_reader.h"
#include "synthetic_tree.h"

namespace tarnbeck {

namespace {

// Every user of the tree: the objects of class User below the organisation.
dsclient::FilterPtr AllUsers() {
    dsclient::FilterPtr filter;
    dsclient::AllocFilter(filter);
    dsclient::AddFilterToken(*filter, dsclient::FTOK_ANAME, "Object Class", dsclient::SYN_CLASS_NAME);
    dsclient::AddFilterToken(*filter, dsclient::FTOK_EQ, "", 0);
    dsclient::AddFilterToken(*filter, dsclient::FTOK_AVAL, "User", dsclient::SYN_CLASS_NAME);
    dsclient::AddFilterToken(*filter, dsclient::FTOK_END, "", 0);
    return filter;
}

} // namespace

// The program's own routines over the same trees: what Execute, the browser and group loading
// cost on big trees. They follow the directory cases, so Bench Group then holds 10,000 members.
std::vector<BenchCase> RoutineCases() {
    std::vector<BenchCase> cases;
    cases.push_back({"SearchObjects: every user (de-duplicated names)", {}, [](BenchTree &tree) {
                         dsclient::Status passStatus = 0;
                         const auto found = SearchObjects(
                             tree.session.context(), kBenchOrganization, AllUsers(),
                             SearchScope::Sub, {}, nullptr, &passStatus);
                         return found.size() / 2;
                     }});
    cases.push_back({"ListSubordinates: Big.Bench with details", {}, [](BenchTree &tree) {
                         return ListSubordinates(tree.session.context(), kBigUnit, true, true)
                             .size();
                     }});
    cases.push_back({"ReadValues: Member of Bench Group", {}, [](BenchTree &tree) {
                         return ReadValues(tree.session.context(), kBenchGroup, "Member").size();
                     }});
    return cases;
}

} // namespace tarnbeck
