#include "platform/dsclient/status.h"

namespace dsclient {

const char *StatusMeaning(Status code) {
    switch (code) {
    case status::Ok: return "success";
    case status::InsufficientSpace: return "disk full: the tree's store cannot grow";
    case status::NotEnoughMemory: return "not enough memory";
    case status::BadKey: return "unknown context key";
    case status::BadContext: return "no such context";
    case status::BufferFull: return "request too large for its buffer";
    case status::BadSyntax: return "unknown syntax";
    case status::BufferEmpty: return "nothing more in the result";
    case status::BadVerb: return "unknown operation";
    case status::InvalidHandle: return "invalid handle";
    case status::NoSuchEntry: return "no such object";
    case status::NoSuchValue: return "no such value";
    case status::NoSuchAttribute: return "no such attribute";
    case status::NoSuchClass: return "no such class";
    case status::EntryAlreadyExists: return "object already exists";
    case status::IllegalAttribute: return "attribute not allowed for this class";
    case status::MissingMandatory: return "mandatory attribute missing";
    case status::IllegalName: return "illegal name";
    case status::IllegalContainment: return "object may not be created here";
    case status::CantHaveMultipleValues: return "attribute holds only one value";
    case status::SyntaxViolation: return "value does not fit the attribute";
    case status::DuplicateValue: return "value already present";
    case status::InconsistentDatabase: return "the tree's store is damaged";
    case status::TransportFailure: return "tree cannot be reached";
    case status::EntryIsNotLeaf: return "container is not empty";
    case status::InvalidRequest: return "invalid request";
    case status::InsufficientBuffer: return "result too large for the buffer";
    case status::FailedAuthentication: return "wrong name or password";
    case status::DsLocked: return "the tree's store is busy";
    case status::NoAccess: return "no access";
    case status::AlreadyAttached: return "already attached";
    case status::ServerUnknown: return "server unknown";
    case status::InvalidPath: return "path is not on a server volume";
    case status::NoMoreTrees: return "no more trees";
    case status::ClientNotConfigured: return "client configuration unusable";
    case status::StoreReadOnly: return "the tree's store is read-only";
    default: return "";
    }
}

} // namespace dsclient
