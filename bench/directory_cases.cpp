#include "bench_case.h"

#include "platform/dsclient/embedded/tree_builder.h"
#include "platform/dsclient/embedded/tree_error.h"
#include "synthetic_tree.h"

#include <string>

namespace tarnbeck {

using namespace dsclient::embedded;

namespace {

constexpr std::uint32_t kAddedMembers = 10000;

std::string BigUser(std::uint32_t number) {
    return "user-" + std::to_string(number) + "." + std::string(kBigUnit);
}

BenchCase SubtreeSearch(std::string name, std::vector<SearchToken> filter) {
    return {std::move(name), {}, [filter](BenchTree &tree) {
                return tree.session.search(kBenchOrganization, dsclient::DS_SEARCH_SUBTREE, filter)
                    .size();
            }};
}

void ClearBenchGroup(BenchTree &tree) {
    dsclient::Status status =
        tree.session.modify(kBenchGroup, dsclient::DS_CLEAR_ATTRIBUTE, "Member", nullptr);
    if (status != dsclient::status::Ok)
        throw TreeError(status, "clearing Member of " + std::string(kBenchGroup));
}

std::size_t AddMembersOneByOne(BenchTree &tree) {
    for (std::uint32_t n = 1; n <= kAddedMembers; ++n) {
        dsclient::AttrValue member = DistName(BigUser(n));
        dsclient::Status status =
            tree.session.modify(kBenchGroup, dsclient::DS_ADD_VALUE, "Member", &member);
        if (status != dsclient::status::Ok)
            throw TreeError(status, "adding " + BigUser(n) + " to " + std::string(kBenchGroup));
    }
    return kAddedMembers;
}

} // namespace

std::vector<BenchCase> DirectoryCases() {
    std::vector<BenchCase> cases;
    cases.push_back(SubtreeSearch("search subtree (L=Berlin)", EqualsText("L", "Berlin")));
    cases.push_back(SubtreeSearch("search subtree (CN=*-10*)", EqualsText("CN", "*-10*")));
    cases.push_back(SubtreeSearch("search subtree (Login Disabled=TRUE)",
                                  EqualsBoolean("Login Disabled", true)));
    cases.push_back(SubtreeSearch("search subtree (Title present)", Present("Title")));
    cases.push_back({"list Big.Bench (16 KiB buffers)", {}, [](BenchTree &tree) {
                         return tree.session.list(kBigUnit, dsclient::kListBufferSize).size();
                     }});
    cases.push_back({"10k single-value adds to Member", ClearBenchGroup, AddMembersOneByOne, 1});
    return cases;
}

} // namespace tarnbeck
