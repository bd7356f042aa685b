// tarnbeck-slapd DEMO_STORE -- PROGRAM [ARGS...]: serves DEMO_TREE of an embedded store on a
// private slapd and runs PROGRAM against it (LAB_TREE stays in lab.db beside the store). The
// slapd stops when PROGRAM ends.

#include "platform/dsclient/embedded/demo_tree.h"
#include "private_slapd.h"

#include "platform/dsclient/ldif/ldif_export.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace tarnbeck;
using namespace dsclient::embedded;

volatile sig_atomic_t programPid = 0;

// Passes a request to stop on to the program; this process stops when the program has.
void Forward(int signal) {
    if (programPid > 0)
        kill(programPid, signal);
}

// A directory of this run's files, removed on every way out.
class WorkDirectory {
  public:
    WorkDirectory() {
        const char *tmp = std::getenv("TMPDIR");
        std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarnbeck-demo-XXXXXX";
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("cannot create " + pattern);
        path_ = pattern;
    }
    ~WorkDirectory() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::string file(const std::string &name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

void WriteClientConfig(const std::string &path, const std::string &uri,
                       const std::string &passwordFile, const std::string &labStore) {
    std::ofstream out(path);
    out << "; DEMO_TREE on a private slapd, LAB_TREE in its embedded store\n"
        << "[Client]\nPrimary=" << kDemoTreeName << "\n\n"
        << "[Tree " << kDemoTreeName << "]\nBackend=ldap\nUri=" << uri << "\nBase=\n"
        << "Identity=" << kDemoAdmin << "\nPasswordFile=" << passwordFile << "\n"
        << "Server=ACME-FS1\nAddress=10.0.0.5\nAddressTreeName=ACME_DEMO_TREE____\n\n"
        << "[Tree " << kLabTreeName << "]\nBackend=embedded\nStore=" << labStore << "\n";
}

int RunProgram(char **argv, const std::string &clientConfig) {
    signal(SIGINT, SIG_IGN); // the terminal's interrupt reaches the program itself
    signal(SIGTERM, Forward);
    signal(SIGHUP, Forward);
    const pid_t child = fork();
    if (child == 0) {
        signal(SIGINT, SIG_DFL);
        signal(SIGTERM, SIG_DFL);
        signal(SIGHUP, SIG_DFL);
        setenv("DSCLIENT_CONFIG", clientConfig.c_str(), 1);
        execvp(argv[0], argv);
        std::cerr << "tarnbeck-slapd: cannot run " << argv[0] << '\n';
        _exit(127);
    }
    if (child < 0)
        return 1;
    programPid = child;
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

} // namespace

int main(int argc, char **argv) {
    if (argc < 4 || std::string(argv[2]) != "--") {
        std::cerr << "usage: tarnbeck-slapd DEMO_STORE -- PROGRAM [ARGS...]\n";
        return 2;
    }
    const std::string store = fs::absolute(argv[1]).string();
    try {
        const WorkDirectory work;
        const std::string ldif = work.file("demo.ldif");
        {
            std::ofstream out(ldif);
            std::string problem;
            if (dsclient::ldap::ExportLdif(store, "", out, problem) != dsclient::status::Ok)
                throw std::runtime_error(problem);
        }
        PrivateSlapd slapd(SlapdOptions{{SlapdDatabase{"o=Acme", {ldif}, false}},
                                        {"cn eq,sub", "l eq", "title eq,pres", "member eq",
                                         "groupMembership eq"},
                                        "dn.exact=\"cn=Admin,o=Acme\""});
        const std::string passwordFile = work.file("admin.pw");
        {
            std::ofstream(passwordFile) << kDemoAdminPassword << '\n';
            chmod(passwordFile.c_str(), 0600);
        }
        const std::string clientConfig = work.file("dsclient.ini");
        WriteClientConfig(clientConfig, slapd.uri(), passwordFile, LabStorePath(store));
        std::cout << kDemoTreeName << " is served by slapd at " << slapd.uri()
                  << " until the program ends; for a look at it:\n  ldapsearch -x -H "
                  << slapd.uri() << " -b o=Acme \"(cn=Sales Team)\" member equivalentToMe\n"
                  << std::flush;
        return RunProgram(argv + 3, clientConfig);
    } catch (const std::exception &error) {
        std::cerr << "tarnbeck-slapd: " << error.what() << '\n';
        return 1;
    }
}
