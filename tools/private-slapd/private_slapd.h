#pragma once

// A private OpenLDAP slapd for tests, benchmarks and the demo: its own temporary directory, a
// generated configuration with the project's schema, back_mdb databases loaded with slapadd, and
// a free port on 127.0.0.1. It is stopped and its directory removed when the object goes, and
// it stops by itself when this process dies.

#include <cstddef>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tarnbeck {

struct SlapdDatabase {
    std::string suffix = {};                 // "o=Acme"
    std::vector<std::string> ldifFiles = {}; // loaded with slapadd before the start
    bool createSuffix = false;               // add the suffix entry itself first
};

struct SlapdOptions {
    std::vector<SlapdDatabase> databases = {};
    // slapd index lines ("objectClass eq", "cn eq,sub"); objectClass eq is always there.
    std::vector<std::string> indexes = {};
    // Who may write besides the manager, as a slapd <who> clause (dn.exact="cn=Admin,o=Acme",
    // dn.regex="..."); empty: nobody.
    std::string writers = {};
    // A certificate and key in PEM files: the server then offers StartTLS, and ldaps:// on a
    // port of its own.
    std::string tlsCertificate = {};
    std::string tlsKey = {};
    // A flush to disk per write, as a server keeps by default (tests and benchmarks: dbnosync).
    bool durable = false;
    // back_mdb's multival setting ("member 100,10"): big multi-valued attributes kept apart from
    // their entry; empty: not set.
    std::string multival = {};
    // The largest request a bound client may send (sockbuf_max_incoming_auth): slapd drops the
    // connection of one that is bigger. 0: slapd's default.
    std::size_t maxRequestBytes = 0;
    // Access rules put before the usual ones of each database ("to ... by ...").
    std::vector<std::string> accessRules = {};
};

class PrivateSlapd {
  public:
    // Throws std::runtime_error with slapd's own words when it cannot be started.
    explicit PrivateSlapd(const SlapdOptions &options);
    ~PrivateSlapd();
    PrivateSlapd(const PrivateSlapd &) = delete;
    PrivateSlapd &operator=(const PrivateSlapd &) = delete;

    std::string uri() const; // ldap://127.0.0.1:PORT
    // ldaps://127.0.0.1:PORT when the server has a certificate, else empty.
    std::string secureUri() const;
    int port() const { return port_; }
    const std::string &directory() const { return directory_; }

    // Adds the entries of an LDIF file through the running server, as its manager.
    void Add(const std::string &ldifFile) const;
    // Stops the server now (it is not started again).
    void Stop();
    // Sends `signal` to the server (SIGSTOP and SIGCONT: a server that stalls).
    void Signal(int signal) const;
    // Kills the server outright and starts it again on what it kept (on another port: see uri).
    void KillAndRestart();

  private:
    void WriteConfiguration(const SlapdOptions &options);
    void Load(const SlapdOptions &options);
    void Start();

    std::string directory_;
    std::string configFile_;
    std::string socketUri_;
    std::string logFile_;
    int port_ = 0;
    int securePort_ = 0; // 0: no ldaps:// listener
    bool tls_ = false;
    pid_t pid_ = -1;
};

} // namespace tarnbeck
