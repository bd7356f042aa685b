#include "platform/dsclient/ldap/session.h"

#include "platform/dsclient/deadline.h"
#include "platform/dsclient/dotted_names.h"
#include "platform/dsclient/ldap/step_watch.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <signal.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace dsclient::ldap {

namespace {

struct UrlFree {
    void operator()(LDAPURLDesc *url) const { ldap_free_urldesc(url); }
};

// Codes after which the connection cannot be trusted to carry another request.
bool LosesConnection(int code) {
    switch (code) {
    case LDAP_SERVER_DOWN:
    case LDAP_LOCAL_ERROR:
    case LDAP_ENCODING_ERROR:
    case LDAP_DECODING_ERROR:
    case LDAP_TIMEOUT:
    case LDAP_CONNECT_ERROR:
        return true;
    default:
        return false;
    }
}

// A server that drops a protected connection leaves libldap writing to a closed socket: that
// must be a failed request, not the end of the process. Only a default disposition is changed.
void IgnoreBrokenPipes() {
    struct sigaction current {};
    if (sigaction(SIGPIPE, nullptr, &current) == 0 && current.sa_handler == SIG_DFL)
        signal(SIGPIPE, SIG_IGN);
}

// The watch over the step of opening a connection that runs on this thread, if any.
thread_local StepWatch *watching = nullptr;

int Connected(LDAP *, Sockbuf *socket, LDAPURLDesc *, sockaddr *, ldap_conncb *) {
    int fd = -1;
    if (watching && ber_sockbuf_ctrl(socket, LBER_SB_OPT_GET_FD, &fd) == 1)
        watching->Watch(fd);
    return 0;
}
void Disconnecting(LDAP *, Sockbuf *socket, ldap_conncb *) {
    int fd = -1;
    if (watching && socket && ber_sockbuf_ctrl(socket, LBER_SB_OPT_GET_FD, &fd) == 1)
        watching->Forget(fd);
}
ldap_conncb watchConnections{Connected, Disconnecting, nullptr};

// TLS handshakes begun by libldap on this thread, so a failed ldaps:// connection tells a
// server that answered with TLS from one that was never reached.
thread_local int tlsStarts = 0;
int TlsStarting(LDAP *, void *, void *, void *) {
    ++tlsStarts;
    // libldap reads a handshake on a non-blocking socket in a busy loop; the watch bounds the
    // wait, so the reads may block.
    if (const int fd = watching ? watching->fd() : -1; fd >= 0)
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    return 0;
}

// How long one step of opening a connection may last: the tree's timeout, or what is left of the
// run's deadline when that is less.
std::chrono::microseconds StepLimit(int timeoutSeconds) {
    return AnswerWait(std::chrono::seconds(timeoutSeconds));
}

// Runs one step of opening a connection within `limit`: LDAP_TIMEOUT when the time ran out.
template <typename Step> int WithinTime(LDAP *ld, std::chrono::microseconds limit, Step step) {
    if (limit.count() <= 0)
        return LDAP_TIMEOUT;
    StepWatch watch(limit);
    int fd = -1;
    if (ldap_get_option(ld, LDAP_OPT_DESC, &fd) == LDAP_OPT_SUCCESS)
        watch.Watch(fd);
    watching = &watch;
    const int code = step();
    watching = nullptr;
    return watch.Stop() ? LDAP_TIMEOUT : code;
}

bool IsLoopbackHost(const std::string &host) {
    if (dsclient::LowerAscii(host) == "localhost")
        return true;
    in_addr v4{};
    if (inet_pton(AF_INET, host.c_str(), &v4) == 1)
        return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    return inet_pton(AF_INET6, host.c_str(), &v6) == 1 &&
           std::memcmp(&v6, &in6addr_loopback, sizeof v6) == 0;
}

// A URI without a host would reach whatever libldap's defaults name: not counted as local.
bool IsLocal(const UriEntry &entry) {
    return entry.scheme == "ldapi" || (!entry.host.empty() && IsLoopbackHost(entry.host));
}

} // namespace

Status StatusOfResult(int code) {
    switch (code) {
    case LDAP_SUCCESS:
        return status::Ok;
    case LDAP_NO_SUCH_OBJECT:
        return status::NoSuchEntry;
    case LDAP_NO_SUCH_ATTRIBUTE:
    case LDAP_UNDEFINED_TYPE:
        return status::NoSuchAttribute;
    case LDAP_TYPE_OR_VALUE_EXISTS:
        return status::DuplicateValue;
    case LDAP_INSUFFICIENT_ACCESS:
        return status::NoAccess;
    case LDAP_INVALID_CREDENTIALS:
    case LDAP_INAPPROPRIATE_AUTH:
        return status::FailedAuthentication;
    case LDAP_CONSTRAINT_VIOLATION:
    case LDAP_INVALID_SYNTAX:
        return status::SyntaxViolation;
    case LDAP_ALREADY_EXISTS:
        return status::EntryAlreadyExists;
    case LDAP_NAMING_VIOLATION:
        return status::IllegalName;
    case LDAP_OBJECT_CLASS_VIOLATION:
        return status::MissingMandatory;
    case LDAP_NOT_ALLOWED_ON_NONLEAF:
        return status::EntryIsNotLeaf;
    case LDAP_BUSY:
    case LDAP_UNAVAILABLE:
        return status::TransportFailure;
    case LDAP_NO_MEMORY:
        return status::NotEnoughMemory;
    default:
        if (code > 0)
            return status::LdapResult(code);
        return LosesConnection(code) ? status::TransportFailure : status::InvalidRequest;
    }
}

std::vector<UriEntry> ParseUriList(std::string_view uris) {
    std::vector<UriEntry> entries;
    std::size_t start = 0;
    while (start < uris.size()) {
        const std::size_t end = std::min(uris.find_first_of(" ,", start), uris.size());
        if (end > start) {
            LDAPURLDesc *parsed = nullptr;
            if (ldap_url_parse(std::string(uris.substr(start, end - start)).c_str(), &parsed) !=
                LDAP_URL_SUCCESS)
                return {};
            const std::unique_ptr<LDAPURLDesc, UrlFree> url(parsed);
            entries.push_back({url->lud_scheme ? dsclient::LowerAscii(url->lud_scheme) : "",
                               url->lud_host ? url->lud_host : ""});
        }
        start = end + 1;
    }
    return entries;
}

bool IsLocalUri(std::string_view uris) {
    const auto entries = ParseUriList(uris);
    return !entries.empty() && std::all_of(entries.begin(), entries.end(), IsLocal);
}

bool SendsPasswordInClear(const SessionSettings &settings) {
    if (settings.startTls)
        return false;
    // libldap falls over to the next server when one fails, so each must be safe.
    const auto entries = ParseUriList(settings.uri);
    return entries.empty() || std::any_of(entries.begin(), entries.end(), [](const UriEntry &e) {
               return e.scheme != "ldaps" && !IsLocal(e);
           });
}

Status Session::Open(const SessionSettings &settings) {
    Close();
    IgnoreBrokenPipes();
    timeoutSeconds_ = settings.timeoutSeconds > 0 ? settings.timeoutSeconds : 10;
    if (ldap_initialize(&ld_, settings.uri.c_str()) != LDAP_SUCCESS) {
        ld_ = nullptr;
        return status::ClientNotConfigured;
    }
    ++generation_;
    const int version = LDAP_VERSION3;
    const int deref = LDAP_DEREF_NEVER;
    const timeval timeout{timeoutSeconds_, 0};
    // A socket is only watched once connected, so connecting itself is bounded by libldap.
    const auto limit = StepLimit(timeoutSeconds_);
    const timeval connectTimeout{static_cast<time_t>(limit.count() / 1000000),
                                 static_cast<suseconds_t>(limit.count() % 1000000)};
    ldap_set_option(ld_, LDAP_OPT_PROTOCOL_VERSION, &version);
    ldap_set_option(ld_, LDAP_OPT_REFERRALS, LDAP_OPT_OFF); // a referral is reported, not followed
    ldap_set_option(ld_, LDAP_OPT_DEREF, &deref);
    ldap_set_option(ld_, LDAP_OPT_NETWORK_TIMEOUT, &connectTimeout);
    ldap_set_option(ld_, LDAP_OPT_TIMEOUT, &timeout);
    ldap_set_option(ld_, LDAP_OPT_CONNECT_CB, &watchConnections);
    const auto entries = ParseUriList(settings.uri);
    const bool secure = std::any_of(entries.begin(), entries.end(),
                                    [](const UriEntry &e) { return e.scheme == "ldaps"; });
    if (secure || settings.startTls) {
        // The server's certificate must be trusted, by the given authorities or the system's.
        const int demand = LDAP_OPT_X_TLS_DEMAND;
        ldap_set_option(ld_, LDAP_OPT_X_TLS_REQUIRE_CERT, &demand);
        if (!settings.caCertFile.empty())
            ldap_set_option(ld_, LDAP_OPT_X_TLS_CACERTFILE, settings.caCertFile.c_str());
        const int client = 0;
        ldap_set_option(ld_, LDAP_OPT_X_TLS_NEWCTX, &client);
        ldap_set_option(ld_, LDAP_OPT_X_TLS_CONNECT_CB, reinterpret_cast<void *>(&TlsStarting));
    }

    tlsStarts = 0;
    const int connected = WithinTime(ld_, limit, [this] { return ldap_connect(ld_); });
    if (connected != LDAP_SUCCESS) {
        Close();
        // A server that was reached but whose TLS failed (an untrusted certificate) is not a
        // server that cannot be reached; one that never answered in time is.
        return connected != LDAP_TIMEOUT &&
                       (tlsStarts > 0 || (secure && connected == LDAP_CONNECT_ERROR))
                   ? status::SecureConnectionFailed
                   : status::TransportFailure;
    }
    // Reads as much of the answer as has arrived, instead of a few bytes per system call: a
    // search's entries come by the thousand.
    Sockbuf *socket = nullptr;
    if (ldap_get_option(ld_, LDAP_OPT_SOCKBUF, &socket) == LDAP_OPT_SUCCESS && socket)
        ber_sockbuf_add_io(socket, &ber_sockbuf_io_readahead, LBER_SBIOD_LEVEL_PROVIDER, nullptr);
    if (settings.startTls) {
        const int started = WithinTime(ld_, StepLimit(timeoutSeconds_),
                                       [this] { return ldap_start_tls_s(ld_, nullptr, nullptr); });
        if (started != LDAP_SUCCESS) {
            Close();
            return started == LDAP_SERVER_DOWN || started == LDAP_TIMEOUT
                       ? status::TransportFailure
                       : status::SecureConnectionFailed;
        }
    }
    return status::Ok;
}

Status Session::Bind(const std::string &dn, std::string_view password) {
    if (!ld_)
        return status::TransportFailure;
    if (dn.empty())
        return status::Ok;
    berval credentials{static_cast<ber_len_t>(password.size()), const_cast<char *>(password.data())};
    const int code = WithinTime(ld_, StepLimit(timeoutSeconds_), [&] {
        return ldap_sasl_bind_s(ld_, dn.c_str(), LDAP_SASL_SIMPLE, &credentials, nullptr, nullptr,
                                nullptr);
    });
    return code == LDAP_SUCCESS ? status::Ok : Failed(code);
}

void Session::Close() {
    if (ld_)
        ldap_unbind_ext_s(ld_, nullptr, nullptr);
    ld_ = nullptr;
    pagingHolder_ = nullptr; // the server forgets the pages with the connection
}

void Session::TakeOver(Session &other) {
    Close();
    ld_ = other.ld_;
    other.ld_ = nullptr;
    timeoutSeconds_ = other.timeoutSeconds_;
    pagingHolder_ = nullptr;
    ++generation_;
}

Status Session::Failed(int code) {
    if (LosesConnection(code))
        Close();
    return StatusOfResult(code);
}

Status Session::Wait(int msgid, LDAPMessage *&message) {
    message = nullptr;
    if (!ld_)
        return status::TransportFailure;
    // The run's deadline may leave less than the tree's timeout; once past, nothing is awaited.
    const auto wait = AnswerWait(std::chrono::seconds(timeoutSeconds_));
    timeval timeout{static_cast<time_t>(wait.count() / 1000000),
                    static_cast<suseconds_t>(wait.count() % 1000000)};
    const int type =
        wait.count() > 0 ? ldap_result(ld_, msgid, LDAP_MSG_ONE, &timeout, &message) : 0;
    if (type == 0) { // no answer in time: the connection is in doubt
        Close();
        return status::TransportFailure;
    }
    if (type < 0) {
        int code = LDAP_SERVER_DOWN;
        ldap_get_option(ld_, LDAP_OPT_RESULT_CODE, &code);
        return Failed(code == LDAP_SUCCESS ? LDAP_SERVER_DOWN : code);
    }
    return status::Ok;
}

Status Session::ResultOf(LDAPMessage *message) {
    int code = LDAP_OTHER;
    if (ldap_parse_result(ld_, message, &code, nullptr, nullptr, nullptr, nullptr, 1) !=
        LDAP_SUCCESS)
        return Failed(LDAP_DECODING_ERROR);
    return code == LDAP_SUCCESS ? status::Ok : Failed(code);
}

// ---- paged search ----------------------------------------------------------------------------

PagedSearch::PagedSearch(Session &session, SearchParameters parameters)
    : session_(session), parameters_(std::move(parameters)), generation_(session.generation()) {
    static char all[] = "*";
    static char none[] = "1.1";
    if (parameters_.allUserAttributes)
        attributeList_.push_back(all);
    else if (parameters_.attributes.empty())
        attributeList_.push_back(none);
    for (auto &attribute : parameters_.attributes)
        attributeList_.push_back(attribute.data());
    attributeList_.push_back(nullptr);
}

PagedSearch::~PagedSearch() {
    Release();
    if (current_)
        ldap_msgfree(current_);
    ber_memfree(cookie_.bv_val);
}

void PagedSearch::Release() {
    if (msgid_ >= 0 && session_.open() && session_.generation() == generation_)
        ldap_abandon_ext(session_.ld(), msgid_, nullptr, nullptr);
    msgid_ = -1;
    ReleasePaging();
}

void PagedSearch::ReleasePaging() {
    if (session_.pagingHolder() == this)
        session_.setPagingHolder(nullptr);
}

Status PagedSearch::Request() {
    if (!session_.open() || session_.generation() != generation_)
        return status::TransportFailure;
    if (parameters_.paged && !cookie_.bv_len) { // a first page: only one search pages at a time
        if (session_.pagingHolder())
            parameters_.paged = false;
        else
            session_.setPagingHolder(this);
    }
    LDAPControl *page = nullptr;
    if (parameters_.paged &&
        ldap_create_page_control(session_.ld(), kPageSize, cookie_.bv_len ? &cookie_ : nullptr, 0,
                                 &page) != LDAP_SUCCESS)
        return status::NotEnoughMemory;
    LDAPControl *values = nullptr;
    if (!parameters_.valuesFilter.empty() && !(values = ValuesReturnControl())) {
        ldap_control_free(page);
        return status::InvalidRequest;
    }
    LDAPControl *controls[3] = {};
    int count = 0;
    for (LDAPControl *control : {page, values})
        if (control)
            controls[count++] = control;
    const int code = ldap_search_ext(session_.ld(), parameters_.base.c_str(), parameters_.scope,
                                     parameters_.filter.c_str(), attributeList_.data(),
                                     parameters_.typesOnly ? 1 : 0, count ? controls : nullptr,
                                     nullptr, nullptr, parameters_.sizeLimit, &msgid_);
    ldap_control_free(page);
    ldap_control_free(values);
    if (code != LDAP_SUCCESS) {
        msgid_ = -1;
        return session_.Failed(code);
    }
    return status::Ok;
}

LDAPControl *PagedSearch::ValuesReturnControl() const {
    BerElement *ber = ber_alloc_t(LBER_USE_DER);
    berval encoded{0, nullptr};
    LDAPControl *control = nullptr;
    // Not critical: a server without it returns every value, which the caller sorts out.
    if (ber && ldap_put_vrFilter(ber, parameters_.valuesFilter.c_str()) != -1 &&
        ber_flatten2(ber, &encoded, 0) != -1)
        ldap_control_create(LDAP_CONTROL_VALUESRETURNFILTER, 0, &encoded, 1, &control);
    ber_free(ber, 1);
    return control;
}

Status PagedSearch::Finish(LDAPMessage *result, bool &more) {
    int code = LDAP_OTHER;
    LDAPControl **controls = nullptr;
    if (ldap_parse_result(session_.ld(), result, &code, nullptr, nullptr, nullptr, &controls, 1) !=
        LDAP_SUCCESS)
        return session_.Failed(LDAP_DECODING_ERROR);
    more = false;
    if (code == LDAP_SUCCESS && controls) {
        if (LDAPControl *page = ldap_control_find(LDAP_CONTROL_PAGEDRESULTS, controls, nullptr)) {
            ber_int_t estimate = 0;
            berval cookie{0, nullptr};
            if (ldap_parse_pageresponse_control(session_.ld(), page, &estimate, &cookie) ==
                LDAP_SUCCESS) {
                ber_memfree(cookie_.bv_val);
                cookie_ = cookie;
                more = cookie_.bv_len > 0;
            }
        }
    }
    ldap_controls_free(controls);
    return code == LDAP_SUCCESS ? status::Ok : session_.Failed(code);
}

Status PagedSearch::Next(LDAPMessage *&entry) {
    entry = nullptr;
    if (current_) {
        ldap_msgfree(current_);
        current_ = nullptr;
    }
    while (!done_) {
        if (msgid_ < 0)
            if (const Status s = Request(); s != status::Ok)
                return s;
        if (session_.generation() != generation_)
            return status::TransportFailure;
        LDAPMessage *message = nullptr;
        if (const Status s = session_.Wait(msgid_, message); s != status::Ok) {
            msgid_ = -1;
            return s;
        }
        switch (ldap_msgtype(message)) {
        case LDAP_RES_SEARCH_ENTRY:
            current_ = entry = message;
            return status::Ok;
        case LDAP_RES_SEARCH_REFERENCE: // part of the result lies elsewhere: not complete
            ldap_msgfree(message);
            Release();
            done_ = true;
            return status::LdapResult(LDAP_REFERRAL);
        case LDAP_RES_SEARCH_RESULT: {
            msgid_ = -1;
            bool more = false;
            if (const Status s = Finish(message, more); s != status::Ok) {
                done_ = true;
                ReleasePaging();
                return s;
            }
            done_ = !more;
            if (done_)
                ReleasePaging();
            break;
        }
        default:
            ldap_msgfree(message);
        }
    }
    return status::Ok;
}

} // namespace dsclient::ldap
