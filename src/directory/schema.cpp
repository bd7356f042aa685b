#include "directory/schema.h"

#include "directory/directory_error.h"
#include "directory/request_support.h"

#include <array>

namespace tarnbeck {

using namespace dsclient;

std::uint32_t AttributeSyntax(ContextHandle context, std::string_view attributeName) {
    std::uint32_t syntax = 0;
    CheckStatus(GetSyntaxId(context, attributeName, syntax));
    return syntax;
}

AttributeDefinition ReadAttributeDefinition(ContextHandle context, std::string_view attributeName) {
    BufferPtr names = NewBuffer(context, kDefaultBufferSize, DSV_READ_ATTR_DEF);
    CheckStatus(PutAttributeName(context, *names, attributeName));
    BufferPtr result = NewBuffer(kDefaultBufferSize);
    IterationGuard iteration(context, DSV_READ_ATTR_DEF);
    CheckStatus(dsclient::ReadAttributeDefinitions(context, DS_ATTR_DEFS, false, names.get(),
                                                   iteration.handle(), *result));
    std::uint32_t count = 0;
    CheckStatus(GetAttributeCount(context, *result, count));
    if (count == 0)
        throw DirectoryError(status::NoSuchAttribute);
    std::string name;
    AttributeDefinition definition;
    CheckStatus(GetAttributeDefinition(context, *result, name, definition));
    return definition;
}

ValueList ReadAttributeDefinitions(ContextHandle context) {
    ValueList list;
    BufferPtr result = NewBuffer(kMaxBufferSize);
    IterationGuard iteration(context, DSV_READ_ATTR_DEF);
    try {
        do {
            CheckStatus(dsclient::ReadAttributeDefinitions(context, DS_ATTR_DEFS, true, nullptr,
                                                           iteration.handle(), *result));
            std::uint32_t count = 0;
            CheckStatus(GetAttributeCount(context, *result, count));
            for (std::uint32_t i = 0; i < count; ++i) {
                std::string name;
                AttributeDefinition definition;
                CheckStatus(GetAttributeDefinition(context, *result, name, definition));
                list.push_back({std::move(name), definition});
            }
        } while (iteration.more());
    } catch (const DirectoryError &) {
        // What was read is still worth having: the name table is built from it.
        iteration.close();
    }
    return list;
}

std::vector<std::string> ListCreatableClasses(ContextHandle context,
                                              std::string_view containerName) {
    std::vector<std::string> classes;
    BufferPtr result = NewBuffer(kDefaultBufferSize);
    IterationGuard iteration(context, DSV_LIST_CONTAINABLE_CLASSES);
    do {
        const Status code =
            ListContainableClasses(context, containerName, iteration.handle(), *result);
        if (code == status::IllegalContainment)
            break; // the container allows nothing
        CheckStatus(code);
        std::uint32_t count = 0;
        CheckStatus(GetClassItemCount(context, *result, count));
        for (std::uint32_t i = 0; i < count; ++i) {
            std::string className;
            CheckStatus(GetClassItem(context, *result, className));
            classes.push_back(std::move(className));
        }
    } while (iteration.more());
    return classes;
}

std::string_view SyntaxName(std::uint32_t syntax) {
    static constexpr std::array<std::string_view, 37> kNames = {
        "SYN_UNKNOWN",
        "SYN_DIST_NAME",
        "SYN_CE_STRING",
        "SYN_CI_STRING",
        "SYN_PR_STRING",
        "SYN_NU_STRING",
        "SYN_CI_LIST",
        "SYN_BOOLEAN",
        "SYN_INTEGER",
        "SYN_OCTET_STRING",
        "SYN_TEL_NUMBER",
        "SYN_FAX_NUMBER",
        "SYN_NET_ADDRESS",
        "SYN_OCTET_LIST",
        "SYN_EMAIL_ADDRESS",
        "SYN_PATH",
        "SYN_REPLICA_POINTER",
        "SYN_OBJECT_ACL",
        "SYN_PO_ADDRESS",
        "SYN_TIMESTAMP",
        "SYN_CLASS_NAME",
        "SYN_STREAM",
        "SYN_COUNTER",
        "SYN_BACK_LINK",
        "SYN_TIME",
        "SYN_TYPED_NAME",
        "SYN_HOLD",
        "SYN_INTERVAL",
        "SYN_COMPONENT",
        "SYN_ENUM_COMPONENT",
        "SYN_NULL",
        "SYN_OID",
        "SYN_ENUMERATED",
        "SYN_SET",
        "SYN_SEQUENCE",
        "SYN_CHOICE",
        "SYN_ANY",
    };
    return syntax < kNames.size() ? kNames[syntax] : kNames[0];
}

} // namespace tarnbeck
