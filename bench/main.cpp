// tarnbeck-bench [DIRECTORY [USERS...]]: times directory work through the public client API on
// generated trees of 10,000 and 100,000 users, or of the sizes given (kept in DIRECTORY, default
// $TMPDIR/tarnbeck-bench, and reused by later runs).
//
// tarnbeck-bench --side-by-side [--users 10000,100000] [--repetitions 5] [--only TEXT]
// [DIRECTORY]: the same trees on the embedded store and on a private slapd, Tarnbeck beside a
// plain libldap client and ldapsearch; --only runs the cases whose name holds TEXT (or one of
// several texts separated by commas).

#include "bench_case.h"
#include "bench_trees.h"
#include "side_by_side.h"
#include "platform/dsclient/embedded/tree_error.h"
#include "synthetic_tree.h"

#include <algorithm>
#include <chrono>
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

void RunCase(const BenchCase &benchCase, BenchTree &tree) {
    double best = 0, total = 0;
    std::size_t items = 0;
    for (unsigned run = 0; run < benchCase.repetitions; ++run) {
        if (benchCase.prepare)
            benchCase.prepare(tree);
        auto started = std::chrono::steady_clock::now();
        items = benchCase.run(tree);
        double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - started)
                .count();
        best = run == 0 ? ms : std::min(best, ms);
        total += ms;
    }
    std::printf("%-8u %-40s %9zu %11.1f %11.1f %5u\n", tree.users, benchCase.name.c_str(), items,
                best, total / benchCase.repetitions, benchCase.repetitions);
    std::fflush(stdout);
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
        } else if (!arg.starts_with("--")) {
            options.directory = arg;
        } else {
            std::cerr << "usage: tarnbeck-bench --side-by-side [--users N[,N...]] "
                         "[--repetitions R] [--only TEXT] [DIRECTORY]\n";
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
    const std::string directory = argc > 1 ? argv[1] : DefaultDirectory();
    std::cout << "Machine: " << std::thread::hardware_concurrency() << " cores, " << CpuModel()
              << '\n';
    try {
        std::vector<BenchCase> cases = DirectoryCases();
        for (BenchCase &routine : RoutineCases())
            cases.push_back(std::move(routine));
        for (BenchCase &comparison : ComparisonCases())
            cases.push_back(std::move(comparison));
        std::vector<std::uint32_t> sizes;
        for (int i = 2; i < argc; ++i)
            sizes.push_back(static_cast<std::uint32_t>(std::stoul(argv[i])));
        if (sizes.empty())
            sizes = {10000u, 100000u};
        for (std::uint32_t users : sizes) {
            std::string path = EnsureBenchTree(directory, users);
            dsclient::TreeConfig config;
            config.name = std::string(kBenchTreeName);
            config.store = std::filesystem::absolute(path).string();
            config.identity = std::string(kBenchAdmin);
            ClientSession session({config});
            BenchTree tree{session, users};
            std::printf("\n%-8s %-40s %9s %11s %11s %5s\n", "users", "case", "results", "best ms",
                        "mean ms", "runs");
            for (const BenchCase &benchCase : cases)
                RunCase(benchCase, tree);
        }
    } catch (const std::exception &error) {
        std::cerr << "tarnbeck-bench: " << error.what() << '\n';
        return 1;
    }
    return 0;
}
