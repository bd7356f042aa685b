#pragma once

// One benchmark case: an untimed preparation and a timed run on a generated tree. Cases are
// kept in a list so new ones are one entry more.

#include "client_session.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tarnbeck {

struct BenchTree {
    ClientSession &session;
    std::uint32_t users = 0;
};

struct BenchCase {
    std::string name;
    // Runs before every timed run (may be empty).
    std::function<void(BenchTree &)> prepare;
    // The timed work; returns how many items it handled (shown beside the time).
    std::function<std::size_t(BenchTree &)> run;
    unsigned repetitions = 3;
};

// The directory cases: searches, a big listing, many single-value adds.
std::vector<BenchCase> DirectoryCases();
// The program's directory routines (search, listing, reading values) on the same trees.
std::vector<BenchCase> RoutineCases();
// The searches compared with a directory server's, run as Execute runs a query.
std::vector<BenchCase> ComparisonCases();

} // namespace tarnbeck
