// tarnbeck-sync: the unattended runner of computed groups.

#include "shell/program_files.h"
#include "sync/sync_options.h"
#include "sync/sync_run.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char **argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    const tarnbeck::ParsedSyncOptions parsed = tarnbeck::ParseSyncOptions(args);
    if (!parsed.options) {
        std::cerr << "tarnbeck-sync: " << parsed.error << "\n(tarnbeck-sync --help tells more)\n";
        return tarnbeck::kSyncError;
    }
    if (parsed.options->help) {
        std::cout << tarnbeck::SyncManual();
        return 0;
    }
    return tarnbeck::RunSync(*parsed.options, tarnbeck::ProgramDirectory(), std::cout, std::cerr);
}
