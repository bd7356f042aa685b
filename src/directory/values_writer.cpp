#include "directory/values_writer.h"

#include "directory/directory_error.h"
#include "directory/request_support.h"
#include "directory/value_conversion.h"

namespace tarnbeck {

using namespace dsclient;

Status CreateObject(ContextHandle context, std::string_view objectName,
                    std::string_view className) {
    BufferPtr request = NewBuffer(context, kDefaultBufferSize, DSV_ADD_ENTRY);
    CheckStatus(PutAttributeName(context, *request, "Object Class"));
    CheckStatus(
        PutAttributeValue(context, *request, {SYN_CLASS_NAME, Text{std::string(className)}}));
    IterationHandle iteration = kNoIteration;
    return AddObject(context, objectName, iteration, false, *request);
}

void WriteValues(ContextHandle context, std::string_view objectName, std::string_view attributeName,
                 const std::vector<std::string> &values, bool keepExisting) {
    std::uint32_t syntax = 0;
    CheckStatus(GetSyntaxId(context, attributeName, syntax));
    std::vector<AttrValue> converted;
    converted.reserve(values.size());
    std::size_t size = keepExisting ? 0 : ChangeSize(attributeName);
    for (const std::string &text : values) {
        converted.push_back(ValueFromText(syntax, text));
        size += ChangeSize(attributeName) + ChangeAndValueSize(attributeName, converted.back());
    }
    BufferPtr changes = NewChangesBuffer(context, size);
    if (!keepExisting)
        CheckStatus(PutChange(context, *changes, DS_CLEAR_ATTRIBUTE, attributeName));
    for (const AttrValue &value : converted) {
        CheckStatus(PutChange(context, *changes, DS_ADD_ATTRIBUTE, attributeName));
        CheckStatus(PutChangeAndValue(context, *changes, DS_ADD_VALUE, attributeName, value));
    }
    IterationGuard iteration(context, DSV_MODIFY_ENTRY);
    do {
        const Status code = ModifyObject(context, objectName, iteration.handle(), false, *changes);
        if (code == status::NoSuchAttribute)
            return;
        // A refused write must not pass for a written one.
        CheckStatus(code);
    } while (iteration.more());
}

} // namespace tarnbeck
