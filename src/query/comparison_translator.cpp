#include "query/comparison_translator.h"

#include "directory/directory_error.h"
#include "directory/prompter.h"
#include "directory/schema.h"
#include "directory/text_compare.h"
#include "query/filter_value.h"
#include "query/text_units.h"

#include <optional>

namespace tarnbeck {

using namespace dsclient;

namespace {

constexpr std::size_t kShownPrefixLength = 40;

// Refuses a text that does not fit its slot, showing its start rather than all of it.
bool FitsSlot(std::string_view text, std::string_view what) {
    if (CharacterCount(text) <= ComparisonTranslator::kMaxSlotLength)
        return true;
    prompter().message(
        std::string(what) + " longer than " + std::to_string(ComparisonTranslator::kMaxSlotLength) +
        " characters: " + std::string(CharacterSlice(text, 0, kShownPrefixLength)) + "...");
    return false;
}

// The attribute name token carries the class-name syntax for "Object Class", else case-ignore.
std::uint32_t NameSyntax(const std::string &directoryName) {
    return ToLowerAscii(directoryName) == "object class" ? SYN_CLASS_NAME : SYN_CI_STRING;
}

std::optional<FilterTokenNumber> OperatorToken(std::string_view op) {
    if (op == "=")
        return FTOK_EQ;
    if (op == ">=")
        return FTOK_GE;
    if (op == "<=")
        return FTOK_LE;
    if (op == "~=")
        return FTOK_APPROX;
    return std::nullopt;
}

void Add(Filter &filter, FilterTokenNumber token, std::string_view value, std::uint32_t syntax) {
    CheckStatus(AddFilterToken(filter, token, value, syntax));
}

} // namespace

SyntaxLookup SchemaSyntaxLookup(ContextHandle context) {
    return [context](std::string_view name) { return AttributeSyntax(context, name); };
}

ComparisonTranslator::ComparisonTranslator(const AttributeNameMap &names, SyntaxLookup syntaxOf)
    : names_(names), syntaxOf_(std::move(syntaxOf)) {}

bool ComparisonTranslator::translate(FilterScanner &scanner, Filter &filter) {
    const std::string typedName = scanner.ReadAttributeName();
    if (!FitsSlot(typedName, "Attribute name"))
        return false;
    const std::optional<std::string> name = names_.lookup(typedName);
    if (!name) {
        prompter().message("Unknown attribute: " + typedName);
        return false;
    }
    if (!FitsSlot(*name, "Attribute name"))
        return false;

    const std::string op = scanner.ReadOperator();
    if (op == "=*")
        return translatePresence(*name, filter);

    FilterValue value;
    if (!readValue(scanner, *name, value))
        return false;
    const auto opToken = OperatorToken(op);
    if (!opToken)
        return false; // an operator the language does not have stops without a message
    Add(filter, FTOK_ANAME, *name, NameSyntax(*name));
    Add(filter, *opToken, {}, 0);
    Add(filter, FTOK_AVAL, value.bytes, static_cast<std::uint32_t>(value.syntax));
    return true;
}

bool ComparisonTranslator::translatePresence(const std::string &name, Filter &filter) {
    try {
        syntaxOf_(name);
    } catch (const DirectoryError &) {
        // Only a warning: the directory finds nothing for an attribute it does not know.
        prompter().message("Unknown attribute");
    }
    Add(filter, FTOK_PRESENT, {}, 0);
    Add(filter, FTOK_ANAME, name, NameSyntax(name));
    return true;
}

bool ComparisonTranslator::readValue(FilterScanner &scanner, const std::string &name,
                                     FilterValue &value) {
    const std::string text = scanner.ReadValue();
    std::uint32_t syntax = 0;
    try {
        syntax = syntaxOf_(name);
    } catch (const DirectoryError &) {
        prompter().message(name + " is unknown attribute");
        return false;
    }
    if (dsclient::IsTextSyntax(syntax) && !FitsSlot(text, "Attribute value"))
        return false;
    switch (EncodeFilterValue(syntax, text, value)) {
    case EncodeResult::Ok:
        return true;
    case EncodeResult::UnsupportedSyntax:
        prompter().message(name + " is of an unsupported attribute type");
        return false;
    case EncodeResult::NotInteger:
        prompter().message(text + " not an integer value");
        return false;
    case EncodeResult::NotBoolean:
        prompter().message(ToLowerAscii(text) + " value must be true or false");
        return false;
    }
    return false;
}

} // namespace tarnbeck
