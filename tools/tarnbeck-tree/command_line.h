#pragma once

// The command line of tarnbeck-tree: which subcommand, on which store, with which options.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tarnbeck {

struct TreeCommand {
    enum class Kind { Demo, Generate, Dump, Passwd, ExportLdif, Help };
    Kind kind = Kind::Help;
    std::string path;       // the store file
    std::string objectName; // passwd: whose password
    std::string outputPath; // export-ldif: the LDIF file ("-": standard output)
    std::string base;       // export-ldif: the DN the tree goes under
    std::uint32_t users = 0;
    std::uint64_t seed = 1;
};

struct ParsedCommand {
    std::optional<TreeCommand> command; // empty: `error` tells what is wrong
    std::string error;
};

// `args` without the program name.
ParsedCommand ParseTreeCommand(const std::vector<std::string> &args);

std::string TreeUsage();

} // namespace tarnbeck
