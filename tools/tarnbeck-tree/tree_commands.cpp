#include "tree_commands.h"

#include "password_input.h"
#include "platform/dsclient/embedded/demo_tree.h"
#include "platform/dsclient/embedded/tree_error.h"
#include "synthetic_tree.h"

#include "platform/dsclient/embedded/store_admin.h"
#include "platform/dsclient/ldif/ldif_export.h"

#include <filesystem>
#include <fstream>
#include <memory>

namespace tarnbeck {

using namespace dsclient::embedded;

namespace {

using dsclient::embedded::StoreAdmin;

std::unique_ptr<StoreAdmin> OpenStore(const std::string &path) {
    std::unique_ptr<StoreAdmin> admin;
    std::string problem;
    if (const dsclient::Status s = StoreAdmin::Open(path, admin, problem);
        s != dsclient::status::Ok)
        throw TreeError::Plain(s, problem); // told as tarnbeck-sync tells it
    return admin;
}

int RunPasswd(const TreeCommand &command, std::ostream &out, std::ostream &err) {
    std::string password;
    if (!ReadPasswordFromStdin(password)) {
        err << "tarnbeck-tree: no password on standard input\n";
        return 2;
    }
    if (password.empty()) {
        err << "tarnbeck-tree: an empty password is not set\n";
        return 2;
    }
    try {
        SetStorePassword(command.path, command.objectName, password);
    } catch (...) {
        WipePassword(password);
        throw;
    }
    WipePassword(password);
    out << "Password of " << command.objectName << " set\n";
    return 0;
}

// Written under a temporary name and renamed when complete, so no half file is left behind.
int RunExport(const TreeCommand &command, std::ostream &out, std::ostream &err) {
    std::string problem;
    if (command.outputPath == "-") {
        if (dsclient::ldap::ExportLdif(command.path, command.base, out, problem) ==
            dsclient::status::Ok)
            return 0;
        err << "tarnbeck-tree: " << problem << '\n';
        return 1;
    }
    namespace fs = std::filesystem;
    if (fs::exists(command.outputPath)) {
        err << "tarnbeck-tree: " << command.outputPath << " exists; it is never overwritten\n";
        return 1;
    }
    const std::string partial = command.outputPath + ".partial";
    dsclient::Status status = dsclient::status::Ok;
    {
        std::ofstream file(partial, std::ios::binary | std::ios::trunc);
        if (!file)
            problem = "cannot write " + partial;
        status = file ? dsclient::ldap::ExportLdif(command.path, command.base, file, problem)
                      : dsclient::status::TransportFailure;
        file.close();
        if (status == dsclient::status::Ok && !file) {
            status = dsclient::status::TransportFailure;
            problem = "cannot write " + partial;
        }
    }
    std::error_code ignored;
    if (status != dsclient::status::Ok) {
        fs::remove(partial, ignored);
        err << "tarnbeck-tree: " << problem << '\n';
        return 1;
    }
    fs::rename(partial, command.outputPath);
    out << "Wrote " << command.path << " as LDIF to " << command.outputPath << '\n';
    return 0;
}

} // namespace

void SetStorePassword(const std::string &path, std::string_view objectName,
                      std::string_view password) {
    auto admin = OpenStore(path);
    dsclient::Status status = admin->SetPassword(objectName, password);
    if (status != dsclient::status::Ok)
        throw TreeError(status, "setting the password of " + std::string(objectName));
}

void DumpStore(const std::string &path, std::ostream &out) {
    auto admin = OpenStore(path);
    dsclient::Status status = admin->Dump(out);
    if (status != dsclient::status::Ok)
        throw TreeError(status, "dumping " + path);
}

int RunTreeCommand(const TreeCommand &command, std::ostream &out, std::ostream &err) {
    try {
        switch (command.kind) {
        case TreeCommand::Kind::Help:
            out << TreeUsage();
            return 0;
        case TreeCommand::Kind::Demo:
            WriteDemoTrees(command.path);
            out << "Wrote " << kDemoTreeName << " to " << command.path << " and " << kLabTreeName
                << " to " << LabStorePath(command.path) << '\n';
            return 0;
        case TreeCommand::Kind::Generate: {
            GenerateSummary summary = GenerateTree(command.path, command.users, command.seed);
            out << "Wrote " << kBenchTreeName << " to " << command.path << ": " << summary.users
                << " users in " << summary.units << " units, " << summary.groups << " groups, "
                << summary.objects << " objects, " << summary.values << " values (seed "
                << command.seed << ") in " << summary.seconds << " s\n";
            return 0;
        }
        case TreeCommand::Kind::Dump:
            DumpStore(command.path, out);
            return 0;
        case TreeCommand::Kind::Passwd:
            return RunPasswd(command, out, err);
        case TreeCommand::Kind::ExportLdif:
            return RunExport(command, out, err);
        }
    } catch (const TreeError &error) {
        err << "tarnbeck-tree: " << error.what() << '\n';
        return 1;
    } catch (const std::exception &error) {
        err << "tarnbeck-tree: " << error.what() << '\n';
        return 1;
    }
    return 2;
}

} // namespace tarnbeck
