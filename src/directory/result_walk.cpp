#include "directory/result_walk.h"

#include "directory/directory_error.h"

namespace tarnbeck {

bool WalkAttributes(dsclient::ContextHandle context, dsclient::Buffer &result,
                    std::uint32_t attributeCount, const AttributeStart &onAttribute,
                    const ValueVisit &onValue) {
    for (std::uint32_t a = 0; a < attributeCount; ++a) {
        std::string name;
        std::uint32_t valueCount = 0;
        std::uint32_t syntax = 0;
        CheckStatus(dsclient::GetAttributeName(context, result, name, valueCount, syntax));
        if (onAttribute)
            onAttribute(name, syntax, valueCount);
        for (std::uint32_t v = 0; v < valueCount; ++v) {
            dsclient::AttrValue value;
            CheckStatus(dsclient::GetAttributeValue(context, result, syntax, value));
            if (!onValue(value, syntax))
                return false;
        }
    }
    return true;
}

} // namespace tarnbeck
