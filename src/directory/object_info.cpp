#include "directory/object_info.h"

#include "directory/directory_error.h"
#include "directory/text_compare.h"
#include "directory/values_reader.h"

namespace tarnbeck {

using namespace dsclient;

namespace {

ObjectInfo ReadInfo(ContextHandle context, std::string_view objectName) {
    std::string distinguishedName;
    ObjectInfo info;
    CheckStatus(ReadObjectInfo(context, objectName, distinguishedName, info));
    return info;
}

constexpr std::size_t kMaxClassName = 136;

} // namespace

std::string ObjectBaseClass(ContextHandle context, std::string_view objectName) {
    return ReadInfo(context, objectName).baseClass.substr(0, kMaxClassName);
}

bool IsContainer(ContextHandle context, std::string_view objectName) {
    return (ReadInfo(context, objectName).entryFlags & (DS_CONTAINER_ENTRY | DS_CONTAINER_ALIAS)) !=
           0;
}

std::string ResolveAlias(ContextHandle context, std::string_view objectName) {
    if (!EqualsIgnoreCase(ObjectBaseClass(context, objectName), "Alias"))
        return std::string(objectName);
    return ReadValueText(context, objectName, "Aliased Object Name", false);
}

} // namespace tarnbeck
