#include "command_line.h"

#include "synthetic_tree.h"

#include <charconv>
#include <string_view>

namespace tarnbeck {

namespace {

ParsedCommand Failure(std::string error) {
    return {std::nullopt, std::move(error)};
}

// Decimal digits only: "1e6", "-5", "12abc" and overflow are refused rather than half-read.
template <typename Number> std::optional<Number> ParseNumber(std::string_view text) {
    Number value{};
    if (text.empty() || text.front() < '0' || text.front() > '9')
        return std::nullopt;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

ParsedCommand ParseGenerate(const std::vector<std::string> &args) {
    TreeCommand command;
    command.kind = TreeCommand::Kind::Generate;
    command.seed = kDefaultSeed;
    bool haveUsers = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string_view arg = args[i];
        std::string_view option = arg;
        std::optional<std::string_view> value;
        if (arg.starts_with("--")) {
            if (auto equals = arg.find('='); equals != std::string_view::npos) {
                option = arg.substr(0, equals);
                value = arg.substr(equals + 1);
            } else if (i + 1 < args.size()) {
                value = args[++i];
            }
            if (option != "--users" && option != "--seed")
                return Failure("unknown option " + std::string(option));
            if (!value)
                return Failure(std::string(option) + " needs a number");
            if (option == "--users") {
                auto users = ParseNumber<std::uint32_t>(*value);
                if (!users || *users == 0 || *users > kMaxGeneratedUsers)
                    return Failure("--users must be a number from 1 to " +
                                   std::to_string(kMaxGeneratedUsers));
                command.users = *users;
                haveUsers = true;
            } else {
                auto seed = ParseNumber<std::uint64_t>(*value);
                if (!seed)
                    return Failure("--seed must be a non-negative number");
                command.seed = *seed;
            }
        } else if (command.path.empty()) {
            command.path = arg;
        } else {
            return Failure("unexpected argument " + std::string(arg));
        }
    }
    if (!haveUsers)
        return Failure("generate needs --users N");
    if (command.path.empty())
        return Failure("generate needs the path of the new store");
    return {command, {}};
}

// export-ldif STORE FILE [--base DN]
ParsedCommand ParseExport(const std::vector<std::string> &args) {
    TreeCommand command;
    command.kind = TreeCommand::Kind::ExportLdif;
    std::vector<std::string> paths;
    for (std::size_t i = 1; i < args.size(); ++i) {
        std::string_view arg = args[i];
        if (arg == "--base" || arg.starts_with("--base=")) {
            if (arg == "--base" && i + 1 == args.size())
                return Failure("--base needs a DN");
            command.base = arg == "--base" ? args[++i] : std::string(arg.substr(7));
        } else if (arg.starts_with("--") && arg != "-") {
            return Failure("unknown option " + std::string(arg));
        } else {
            paths.emplace_back(arg);
        }
    }
    if (paths.size() != 2 || paths[0].empty() || paths[1].empty())
        return Failure("export-ldif needs STORE FILE");
    command.path = paths[0];
    command.outputPath = paths[1];
    return {command, {}};
}

} // namespace

ParsedCommand ParseTreeCommand(const std::vector<std::string> &args) {
    if (args.empty())
        return Failure("no command given");
    const std::string &verb = args.front();
    TreeCommand command;
    if (verb == "help" || verb == "--help" || verb == "-h") {
        command.kind = TreeCommand::Kind::Help;
        return {command, {}};
    }
    if (verb == "generate")
        return ParseGenerate(args);
    if (verb == "export-ldif")
        return ParseExport(args);

    std::size_t wanted = 0;
    if (verb == "demo" || verb == "dump") {
        command.kind = verb == "demo" ? TreeCommand::Kind::Demo : TreeCommand::Kind::Dump;
        wanted = 2;
    } else if (verb == "passwd") {
        command.kind = TreeCommand::Kind::Passwd;
        wanted = 3;
    } else {
        return Failure("unknown command " + verb);
    }
    if (args.size() < wanted)
        return Failure(verb + " needs " + (wanted == 3 ? "PATH NAME" : "PATH"));
    if (args.size() > wanted)
        return Failure(verb == "passwd"
                           ? "too many arguments: the password is read from standard input"
                           : "too many arguments for " + verb);
    command.path = args[1];
    if (command.path.empty())
        return Failure("the store path is empty");
    if (wanted == 3)
        command.objectName = args[2];
    return {command, {}};
}

std::string TreeUsage() {
    return "usage: tarnbeck-tree demo PATH\n"
           "       tarnbeck-tree generate --users N [--seed S] PATH\n"
           "       tarnbeck-tree dump PATH\n"
           "       tarnbeck-tree passwd PATH NAME   (password read from standard input)\n"
           "       tarnbeck-tree export-ldif PATH FILE [--base DN]\n"
           "\n"
           "demo      writes DEMO_TREE into PATH and LAB_TREE into lab.db beside it\n"
           "generate  writes a synthetic BENCH_TREE of N users (1 to 1000000)\n"
           "dump      prints every object of the store with its values\n"
           "passwd    sets the password of the object NAME\n"
           "export-ldif  writes the tree as LDIF for a directory server (FILE \"-\": standard\n"
           "          output), below the DN given with --base, else as the server's top entries\n"
           "Existing files are never overwritten.\n";
}

} // namespace tarnbeck
