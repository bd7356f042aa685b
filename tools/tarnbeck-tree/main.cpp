#include "command_line.h"
#include "tree_commands.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char **argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    tarnbeck::ParsedCommand parsed = tarnbeck::ParseTreeCommand(args);
    if (!parsed.command) {
        std::cerr << "tarnbeck-tree: " << parsed.error << "\n\n" << tarnbeck::TreeUsage();
        return 2;
    }
    return tarnbeck::RunTreeCommand(*parsed.command, std::cout, std::cerr);
}
