#pragma once

// Filtered searches: the general one that runs stored queries and the browser's find, and the
// class-and-name find built on it.

#include "directory/search_result.h"
#include "directory/search_scope.h"
#include "directory/value_list.h"
#include "platform/dsclient/client.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarnbeck {

// Receives the running count of objects handled.
using ProgressCallback = std::function<void(int objectsHandled)>;

// Searches below `baseObjectName`. The result holds "Object Name" and the name for each object
// found (each name once, compared without regard to case), followed by the requested
// attributes' names and values. The filter is taken over.
//
// A failure before the first pass raises DirectoryError. A failure during the passes ends the
// search quietly with what was found so far; `passStatus`, when given, receives that failure
// (0 when the search ran to its end), for callers that must not take a partial result for a
// whole one.
ValueList SearchObjects(dsclient::ContextHandle context, std::string_view baseObjectName,
                        dsclient::FilterPtr filter, SearchScope scope,
                        const std::vector<std::string> &attributeNames,
                        const ProgressCallback &progress, dsclient::Status *passStatus = nullptr);

// Hands `visit` the name of each object found, pass by pass, keeping none of them: for searches
// whose results are only counted against a list. Any failure, in any pass, raises DirectoryError.
void VisitFoundNames(dsclient::ContextHandle context, std::string_view baseObjectName,
                     dsclient::FilterPtr filter, SearchScope scope,
                     const std::function<void(const std::string &name)> &visit);

// The same, handing each name with its object's information (its base class among it), for
// searches that must know what each object is.
using FoundObjectVisit =
    std::function<void(const std::string &name, const dsclient::ObjectInfo &info)>;
void VisitFoundObjects(dsclient::ContextHandle context, std::string_view baseObjectName,
                       dsclient::FilterPtr filter, SearchScope scope,
                       const FoundObjectVisit &visit);

// The filter of FindObjectsByClass: objects of any of `classNames` (any class when empty)
// whose relative name is `name`, or starts with it when `prefixMatch` is set.
dsclient::FilterPtr ClassAndNameFilter(const std::vector<std::string> &classNames,
                                       std::string_view name, bool prefixMatch);

// Names of the objects in the subtree of `baseObjectName` that the filter above selects. Shows
// the busy cursor while it runs.
std::vector<std::string> FindObjectsByClass(dsclient::ContextHandle context,
                                            std::string_view baseObjectName, std::string_view name,
                                            const std::vector<std::string> &classNames,
                                            bool prefixMatch, const ProgressCallback &progress);

} // namespace tarnbeck
