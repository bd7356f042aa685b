#pragma once

// The text of one component of a dotted name as it is written: a backslash run before ".", ","
// or the end is halved, and an odd one out makes that dot or comma part of the text.

#include <string>
#include <string_view>

namespace dsclient {

// How `component` is written in a dotted name: "." as "\.", and a backslash run doubled where
// it would otherwise be read as an escape.
std::string WriteComponent(std::string_view component);
// The unescaped component `written` stands for; a dot in it is no separator here.
std::string ReadComponent(std::string_view written);

} // namespace dsclient
