#pragma once

// The client's own configuration, `dsclient.ini` (never the program's settings):
//
//   [Client]
//   Primary=DEMO_TREE                ; tree of the primary connection (may be empty: none)
//   MaxContexts=64                   ; contexts the process may hold at once
//
//   [Tree DEMO_TREE]                 ; one section per tree, in file order
//   Backend=embedded                 ; embedded (SQLite store) or ldap (a directory server)
//   Store=demo.db                    ; embedded: relative to the file's directory
//   Identity=Admin.Acme              ; already authenticated as (absent: must log in)
//   Server=ACME-FS1                  ; the tree's server name
//   Address=10.0.0.5                 ; what attach-by-address answers to
//   AddressTreeName=DEMO_TREE___     ; tree name the server reports (default: the tree name)
//
//   [Tree CORP_TREE]                 ; a tree kept by a directory server
//   Backend=ldap
//   Uri=ldaps://ldap.corp.example    ; ldap://, ldaps:// or ldapi://; several (blanks or commas
//                                    ; between them) are tried in turn
//   StartTLS=no                      ; yes: protect an ldap:// connection before binding
//   CACertFile=/etc/ssl/corp-ca.pem  ; certificates the server's must chain to (default: system)
//   Base=                            ; DN of the tree root; empty: the server's root entry, whose
//                                    ; naming contexts (o=Corp, ...) are the top containers
//   Identity=Admin.Corp              ; as above; requests bind as this user ...
//   PasswordFile=/root/.corp-pw      ; ... with the password in this file (owner-only, 0600)
//   AttributeMap=corp.map            ; "directory name = LDAP name" lines beyond the built-in
//                                    ; table, for attributes and classes
//   TimeoutSeconds=10                ; connecting, and waiting for any one answer
//   AllowPlainBind=no                ; yes: allow a password in clear text to a remote server
//
//   [Volumes]
//   /srv/acme/sys=ACME-FS1/SYS       ; a mount point that is a volume of a file server
//
// Passwords never go into this file. Taken from $DSCLIENT_CONFIG when set, else
// ~/.config/tarnbeck/dsclient.ini, else the built-in default below.

#include "platform/dsclient/status.h"

#include <optional>
#include <string>
#include <vector>

namespace dsclient {

struct TreeConfig {
    std::string name;
    std::string backend = "embedded";
    std::string store;           // absolute path after loading
    std::string identity;        // empty: not authenticated
    std::string server;          // server name
    std::string address;         // attach-by-address
    std::string addressTreeName; // connection information type 4 (default: name)
    // Backend=ldap
    std::string uri = {};
    bool startTls = false;
    std::string caCertFile = {};   // absolute path after loading
    std::string base = {};         // DN of the tree root; empty: the server's root entry
    std::string passwordFile = {}; // absolute path after loading
    std::string attributeMap = {}; // absolute path after loading
    int timeoutSeconds = 10;
    bool allowPlainBind = false;
};

struct VolumeMount {
    std::string mountPoint; // local directory, absolute
    std::string server;
    std::string volume;
};

struct ClientConfig {
    std::string primaryTree;
    // How many contexts the process may hold at once; creating one more fails.
    std::size_t maxContexts = 64;
    std::vector<TreeConfig> trees;
    std::vector<VolumeMount> volumes;
};

// The per-user data directory ($XDG_DATA_HOME/tarnbeck or ~/.local/share/tarnbeck).
std::string DefaultDataDirectory();
// DEMO_TREE (primary, authenticated as Admin.Acme) and LAB_TREE (needs a login), both in the
// data directory. The client makes their stores on first use and never overwrites them.
ClientConfig BuiltInConfig();
// Parses a configuration file; nullopt with `error` set when it cannot be read.
std::optional<ClientConfig> LoadClientConfig(const std::string &path, std::string &error);
// The file CallsInitialize reads, following the order above (empty: built-in).
std::string ConfigFilePath();

// The configuration the client was started with by CallsInitialize (empty before).
const ClientConfig &ActiveClientConfig();

// Replaces the configuration CallsInitialize uses (tests); nullopt restores the lookup above.
void OverrideClientConfig(std::optional<ClientConfig> config);

} // namespace dsclient
