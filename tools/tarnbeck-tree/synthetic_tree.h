#pragma once

// Large synthetic trees for benchmarks, the same tree for the same user count and seed.
//
// Layout: organisation "Bench" with the supervisor "Admin.Bench" and the groups
// "Administrators.Bench", "Bench Group.Bench" (empty, for timing adds) and "Berlin Users.Bench"
// (a stored query and up to 1000 Berlin members). Users are named "user-1" ... "user-N"; when
// N >= 10,000 the first 10,000 live in "Big.Bench", the rest in units "Unit-0001.Bench", ...
// of 200 to 2000 users each. Cities in L follow the weights of kCities (Berlin 30 %,
// London 25 %, ...); one user in 20 has Login Disabled TRUE, one in 4 a Title.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnbeck {

constexpr std::string_view kBenchTreeName = "BENCH_TREE";
constexpr std::string_view kBenchOrganization = "Bench";
constexpr std::string_view kBenchAdmin = "Admin.Bench";
constexpr std::string_view kBenchGroup = "Bench Group.Bench";
constexpr std::string_view kBigUnit = "Big.Bench";
constexpr std::uint32_t kBigUnitUsers = 10000;
constexpr std::uint32_t kMaxGeneratedUsers = 1000000;
constexpr std::uint64_t kDefaultSeed = 1;

struct GenerateSummary {
    std::uint32_t users = 0;
    std::uint32_t units = 0; // including Big
    std::uint32_t groups = 0;
    std::size_t objects = 0;
    std::size_t values = 0;
    double seconds = 0;
};

struct UnitSize {
    std::string name; // dotted
    std::uint32_t users = 0;
};
// The containers of the users in creation order: users 1 ... of the first, then the next.
std::vector<UnitSize> SyntheticLayout(std::uint32_t users, std::uint64_t seed);

// Writes the tree into a new store at `path` (TreeError when it exists or a write is refused;
// nothing is left behind then). `users` must be 1 ... kMaxGeneratedUsers.
GenerateSummary GenerateTree(const std::string &path, std::uint32_t users, std::uint64_t seed);

} // namespace tarnbeck
