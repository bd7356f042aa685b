#pragma once

// Reading one attribute of one object, and testing that an object exists.

#include "directory/value_list.h"
#include "platform/dsclient/client.h"

#include <functional>
#include <string>
#include <string_view>

namespace tarnbeck {

// All values of the attribute as items, in the directory's order; an attribute the object does
// not have gives an empty list. Composite values join their parts with `separator`.
ValueList ReadValues(dsclient::ContextHandle context, std::string_view objectName,
                     std::string_view attributeName, char separator = ';');

// The same values one by one, each as the text ReadValues gives it, without a list of them all.
// A read that must start over (a value larger than the buffer) first calls `restart`, so the
// caller drops what it has taken.
void VisitValueTexts(dsclient::ContextHandle context, std::string_view objectName,
                     std::string_view attributeName,
                     const std::function<void(std::string &&text)> &visit,
                     const std::function<void()> &restart);

// The attribute as one text: string values run together, other syntaxes give the text of the
// last value. Trimmed, except after an octet string. Empty when the attribute is absent.
std::string ReadValueText(dsclient::ContextHandle context, std::string_view objectName,
                          std::string_view attributeName, bool firstValueOnly);

// The status of reading the object without attributes: 0 when it exists. Never raised.
dsclient::Status ObjectExists(dsclient::ContextHandle context, std::string_view objectName);

} // namespace tarnbeck
