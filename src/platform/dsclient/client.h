#pragma once

// The directory client: the only road from the program to a directory tree. The operations
// mirror the vendor client by role (contexts, trees and login, buffers, request building,
// requests, result parsing, filters, connections, calls); every one answers with a Status.
// Iterating requests take an iteration handle that starts at -1, is set to a live handle while
// more remains and returns to -1 at the end; CloseIteration releases a live handle.

#include "platform/dsclient/status.h"
#include "platform/dsclient/values.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace dsclient {

using ContextHandle = std::uint32_t;    // 0 is never a valid context
using ConnectionHandle = std::uint32_t; // 0 is never a valid connection
using ConnectionReference = std::uint32_t;
using IterationHandle = std::int32_t;   // -1: no iteration open
constexpr IterationHandle kNoIteration = -1;

// ---- contexts ---------------------------------------------------------------------------

// Context keys.
enum ContextKey : int {
    DCK_FLAGS = 1,        // std::uint32_t
    DCK_CONFIDENCE = 2,   // std::uint32_t
    DCK_NAME_CONTEXT = 3, // text
    DCK_CONNECTION = 8,   // std::uint32_t (ConnectionHandle); setting it binds the context to
                          // the connection's tree
    DCK_TREE_NAME = 11,   // text
};
// Bits of DCK_FLAGS.
enum ContextFlag : std::uint32_t {
    DCV_DEREF_ALIASES = 0x01,
    DCV_XLATE_STRINGS = 0x02,
    DCV_TYPELESS_NAMES = 0x04,
    DCV_ASYNC_MODE = 0x08,
    DCV_CANONICALIZE_NAMES = 0x10,
    DCV_DEREF_BASE_CLASS = 0x40,
};

// A new context is bound to the preferred tree (by default the primary tree of the
// configuration), without a connection, name context "[Root]", flags DEREF_ALIASES |
// XLATE_STRINGS | CANONICALIZE_NAMES. Requests always act as the identity the workstation holds
// on the context's tree (see Login); a tree without one may be browsed but not written.
Status CreateContext(ContextHandle &context);
Status DuplicateContext(ContextHandle source, ContextHandle &duplicate);
Status FreeContext(ContextHandle context);
Status GetContextValue(ContextHandle context, int key, std::uint32_t &value);
Status GetContextValue(ContextHandle context, int key, std::string &value);
Status SetContextValue(ContextHandle context, int key, std::uint32_t value);
Status SetContextValue(ContextHandle context, int key, std::string_view value);
Status GetDefaultNameContext(ContextHandle context, std::string &nameContext);
// The file that holds the context's tree (its embedded store); empty for a directory server.
std::string ContextStoreFile(ContextHandle context);
Status SetPreferredTree(std::string_view treeName);

// ---- trees and login --------------------------------------------------------------------

// Trees the workstation is authenticated to (configured identities and successful logins of
// this process), at most `maxTrees` names.
Status ScanConnectionsForTrees(ContextHandle context, std::size_t maxTrees,
                               std::vector<std::string> &treeNames);
// All trees the client knows, one per call; `scanIndex` starts at -1. NoMoreTrees ends it.
Status ScanForAvailableTrees(ContextHandle context, ConnectionHandle connection,
                             std::string_view scanFilter, std::int32_t &scanIndex,
                             std::string &treeName);
Status OpenConnectionToServer(std::string_view serverName, ConnectionHandle &connection);
Status AuthenticateConnection(ContextHandle context, ConnectionHandle connection);
Status UnauthenticateConnection(ContextHandle context, ConnectionHandle connection);
// Logs in on the context's tree. On success the workstation holds `objectName` as its identity
// on that tree for the rest of the process. The password is only compared with the stored hash.
Status Login(ContextHandle context, std::uint32_t optionsFlag, std::string_view objectName,
             std::string_view password, std::uint32_t validityPeriod);
Status WhoAmI(ContextHandle context, std::string &objectName);

// ---- buffers ----------------------------------------------------------------------------

// Operation numbers a buffer is initialised for (also the verb passed to CloseIteration).
enum Operation : std::uint32_t {
    DSV_READ = 3,
    DSV_LIST = 5,
    DSV_SEARCH = 6,
    DSV_ADD_ENTRY = 7,
    DSV_MODIFY_ENTRY = 9,
    DSV_READ_ATTR_DEF = 12,
    DSV_LIST_CONTAINABLE_CLASSES = 18,
    DSV_SEARCH_FILTER = 28,
};

class Buffer; // a byte-capacity buffer; its content is the library's business
struct BufferDeleter {
    void operator()(Buffer *buffer) const;
};
using BufferPtr = std::unique_ptr<Buffer, BufferDeleter>;

// Common capacities.
constexpr std::size_t kDefaultBufferSize = 4096;
constexpr std::size_t kListBufferSize = 16384;
constexpr std::size_t kMaxBufferSize = 64512;
// A request sized for what it carries may be larger (a list of 100,000 names); results never
// need to be, they come over several passes.
constexpr std::size_t kLargestRequestSize = std::size_t{256} << 20;

Status AllocBuffer(std::size_t capacity, BufferPtr &buffer);
Status InitBuffer(ContextHandle context, std::uint32_t operation, Buffer &buffer);
void FreeBuffer(BufferPtr &buffer);

// ---- request building -------------------------------------------------------------------

enum ChangeType : std::uint32_t {
    DS_ADD_ATTRIBUTE = 0,
    DS_REMOVE_ATTRIBUTE = 1,
    DS_ADD_VALUE = 2,
    DS_REMOVE_VALUE = 3,
    DS_ADDITIONAL_VALUE = 4,
    DS_OVERWRITE_VALUE = 5,
    DS_CLEAR_ATTRIBUTE = 6,
    DS_CLEAR_VALUE = 7,
};

Status PutAttributeName(ContextHandle context, Buffer &buffer, std::string_view attributeName);
// The value must hold the owner type of its syntax (SyntaxViolation otherwise).
Status PutAttributeValue(ContextHandle context, Buffer &buffer, const AttrValue &value);
Status PutChange(ContextHandle context, Buffer &buffer, std::uint32_t changeType,
                 std::string_view attributeName);
Status PutChangeAndValue(ContextHandle context, Buffer &buffer, std::uint32_t changeType,
                         std::string_view attributeName, const AttrValue &value);
// The bytes PutChange and PutChangeAndValue take in a buffer, so a request can be sized for
// what it will carry.
std::size_t ChangeSize(std::string_view attributeName);
std::size_t ChangeAndValueSize(std::string_view attributeName, const AttrValue &value);

// ---- requests ---------------------------------------------------------------------------

enum InfoType : std::uint32_t {
    DS_ATTRIBUTE_NAMES = 0,
    DS_ATTRIBUTE_VALUES = 1,
};
// Same numbers for attribute definitions.
constexpr std::uint32_t DS_ATTR_DEF_NAMES = 0;
constexpr std::uint32_t DS_ATTR_DEFS = 1;

enum SearchScopeValue : std::uint32_t {
    DS_SEARCH_ENTRY = 0,
    DS_SEARCH_SUBORDINATES = 1,
    DS_SEARCH_SUBTREE = 2,
};

// Entry flags of an object.
enum EntryFlag : std::uint32_t {
    DS_ALIAS_ENTRY = 0x01,
    DS_PARTITION_ROOT = 0x02,
    DS_CONTAINER_ENTRY = 0x04,
    DS_CONTAINER_ALIAS = 0x08,
};

struct ObjectInfo {
    std::uint32_t entryFlags = 0;
    std::uint32_t subordinateCount = 0;
    std::uint32_t modificationTime = 0;
    std::string baseClass; // at most 32 characters
};

// The name "[Root]" (any case) stands for the top of the tree.
// Reads the named attributes (or all, when allAttributes is set) of one object into `result`.
Status Read(ContextHandle context, std::string_view objectName, std::uint32_t infoType,
            bool allAttributes, const Buffer *attributeNames, IterationHandle &iteration,
            Buffer &result);
Status ReadObjectInfo(ContextHandle context, std::string_view objectName,
                      std::string &distinguishedName, ObjectInfo &info);
// Applies all changes of `changes` (initialised for DSV_MODIFY_ENTRY) in one transaction.
Status ModifyObject(ContextHandle context, std::string_view objectName,
                    IterationHandle &iteration, bool moreIterations, const Buffer &changes);
// Creates the object with the attribute values of `attributes` (initialised for DSV_ADD_ENTRY).
Status AddObject(ContextHandle context, std::string_view objectName, IterationHandle &iteration,
                 bool moreIterations, const Buffer &attributes);
Status RemoveObject(ContextHandle context, std::string_view objectName);
// The names in list results are the subordinates' leaf components (a "." written "\."),
// each with its ObjectInfo.
Status List(ContextHandle context, std::string_view parentName, IterationHandle &iteration,
            Buffer &result);
Status ListContainers(ContextHandle context, std::string_view parentName,
                      IterationHandle &iteration, Buffer &result);
// InvalidRequest-free: IllegalContainment when the object may contain no class at all.
Status ListContainableClasses(ContextHandle context, std::string_view parentName,
                              IterationHandle &iteration, Buffer &result);
// `filter` is a buffer initialised for DSV_SEARCH_FILTER into which PutFilter has put a filter.
// Aliases are never dereferenced. Names in the result are whole dotted names.
Status Search(ContextHandle context, std::string_view baseObjectName, std::uint32_t scope,
              bool searchAliases, const Buffer &filter, std::uint32_t infoType,
              bool allAttributes, const Buffer *attributeNames, IterationHandle &iteration,
              std::int32_t countObjectsToSearch, std::int32_t &countObjectsSearched,
              Buffer &result);
Status ReadAttributeDefinitions(ContextHandle context, std::uint32_t infoType,
                                bool allAttributes, const Buffer *attributeNames,
                                IterationHandle &iteration, Buffer &result);
Status GetSyntaxId(ContextHandle context, std::string_view attributeName, std::uint32_t &syntax);
// Whether the tree's schema lets objects of the class (its super classes included) hold the
// attribute. NoSuchClass for a class the schema does not know.
Status ClassAllowsAttribute(ContextHandle context, std::string_view className,
                            std::string_view attributeName, bool &allowed);
// Makes `equalFrom` security equivalent to `equalTo`: "Security Equals" on equalFrom and
// "Equivalent To Me" on equalTo. Adding an equivalence that holds already succeeds.
Status AddSecurityEquivalence(ContextHandle context, std::string_view equalFrom,
                              std::string_view equalTo);
Status RemoveSecurityEquivalence(ContextHandle context, std::string_view equalFrom,
                                 std::string_view equalTo);
Status CloseIteration(ContextHandle context, IterationHandle iteration, std::uint32_t operation);

// Groups the write requests that follow on the context's tree: a tree that can apply them
// together applies all or none at CommitRequestGroup and drops them at AbortRequestGroup; a
// tree that cannot (a directory server, where one member's writes touch two entries) applies
// each request whole as it comes and takes both calls as no-ops. Groups do not nest.
Status BeginRequestGroup(ContextHandle context);
Status CommitRequestGroup(ContextHandle context);
Status AbortRequestGroup(ContextHandle context);
// Many groups in one go, for speed: each group is still applied whole or not at all, but the
// tree may keep all of the batch's groups until EndRequestBatch, which applies them or, when it
// fails, none of them. On a tree that applies each request as it comes both are no-ops.
Status BeginRequestBatch(ContextHandle context);
Status EndRequestBatch(ContextHandle context);

// One member's change in a group's membership: all four sides added, or all taken away.
struct MembershipWrite {
    std::string member;
    bool add = true;
};

// Told of each member's answer, in the order of the list, and asked after each whether to go on.
class MembershipWriteObserver {
  public:
    virtual ~MembershipWriteObserver() = default;
    // Ok: the member is written on all sides (a removal is told once the group let go of it
    // too, so its answer may come some members late). Otherwise the member's own entry, or the
    // group for this one value, refused the change, and nothing of it is left on the group's
    // side for additions (for removals the group keeps the member, so it shows as before, or
    // without the rights when the group alone refused to let go of it).
    virtual void Answered(std::size_t index, Status status) = 0;
    virtual bool StopRequested() = 0;
};

// The names that hold some but not all four sides of a membership of the group (see
// Backend::HalfWrittenMembers); `members`, when given, are the group's "Member" values as read.
Status HalfWrittenMemberships(ContextHandle context, std::string_view groupName,
                              const std::vector<std::string> *members,
                              std::vector<std::string> &names);

// Whether the context's tree takes a group's membership changes in one request
// (WriteGroupMemberships); a tree that does not takes them member by member in groups.
bool WritesMembershipsInBulk(ContextHandle context);
// Writes the changes of one group: the group's own values in requests that carry many, the
// members' in requests sent without waiting for each answer. On additions the group's side goes
// first, on removals the members' side, so a run cut short leaves only members that the next
// Execute shows half-written. Once a stop is asked, no member is started, and those in flight
// are answered. A status other than Ok: the run broke off (the group's side refused, the
// connection lost); members answered before stay as they were reported.
Status WriteGroupMemberships(ContextHandle context, std::string_view groupName,
                             const std::vector<MembershipWrite> &writes,
                             MembershipWriteObserver &observer);

// Live iterations of a context (for tests that prove nothing leaks).
std::size_t LiveIterationCount(ContextHandle context);

// ---- result parsing ---------------------------------------------------------------------
// A result buffer is read front to back; each call consumes what it returns.

Status GetAttributeCount(ContextHandle context, Buffer &buffer, std::uint32_t &count);
Status GetAttributeName(ContextHandle context, Buffer &buffer, std::string &attributeName,
                        std::uint32_t &valueCount, std::uint32_t &syntax);
Status ComputeAttributeValueSize(ContextHandle context, Buffer &buffer, std::uint32_t syntax,
                                 std::size_t &size);
Status GetAttributeValue(ContextHandle context, Buffer &buffer, std::uint32_t syntax,
                         AttrValue &value);
Status GetObjectCount(ContextHandle context, Buffer &buffer, std::uint32_t &count);
// `attributeCount` tells how many GetAttributeName/GetAttributeValue groups follow.
Status GetObjectName(ContextHandle context, Buffer &buffer, std::string &objectName,
                     std::uint32_t &attributeCount, ObjectInfo &info);

struct AttributeDefinition {
    std::uint32_t flags = 0;
    std::uint32_t syntax = 0;
    std::uint32_t lowerBound = 0;
    std::uint32_t upperBound = 0;
    std::uint32_t asn1Length = 0;
    std::uint8_t asn1Id[32] = {};
};
// Attribute definition flags.
enum AttributeFlag : std::uint32_t {
    DS_SINGLE_VALUED_ATTR = 0x0001,
    DS_SIZED_ATTR = 0x0002,
    DS_NONREMOVABLE_ATTR = 0x0004,
    DS_READ_ONLY_ATTR = 0x0008,
    DS_HIDDEN_ATTR = 0x0010,
    DS_STRING_ATTR = 0x0020,
    DS_SYNC_IMMEDIATE = 0x0040,
    DS_PUBLIC_READ = 0x0080,
};
Status GetAttributeDefinition(ContextHandle context, Buffer &buffer, std::string &attributeName,
                              AttributeDefinition &definition);
Status GetClassItemCount(ContextHandle context, Buffer &buffer, std::uint32_t &count);
Status GetClassItem(ContextHandle context, Buffer &buffer, std::string &className);

// ---- filters ----------------------------------------------------------------------------

enum FilterTokenNumber : std::uint32_t {
    FTOK_END = 0,
    FTOK_OR = 1,
    FTOK_AND = 2,
    FTOK_NOT = 3,
    FTOK_LPAREN = 4,
    FTOK_RPAREN = 5,
    FTOK_AVAL = 6,
    FTOK_EQ = 7,
    FTOK_GE = 8,
    FTOK_LE = 9,
    FTOK_APPROX = 10,
    FTOK_ANAME = 14,
    FTOK_PRESENT = 15,
    FTOK_RDN = 16,
    FTOK_BASECLS = 17,
};

class Filter; // an expression built token by token (platform/dsclient/filter.h)
struct FilterDeleter {
    void operator()(Filter *filter) const;
};
using FilterPtr = std::unique_ptr<Filter, FilterDeleter>;

Status AllocFilter(FilterPtr &filter);
// `value` is the attribute name (FTOK_ANAME) or the value bytes (FTOK_AVAL: text as typed;
// 4 little-endian bytes for booleans, integers, counters and times); empty for the others.
// A token that cannot follow the ones before it is refused with InvalidRequest.
Status AddFilterToken(Filter &filter, std::uint32_t token, std::string_view value,
                      std::uint32_t syntax);
// Hands the filter over to the buffer: from here on the buffer owns it (`filter` becomes null,
// also when the filter is refused as incomplete).
Status PutFilter(ContextHandle context, Buffer &buffer, FilterPtr &filter);
void FreeFilter(FilterPtr &filter);

// ---- connections ------------------------------------------------------------------------

Status ConnectionsInitialize();
Status ConnectionsTerminate();
Status GetPrimaryConnectionReference(ConnectionReference &reference);
Status OpenConnectionByReference(ConnectionReference reference, std::uint32_t openState,
                                 ConnectionHandle &connection);
Status CloseConnection(ConnectionHandle connection);
enum ConnectionInfoType : std::uint32_t {
    CONN_INFO_SERVER_NAME = 1,
    CONN_INFO_TREE_NAME = 4,
};
Status GetConnectionInformation(ConnectionHandle connection, std::uint32_t infoType,
                                std::string &value);

// ---- calls ------------------------------------------------------------------------------

// Reads the client configuration (see config.h) and opens its trees. A tree that cannot be
// opened is left out with its status; the start fails only when no tree can be used.
Status CallsInitialize();
// Why the last CallsInitialize failed, in words that name the file or server (empty: it did not).
std::string ClientProblem();
// Ok when the configured tree is usable; otherwise the status it was left out with, and
// `problem` says why.
Status GetTreeProblem(std::string_view treeName, std::string &problem);
Status CallsTerminate();
// Attaches to a server by name or address: 0, or AlreadyAttached when attached before.
Status AttachToServerByName(std::string_view serverName, ConnectionHandle &connection);
// Whether `path` lies on a volume of a file server: 0 with the server name, an open connection
// and the volume path ("VOLUME:dir/sub") when it does, InvalidPath when it does not.
Status ParseNetworkPath(std::string_view path, std::string &serverName,
                        ConnectionHandle &connection, std::string &volumePath);

} // namespace dsclient
