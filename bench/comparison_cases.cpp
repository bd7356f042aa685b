#include "bench_case.h"

#include "query/run_queries.h"
#include "synthetic_tree.h"
#include "platform/dsclient/embedded/tree_error.h"

#include <string>

namespace tarnbeck {

namespace {

// The searches measured beside a directory server holding the same tree, run the way Execute
// runs a query: parsed, translated and searched from the organisation down.
BenchCase QueryCase(std::string filter) {
    return {
        "query " + filter, {}, [filter](BenchTree &tree) {
            static const AttributeNameMap names(
                {"objectclass=Object Class", "l=L", "cn=CN", "title=Title"});
            QueryList queries;
            queries.entries = {"ldap:///o=" + std::string(kBenchOrganization) + "??sub?" + filter};
            const auto found =
                RunQueries({tree.session.context(), &queries, &names, nullptr, [](std::size_t) {}});
            if (!found)
                throw dsclient::embedded::TreeError(dsclient::status::InvalidRequest, "query " + filter);
            return found->size();
        }};
}

} // namespace

std::vector<BenchCase> ComparisonCases() {
    std::vector<BenchCase> cases;
    for (const char *filter :
         {"(&(objectclass=user)(l=Berlin))", "(cn=*-10*)",
          "(&(objectClass=user)(l=London)(!(title=Manager)))", "(title=*)", "(objectclass=user)"})
        cases.push_back(QueryCase(filter));
    return cases;
}

} // namespace tarnbeck
