#include "directory/values_reader.h"

#include "directory/directory_error.h"
#include "directory/request_support.h"
#include "directory/result_walk.h"
#include "directory/value_text.h"

namespace tarnbeck {

using namespace dsclient;

namespace {

// Runs the read of one attribute pass by pass, handing each pass's result to `walk`; stops
// quietly when the object lacks the attribute, or when `walk` says enough.
template <typename Walk>
void ReadAttributePasses(ContextHandle context, std::string_view objectName,
                         std::string_view attributeName, Walk walk) {
    BufferPtr result = NewBuffer(kDefaultBufferSize);
    BufferPtr request = NewBuffer(context, kDefaultBufferSize, DSV_READ);
    CheckStatus(PutAttributeName(context, *request, attributeName));
    IterationGuard iteration(context, DSV_READ);
    do {
        const Status code = Read(context, objectName, DS_ATTRIBUTE_VALUES, false, request.get(),
                                 iteration.handle(), *result);
        if (code == status::NoSuchAttribute)
            return;
        CheckStatus(code);
        std::uint32_t count = 0;
        CheckStatus(GetAttributeCount(context, *result, count));
        if (!walk(*result, count))
            return;
    } while (iteration.more());
}

} // namespace

ValueList ReadValues(ContextHandle context, std::string_view objectName,
                     std::string_view attributeName, char separator) {
    ValueList list;
    ReadAttributePasses(context, objectName, attributeName, [&](Buffer &result, std::uint32_t n) {
        return WalkAttributes(context, result, n, nullptr,
                              [&](const AttrValue &value, std::uint32_t syntax) {
                                  AppendValueItems(value, syntax, separator, list);
                                  return true;
                              });
    });
    return list;
}

std::string ReadValueText(ContextHandle context, std::string_view objectName,
                          std::string_view attributeName, bool firstValueOnly) {
    std::string text;
    std::uint32_t lastSyntax = SYN_UNKNOWN;
    ReadAttributePasses(context, objectName, attributeName, [&](Buffer &result, std::uint32_t n) {
        return WalkAttributes(
            context, result, n,
            [&](const std::string &, std::uint32_t syntax, std::uint32_t) { lastSyntax = syntax; },
            [&](const AttrValue &value, std::uint32_t syntax) {
                FoldValueText(value, syntax, text);
                return !firstValueOnly;
            });
    });
    // Octet strings are raw bytes: their blanks are part of the value.
    return lastSyntax == SYN_OCTET_STRING ? text : Trimmed(text);
}

Status ObjectExists(ContextHandle context, std::string_view objectName) {
    BufferPtr result = NewBuffer(kDefaultBufferSize);
    IterationGuard iteration(context, DSV_READ);
    Status code;
    do {
        code = Read(context, objectName, DS_ATTRIBUTE_NAMES, false, nullptr, iteration.handle(),
                    *result);
    } while (code == status::Ok && iteration.more());
    return code;
}

} // namespace tarnbeck
