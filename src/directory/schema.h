#pragma once

// What the program asks of the tree's schema.

#include "directory/value_list.h"
#include "platform/dsclient/client.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tarnbeck {

// The syntax number of an attribute; an unknown name raises DirectoryError.
std::uint32_t AttributeSyntax(dsclient::ContextHandle context, std::string_view attributeName);

// The definition of one attribute; an unknown name raises DirectoryError.
dsclient::AttributeDefinition ReadAttributeDefinition(dsclient::ContextHandle context,
                                                      std::string_view attributeName);

// The names of all attribute definitions, each with its details attached. A failure during the
// passes ends the reading quietly with what was read.
ValueList ReadAttributeDefinitions(dsclient::ContextHandle context);

// The classes the directory allows under the container; empty when it allows none.
std::vector<std::string> ListCreatableClasses(dsclient::ContextHandle context,
                                              std::string_view containerName);

// The program's name of a syntax number ("SYN_CI_STRING"); "SYN_UNKNOWN" past the table.
std::string_view SyntaxName(std::uint32_t syntax);

} // namespace tarnbeck
