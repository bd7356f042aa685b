#pragma once

// A small schema and name table for filter tests, and a readable form of token streams.

#include "directory/directory_error.h"
#include "platform/dsclient/filter.h"
#include "query/attribute_name_map.h"
#include "query/comparison_translator.h"
#include "query/filter_field.h"

#include <map>
#include <string>
#include <vector>

namespace tarnbeck::testing {

// The pairs the tree would generate, plus one mapping-file line that points at an attribute
// the schema lacks.
inline AttributeNameMap TestNames() {
    return AttributeNameMap({"missing=No Such Attribute", "a=A", "b=B", "c=C", "cn=CN",
                             "objectclass=Object Class", "givenname=Given Name",
                             "logindisabled=Login Disabled", "age=Age", "count=Count",
                             "since=Since", "member=Member", "title=Title", "phone=Phone",
                             "photo=Photo", "fax=Fax", "printable=Printable", "numeric=Numeric"});
}

inline std::map<std::string, std::uint32_t> TestSchema() {
    return {{"A", 3},
            {"B", 3},
            {"C", 3},
            {"CN", 3},
            {"Object Class", 20},
            {"Given Name", 3},
            {"Login Disabled", 7},
            {"Age", 8},
            {"Count", 22},
            {"Since", 24},
            {"Member", 1},
            {"Title", 2},
            {"Phone", 10},
            {"Photo", 9},
            {"Fax", 11},
            {"Printable", 4},
            {"Numeric", 5}};
}

// Raises DirectoryError for an attribute the schema lacks, as the directory look-up does.
inline SyntaxLookup FakeSchema(std::map<std::string, std::uint32_t> schema = TestSchema()) {
    return [schema = std::move(schema)](std::string_view name) {
        const auto found = schema.find(std::string(name));
        if (found == schema.end())
            throw DirectoryError(dsclient::status::NoSuchAttribute);
        return found->second;
    };
}

// "ANAME CN/3", "EQ", "AVAL x/3", ...; value bytes that are not printable are shown in hex.
inline std::vector<std::string> Describe(const dsclient::Filter &filter) {
    static const std::map<std::uint32_t, std::string> kNames = {
        {dsclient::FTOK_END, "END"},        {dsclient::FTOK_OR, "OR"},
        {dsclient::FTOK_AND, "AND"},        {dsclient::FTOK_NOT, "NOT"},
        {dsclient::FTOK_LPAREN, "("},       {dsclient::FTOK_RPAREN, ")"},
        {dsclient::FTOK_AVAL, "AVAL"},      {dsclient::FTOK_EQ, "EQ"},
        {dsclient::FTOK_GE, "GE"},          {dsclient::FTOK_LE, "LE"},
        {dsclient::FTOK_APPROX, "APPROX"},  {dsclient::FTOK_ANAME, "ANAME"},
        {dsclient::FTOK_PRESENT, "PRESENT"}};
    std::vector<std::string> out;
    for (const auto &token : filter.tokens()) {
        std::string text = kNames.at(token.token);
        if (token.token == dsclient::FTOK_ANAME || token.token == dsclient::FTOK_AVAL) {
            std::string value;
            for (unsigned char c : token.value) {
                static const char *hex = "0123456789ABCDEF";
                if (c < ' ' || c > '~')
                    value += std::string("\\x") + hex[c >> 4] + hex[c & 15];
                else
                    value += static_cast<char>(c);
            }
            text += " " + value + "/" + std::to_string(token.syntax);
        } else if (token.syntax != 0 || !token.value.empty()) {
            text += " unexpected value";
        }
        out.push_back(text);
    }
    return out;
}

// Records where the parser put the focus and the caret.
struct RecordingField : FilterField {
    int focusCount = 0;
    std::size_t caret = std::size_t(-1);
    void setFocus() override { ++focusCount; }
    void setCaret(std::size_t position) override { caret = position; }
};

} // namespace tarnbeck::testing
