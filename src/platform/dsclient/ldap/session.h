#pragma once

// One connection to a directory server: opened with a timeout, protected by TLS when asked,
// bound as one user (or none), and dropped when the server goes away so the next request
// starts afresh. Every failure comes back as a directory status.

#include "platform/dsclient/status.h"

#include <ldap.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace dsclient::ldap {

struct SessionSettings {
    std::string uri;
    bool startTls = false;
    std::string caCertFile;
    int timeoutSeconds = 10;
};

// The directory status of an LDAP result code (server side, or libldap's negative codes).
Status StatusOfResult(int code);

// One server of a Uri setting: its scheme (lower case) and its host as written.
struct UriEntry {
    std::string scheme;
    std::string host;
};
// The servers of a Uri setting, split where libldap splits a list (blanks and commas), which
// tries each in turn; empty when any of them is not an LDAP URL. Read, never resolved.
std::vector<UriEntry> ParseUriList(std::string_view uris);

// Is every server of the Uri setting this machine (127.0.0.0/8, ::1, localhost, or ldapi://)?
// The URIs are read, never resolved or contacted.
bool IsLocalUri(std::string_view uris);
// Would a password sent over this Uri setting cross the network unencrypted to any of its
// servers?
bool SendsPasswordInClear(const SessionSettings &settings);

class Session {
  public:
    Session() = default;
    ~Session() { Close(); }
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    // Connects (and starts TLS); TransportFailure when the server cannot be reached in time,
    // SecureConnectionFailed when TLS is refused or the certificate is not trusted.
    Status Open(const SessionSettings &settings);
    // A simple bind; an empty DN stays anonymous without asking the server.
    Status Bind(const std::string &dn, std::string_view password);
    void Close();
    // Continues on the connection of `other` (which is left closed); searches begun on the
    // previous connection find it gone.
    void TakeOver(Session &other);

    bool open() const { return ld_ != nullptr; }
    LDAP *ld() const { return ld_; }
    // Changes on every Open, so a search begun on an earlier connection knows it is gone.
    std::uint64_t generation() const { return generation_; }
    int timeoutSeconds() const { return timeoutSeconds_; }

    // The status of a failed call; a connection that is gone or in doubt is closed.
    Status Failed(int code);
    // Waits for one answer to `msgid`; the status of a timeout or a lost connection.
    Status Wait(int msgid, LDAPMessage *&message);
    // Reads the result of a finished request (freeing the message) as a status.
    Status ResultOf(LDAPMessage *message);

    // The paged search whose state the server keeps for this connection: a server keeps one
    // per connection, and a second paged search would end the first's.
    const void *pagingHolder() const { return pagingHolder_; }
    void setPagingHolder(const void *holder) { pagingHolder_ = holder; }

  private:
    LDAP *ld_ = nullptr;
    std::uint64_t generation_ = 0;
    int timeoutSeconds_ = 10;
    const void *pagingHolder_ = nullptr;
};

struct SearchParameters {
    std::string base;
    int scope = LDAP_SCOPE_SUBTREE;
    std::string filter = "(objectClass=*)";
    std::vector<std::string> attributes; // empty: none ("1.1")
    bool allUserAttributes = false;
    bool typesOnly = false;
    bool paged = true;
    int sizeLimit = 0;
    // Only the values that match it come back (RFC 3876), where the server can; empty: all.
    std::string valuesFilter;
};

// One search, read entry by entry and page by page (RFC 2696), so neither side holds the whole
// result. A limit, a referral or a lost connection is a status, never an early end. A search
// begun while another pages on the same connection is sent whole, unpaged, so neither ends
// the other's pages (a server limit then fails it as a status).
class PagedSearch {
  public:
    static constexpr int kPageSize = 2000;

    PagedSearch(Session &session, SearchParameters parameters);
    ~PagedSearch();
    PagedSearch(const PagedSearch &) = delete;
    PagedSearch &operator=(const PagedSearch &) = delete;

    // The next entry (valid until the next call) or null at the end.
    Status Next(LDAPMessage *&entry);

  private:
    Status Request();
    Status Finish(LDAPMessage *result, bool &more);
    void Release();
    void ReleasePaging();
    LDAPControl *ValuesReturnControl() const;

    Session &session_;
    SearchParameters parameters_;
    std::vector<char *> attributeList_;
    std::uint64_t generation_ = 0;
    int msgid_ = -1;
    bool done_ = false;
    berval cookie_{0, nullptr};
    LDAPMessage *current_ = nullptr;
};

} // namespace dsclient::ldap
