// tarnbeck-bench [DIRECTORY [USERS...]]: times directory work through the public client API on
// generated trees of 10,000 and 100,000 users, or of the sizes given (kept in DIRECTORY, default
// $TMPDIR/tarnbeck-bench, and reused by later runs).

#include "bench_case.h"
#include "bench_trees.h"
#include "platform/dsclient/embedded/tree_error.h"
#include "synthetic_tree.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
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

} // namespace

int main(int argc, char **argv) {
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
