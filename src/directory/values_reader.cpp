#include "directory/values_reader.h"

#include "directory/directory_error.h"
#include "directory/request_support.h"
#include "directory/result_walk.h"
#include "directory/value_text.h"

namespace tarnbeck {

using namespace dsclient;

namespace {

// Runs the read of one attribute pass by pass, handing each pass's result to `walk`; stops
// quietly when the object lacks the attribute, or when `walk` says enough. A value larger than
// the result buffer is no reason to fail: the read starts over (after `restart`) with room for it.
template <typename Walk, typename Restart>
void ReadAttributePasses(ContextHandle context, std::string_view objectName,
                         std::string_view attributeName, Walk walk, Restart restart) {
    BufferPtr request = NewBuffer(context, kDefaultBufferSize, DSV_READ);
    CheckStatus(PutAttributeName(context, *request, attributeName));
    for (std::size_t capacity = kDefaultBufferSize;; capacity *= 4) {
        BufferPtr result = NewBuffer(capacity);
        IterationGuard iteration(context, DSV_READ);
        Status code = status::Ok;
        do {
            code = Read(context, objectName, DS_ATTRIBUTE_VALUES, false, request.get(),
                        iteration.handle(), *result);
            if (code == status::NoSuchAttribute)
                return;
            if (code == status::InsufficientBuffer && capacity * 4 <= kLargestRequestSize)
                break;
            CheckStatus(code);
            std::uint32_t count = 0;
            CheckStatus(GetAttributeCount(context, *result, count));
            if (!walk(*result, count))
                return;
        } while (iteration.more());
        if (code != status::InsufficientBuffer)
            return;
        restart();
    }
}

} // namespace

ValueList ReadValues(ContextHandle context, std::string_view objectName,
                     std::string_view attributeName, char separator) {
    ValueList list;
    ReadAttributePasses(
        context, objectName, attributeName,
        [&](Buffer &result, std::uint32_t n) {
            return WalkAttributes(context, result, n, nullptr,
                                  [&](const AttrValue &value, std::uint32_t syntax) {
                                      AppendValueItems(value, syntax, separator, list);
                                      return true;
                                  });
        },
        [&] { list.clear(); });
    return list;
}

void VisitValueTexts(ContextHandle context, std::string_view objectName,
                     std::string_view attributeName,
                     const std::function<void(std::string &&text)> &visit,
                     const std::function<void()> &restart) {
    ValueList one;
    ReadAttributePasses(
        context, objectName, attributeName,
        [&](Buffer &result, std::uint32_t n) {
            return WalkAttributes(context, result, n, nullptr,
                                  [&](const AttrValue &value, std::uint32_t syntax) {
                                      one.clear();
                                      AppendValueItems(value, syntax, ';', one);
                                      for (ValueItem &item : one)
                                          visit(std::move(item.text));
                                      return true;
                                  });
        },
        restart);
}

std::string ReadValueText(ContextHandle context, std::string_view objectName,
                          std::string_view attributeName, bool firstValueOnly) {
    std::string text;
    std::uint32_t lastSyntax = SYN_UNKNOWN;
    ReadAttributePasses(
        context, objectName, attributeName,
        [&](Buffer &result, std::uint32_t n) {
            return WalkAttributes(
                context, result, n,
                [&](const std::string &, std::uint32_t syntax, std::uint32_t) {
                    lastSyntax = syntax;
                },
                [&](const AttrValue &value, std::uint32_t syntax) {
                    FoldValueText(value, syntax, text);
                    return !firstValueOnly;
                });
        },
        [&] {
            text.clear();
            lastSyntax = SYN_UNKNOWN;
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
