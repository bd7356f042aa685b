#include "private_slapd.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace tarnbeck {

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char *kSlapd = "/usr/sbin/slapd";
constexpr const char *kSlapadd = "/usr/sbin/slapadd";
constexpr const char *kLdapadd = "/usr/bin/ldapadd";
constexpr const char *kSystemSchema = "/etc/ldap/schema/";
constexpr const char *kModules = "/usr/lib/ldap";

std::string ReadFile(const std::string &path) {
    std::ifstream in(path);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs a program to its end with its output appended to `log`; its exit status.
int Run(const std::vector<std::string> &argv, const std::string &log) {
    const pid_t child = fork();
    if (child == 0) {
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
        if (out >= 0) {
            dup2(out, STDOUT_FILENO);
            dup2(out, STDERR_FILENO);
        }
        std::vector<char *> args;
        for (const auto &arg : argv)
            args.push_back(const_cast<char *>(arg.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A port on 127.0.0.1 that nothing listens on just now.
int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    const bool ok = bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
                    getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) == 0;
    close(fd);
    if (!ok)
        throw std::runtime_error("no free port on 127.0.0.1");
    return ntohs(address.sin_port);
}

bool Accepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    const bool connected = connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    close(fd);
    return connected;
}

// core.schema without its groupOfNames, which the project's schema defines as a directory
// group is: possibly empty.
std::string CoreSchemaWithoutGroups() {
    std::istringstream core(ReadFile(std::string(kSystemSchema) + "core.schema"));
    std::string kept;
    bool skipping = false;
    for (std::string line; std::getline(core, line);) {
        if (line.starts_with("objectclass ( 2.5.6.9 "))
            skipping = true;
        if (skipping && line.empty()) {
            skipping = false;
            continue;
        }
        if (!skipping)
            kept += line + '\n';
    }
    return kept;
}

// The entry of a suffix with the structural class its naming attribute calls for.
std::string SuffixEntry(const std::string &suffix) {
    const auto equals = suffix.find('=');
    const std::string attribute = suffix.substr(0, equals);
    const std::string value = suffix.substr(equals + 1, suffix.find(',') - equals - 1);
    const std::string cls = attribute == "ou" ? "organizationalUnit"
                            : attribute == "dc" ? "domain"
                                                : "organization";
    return "dn: " + suffix + "\nobjectClass: " + cls + "\n" + attribute + ": " + value + "\n";
}

} // namespace

PrivateSlapd::PrivateSlapd(const SlapdOptions &options) {
    const char *tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/tarnbeck-slapd-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("cannot create a directory for slapd in " + pattern);
    directory_ = pattern;
    configFile_ = directory_ + "/slapd.conf";
    logFile_ = directory_ + "/slapd.log";
    std::string encoded;
    for (char c : directory_ + "/ldapi")
        encoded += c == '/' ? std::string("%2F") : std::string(1, c);
    socketUri_ = "ldapi://" + encoded;
    try {
        WriteConfiguration(options);
        Load(options);
        Start();
    } catch (...) {
        Stop();
        std::error_code ignored;
        fs::remove_all(directory_, ignored);
        throw;
    }
}

PrivateSlapd::~PrivateSlapd() {
    Stop();
    std::error_code ignored;
    fs::remove_all(directory_, ignored);
}

std::string PrivateSlapd::uri() const {
    return "ldap://127.0.0.1:" + std::to_string(port_);
}

std::string PrivateSlapd::secureUri() const {
    return securePort_ ? "ldaps://127.0.0.1:" + std::to_string(securePort_) : std::string();
}

void PrivateSlapd::WriteConfiguration(const SlapdOptions &options) {
    std::ofstream(directory_ + "/core.schema") << CoreSchemaWithoutGroups();
    const std::string manager = "gidNumber=" + std::to_string(getegid()) +
                                "+uidNumber=" + std::to_string(geteuid()) +
                                ",cn=peercred,cn=external,cn=auth";
    std::ofstream config(configFile_);
    config << "include " << directory_ << "/core.schema\n"
           << "include " << kSystemSchema << "cosine.schema\n"
           << "include " << TARNBECK_LDAP_SCHEMA << "\n"
           << "modulepath " << kModules << "\n"
           << "moduleload back_mdb\n"
           << "moduleload argon2\n"
           << "pidfile " << directory_ << "/slapd.pid\n"
           << "argsfile " << directory_ << "/slapd.args\n"
           << "sizelimit unlimited\n";
    if (options.maxRequestBytes)
        config << "sockbuf_max_incoming_auth " << options.maxRequestBytes << "\n";
    tls_ = !options.tlsCertificate.empty();
    if (tls_)
        config << "TLSCertificateFile " << options.tlsCertificate << "\n"
               << "TLSCertificateKeyFile " << options.tlsKey << "\n";
    int number = 0;
    for (const auto &database : options.databases) {
        const std::string path = directory_ + "/db" + std::to_string(++number);
        fs::create_directories(path);
        config << "\ndatabase mdb\n"
               << "suffix \"" << database.suffix << "\"\n"
               << "directory " << path << "\n"
               << "maxsize 8589934592\n"
               << (options.durable ? "" : "dbnosync\n") // a server for one run: no flush per change
               << "index objectClass eq\n";
        if (!options.multival.empty())
            config << "multival " << options.multival << "\n";
        for (const auto &index : options.indexes)
            config << "index " << index << "\n";
        for (const auto &rule : options.accessRules)
            config << "access " << rule << "\n";
        config << "access to attrs=userPassword by dn.exact=\"" << manager << "\" manage"
               << " by anonymous auth by * none\n"
               << "access to * by dn.exact=\"" << manager << "\" manage";
        if (!options.writers.empty())
            config << " by " << options.writers << " write";
        config << " by * read\n";
    }
    if (!config)
        throw std::runtime_error("cannot write " + configFile_);
}

void PrivateSlapd::Load(const SlapdOptions &options) {
    for (const auto &database : options.databases) {
        std::vector<std::string> files = database.ldifFiles;
        if (database.createSuffix) {
            const std::string file = directory_ + "/suffix-" + std::to_string(files.size()) + ".ldif";
            std::ofstream(file) << SuffixEntry(database.suffix);
            files.insert(files.begin(), file);
        }
        for (const auto &file : files)
            if (Run({kSlapadd, "-q", "-f", configFile_, "-b", database.suffix, "-l", file},
                    logFile_) != 0)
                throw std::runtime_error("slapadd of " + file + " failed: " + ReadFile(logFile_));
    }
}

void PrivateSlapd::Start() {
    for (int attempt = 0; attempt < 3; ++attempt) {
        port_ = FreePort();
        std::string listen = "ldap://127.0.0.1:" + std::to_string(port_) + "/ " + socketUri_;
        if (tls_) {
            do
                securePort_ = FreePort();
            while (securePort_ == port_);
            listen += " ldaps://127.0.0.1:" + std::to_string(securePort_) + "/";
        }
        const pid_t parent = getpid();
        pid_ = fork();
        if (pid_ == 0) {
            // When this process dies, however it dies, the server goes with it.
            prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (getppid() != parent)
                _exit(1);
            const int out = open(logFile_.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0600);
            if (out >= 0) {
                dup2(out, STDOUT_FILENO);
                dup2(out, STDERR_FILENO);
            }
            execl(kSlapd, kSlapd, "-d", "0", "-f", configFile_.c_str(), "-h", listen.c_str(),
                  static_cast<char *>(nullptr));
            _exit(127);
        }
        if (pid_ < 0)
            throw std::runtime_error("cannot start slapd");
        const auto deadline = std::chrono::steady_clock::now() + 15s;
        while (std::chrono::steady_clock::now() < deadline) {
            if (Accepts(port_) && (!tls_ || Accepts(securePort_)) &&
                fs::exists(directory_ + "/ldapi"))
                return;
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                break; // it ended: perhaps the port was taken meanwhile; try another
            }
            std::this_thread::sleep_for(10ms);
        }
        Stop();
    }
    throw std::runtime_error("slapd did not start: " + ReadFile(logFile_));
}

void PrivateSlapd::Stop() {
    if (pid_ <= 0)
        return;
    kill(pid_, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + 10s;
    int status = 0;
    while (waitpid(pid_, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid_, SIGKILL);
            waitpid(pid_, &status, 0);
            break;
        }
        std::this_thread::sleep_for(5ms);
    }
    pid_ = -1;
}

void PrivateSlapd::Signal(int signal) const {
    if (pid_ > 0)
        kill(pid_, signal);
}

void PrivateSlapd::KillAndRestart() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }
    std::error_code ignored;
    fs::remove(directory_ + "/ldapi", ignored); // left behind by the killed server
    Start();
}

void PrivateSlapd::Add(const std::string &ldifFile) const {
    const std::string log = directory_ + "/ldapadd.log";
    if (Run({kLdapadd, "-Q", "-Y", "EXTERNAL", "-H", socketUri_, "-f", ldifFile}, log) != 0)
        throw std::runtime_error("ldapadd of " + ldifFile + " failed: " + ReadFile(log));
}

} // namespace tarnbeck
