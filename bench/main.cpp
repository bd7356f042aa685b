// tarnbeck-bench [--repetitions R] [--rounds N] [--items I] [--only TEXT] [DIRECTORY
// [USERS...]]: times directory work through the public client API on generated trees of 10,000
// and 100,000 users, or of the sizes given (kept in DIRECTORY, default $TMPDIR/tarnbeck-bench,
// and reused by later runs), and shows how each case's cost per item grows from the smallest
// tree to the largest. Each of N rounds runs every case R times (default: the case's own count)
// on every tree in turn; the figures are of all rounds together. With --items I, a timed run
// repeats its case until it has handled I items.
//
// tarnbeck-bench --side-by-side [--users 10000,100000] [--repetitions 5] [--only TEXT]
// [DIRECTORY]: the same trees on the embedded store and on a private slapd, Tarnbeck beside a
// plain libldap client and ldapsearch; --only runs the cases whose name holds TEXT (or one of
// several texts separated by commas); --durable lets slapd flush each write to disk as it does
// by default, --multival keeps the groups' big attributes apart from their entries.

#include "bench_case.h"
#include "bench_support.h"
#include "bench_trees.h"
#include "side_by_side.h"
#include "platform/dsclient/embedded/tree_error.h"
#include "synthetic_tree.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <optional>
#include <thread>

namespace {

using namespace tarnbeck;

std::string CpuModel() {
    std::ifstream cpuinfo("/proc/cpuinfo");
    std::string line;
    while (std::getline(cpuinfo, line))
        if (line.starts_with("model name")) {
            auto colon = line.find(':');
            return colon == std::string::npos ? line : line.substr(colon + 2);
        }
    return "unknown";
}

std::string DefaultDirectory() {
    const char *tmp = std::getenv("TMPDIR");
    return (std::filesystem::path(tmp && *tmp ? tmp : "/tmp") / "tarnbeck-bench").string();
}

// What the runs of one case on one tree took.
struct CaseTimes {
    std::vector<double> ms;
    std::size_t items = 0;
    double perItem(double runMs) const {
        return items ? runMs * 1000.0 / static_cast<double>(items) : 0.0;
    }
};
// The cost of one item of a case, in µs: of its best run, and of all its runs together.
struct ItemCost {
    double best = 0, mean = 0;
};
// Each case's cost per item at each size, for the summary of how it grows.
using CostTable = std::vector<std::pair<std::string, std::vector<ItemCost>>>;

// Runs the case `repetitions` times. With `leastItems`, one timed run repeats the case until it
// has handled that many items, so runs on small trees last as long as on big ones and the
// machine's noise weighs on them alike.
void RunCase(const BenchCase &benchCase, BenchTree &tree, unsigned repetitions,
             std::size_t leastItems, CaseTimes &times) {
    repetitions = repetitions ? repetitions : benchCase.repetitions;
    for (unsigned run = 0; run < repetitions; ++run) {
        std::size_t items = 0;
        double ms = 0;
        do {
            if (benchCase.prepare)
                benchCase.prepare(tree);
            ms += Milliseconds([&] { items += benchCase.run(tree); });
        } while (items > 0 && items < leastItems);
        times.ms.push_back(ms);
        times.items = items;
    }
}

ItemCost PrintCase(const std::string &name, std::uint32_t users, CaseTimes times) {
    std::sort(times.ms.begin(), times.ms.end());
    const double best = times.ms.front(), median = times.ms[times.ms.size() / 2];
    double total = 0;
    for (double ms : times.ms)
        total += ms;
    const double mean = total / static_cast<double>(times.ms.size());
    std::printf("%-8u %-40s %9zu %10.1f %10.1f %10.1f %8.2f %8.2f %5zu\n", users, name.c_str(),
                times.items, best, median, mean, times.perItem(best), times.perItem(mean),
                times.ms.size());
    return {times.perItem(best), times.perItem(mean)};
}

// How the cost per item grows with the tree: each case's µs per item at every size (best run,
// all runs), and the largest size's figures over the smallest's. On a machine shared with
// others the best of short runs is the luckiest; the mean over interleaved rounds is steadier.
void PrintGrowth(const std::vector<std::uint32_t> &sizes, const CostTable &costs) {
    if (sizes.size() < 2)
        return;
    std::printf("\n%-50s", "µs per item (best run / mean)");
    for (std::uint32_t users : sizes)
        std::printf(" %13u", users);
    std::printf(" %15s\n", "growth");
    for (const auto &[name, perItem] : costs) {
        std::printf("%-50s", name.c_str());
        for (const ItemCost &cost : perItem)
            std::printf(" %6.2f/%6.2f", cost.best, cost.mean);
        const ItemCost &first = perItem.front(), &last = perItem.back();
        if (first.best > 0 && first.mean > 0)
            std::printf("   %5.2fx/%5.2fx", last.best / first.best, last.mean / first.mean);
        std::printf("\n");
    }
}

// The options of the side-by-side mode; nullopt (with a message) when they are not understood.
std::optional<SideBySideOptions> SideBySideArguments(int argc, char **argv) {
    SideBySideOptions options;
    options.directory = DefaultDirectory();
    for (int i = 2; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--users" || arg == "--repetitions" || arg == "--only") && i + 1 < argc) {
            const std::string value = argv[++i];
            if (arg == "--only") {
                options.only = value;
                continue;
            }
            if (arg == "--repetitions") {
                options.repetitions = static_cast<unsigned>(std::strtoul(value.c_str(), nullptr, 10));
                continue;
            }
            options.sizes.clear();
            for (std::size_t start = 0; start <= value.size();) {
                const auto comma = value.find(',', start);
                const unsigned long users =
                    std::strtoul(value.substr(start, comma - start).c_str(), nullptr, 10);
                if (users == 0 || users > kMaxGeneratedUsers) {
                    std::cerr << "tarnbeck-bench: --users takes sizes from 1 to "
                              << kMaxGeneratedUsers << ", separated by commas\n";
                    return std::nullopt;
                }
                options.sizes.push_back(static_cast<std::uint32_t>(users));
                if (comma == std::string::npos)
                    break;
                start = comma + 1;
            }
        } else if (arg == "--durable") {
            options.durable = true;
        } else if (arg == "--multival") {
            options.multival = true;
        } else if (!arg.starts_with("--")) {
            options.directory = arg;
        } else {
            std::cerr << "usage: tarnbeck-bench --side-by-side [--users N[,N...]] "
                         "[--repetitions R] [--only TEXT] [--durable] [--multival] "
                         "[DIRECTORY]\n";
            return std::nullopt;
        }
    }
    if (options.repetitions == 0)
        options.repetitions = 1;
    return options;
}

} // namespace

int main(int argc, char **argv) {
    if (argc > 1 && std::string(argv[1]) == "--side-by-side") {
        std::cout << "Machine: " << std::thread::hardware_concurrency() << " cores, " << CpuModel()
                  << '\n';
        const auto options = SideBySideArguments(argc, argv);
        return options ? RunSideBySide(*options) : 2;
    }
    unsigned repetitions = 0; // 0: each case's own count
    unsigned rounds = 1;
    std::size_t leastItems = 0;
    std::string only;
    std::vector<std::string> positional;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--repetitions" && i + 1 < argc) {
            repetitions = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--items" && i + 1 < argc) {
            leastItems = std::strtoul(argv[++i], nullptr, 10);
        } else if (arg == "--rounds" && i + 1 < argc) {
            rounds = std::max(1ul, std::strtoul(argv[++i], nullptr, 10));
        } else if (arg == "--only" && i + 1 < argc) {
            only = argv[++i];
        } else if (arg.starts_with("--")) {
            std::cerr << "usage: tarnbeck-bench [--repetitions R] [--rounds N] [--items I] [--only TEXT] "
                         "[DIRECTORY [USERS...]]\n";
            return 2;
        } else {
            positional.push_back(arg);
        }
    }
    const std::string directory = positional.empty() ? DefaultDirectory() : positional.front();
    std::cout << "Machine: " << std::thread::hardware_concurrency() << " cores, " << CpuModel()
              << '\n';
    try {
        std::vector<BenchCase> cases = DirectoryCases();
        for (BenchCase &routine : RoutineCases())
            cases.push_back(std::move(routine));
        for (BenchCase &comparison : ComparisonCases())
            cases.push_back(std::move(comparison));
        std::vector<std::uint32_t> sizes;
        for (std::size_t i = 1; i < positional.size(); ++i)
            sizes.push_back(static_cast<std::uint32_t>(std::stoul(positional[i])));
        if (sizes.empty())
            sizes = {10000u, 100000u};
        std::erase_if(cases, [&](const BenchCase &c) { return !Chosen(c.name, only); });
        // Each round runs every case on every tree in turn, so a slow spell of the machine
        // falls on all sizes alike.
        std::vector<std::vector<CaseTimes>> times(sizes.size(),
                                                  std::vector<CaseTimes>(cases.size()));
        for (unsigned round = 0; round < rounds; ++round)
            for (std::size_t size = 0; size < sizes.size(); ++size) {
                std::string path = EnsureBenchTree(directory, sizes[size]);
                dsclient::TreeConfig config;
                config.name = std::string(kBenchTreeName);
                config.store = std::filesystem::absolute(path).string();
                config.identity = std::string(kBenchAdmin);
                ClientSession session({config});
                BenchTree tree{session, sizes[size]};
                for (std::size_t i = 0; i < cases.size(); ++i)
                    RunCase(cases[i], tree, repetitions, leastItems, times[size][i]);
            }
        CostTable costs;
        for (const BenchCase &benchCase : cases)
            costs.push_back({benchCase.name, {}});
        for (std::size_t size = 0; size < sizes.size(); ++size) {
            std::printf("\n%-8s %-40s %9s %10s %10s %10s %8s %8s %5s\n", "users", "case",
                        "results", "best ms", "median ms", "mean ms", "best µs", "mean µs",
                        "runs");
            for (std::size_t i = 0; i < cases.size(); ++i)
                costs[i].second.push_back(PrintCase(cases[i].name, sizes[size], times[size][i]));
        }
        PrintGrowth(sizes, costs);
    } catch (const std::exception &error) {
        std::cerr << "tarnbeck-bench: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
