#pragma once

// The tree's schema as both backends know it: attribute and class definitions, looked up by name
// without regard to case.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace dsclient {

struct AttributeDef {
    std::int64_t id = 0;
    std::string name;
    std::uint32_t syntax = 0;
    std::uint32_t flags = 0;
    std::uint32_t lowerBound = 0;
    std::uint32_t upperBound = 0;
};

struct ClassDef {
    std::int64_t id = 0;
    std::string name;
    std::vector<std::string> superClasses;
    std::vector<std::string> containment; // classes this one may be created under
    std::vector<std::string> naming;
    std::vector<std::string> mandatory;
    // Further attributes its objects may hold; with the mandatory and naming ones, inherited.
    std::vector<std::string> optional;
    bool anyAttribute = false; // a class the program's schema does not know: nothing is refused
    bool container = false;
    bool effective = true; // false: abstract or auxiliary, never an object's base class
};

class Schema {
  public:
    void Add(AttributeDef attribute);
    void Add(ClassDef cls);

    const AttributeDef *FindAttribute(std::string_view name) const;
    const ClassDef *FindClass(std::string_view name) const;
    const std::vector<AttributeDef> &attributes() const { return attributes_; }
    const std::vector<ClassDef> &classes() const { return classes_; }

    // The class followed by all its super classes, each once, nearest first.
    std::vector<std::string> Chain(std::string_view className) const;
    // Containment, naming and mandatory attributes including those inherited.
    std::vector<std::string> Containment(std::string_view className) const;
    std::vector<std::string> Naming(std::string_view className) const;
    std::vector<std::string> Mandatory(std::string_view className) const;
    // The attributes objects of the class may hold, its super classes' included; nullopt when
    // the class (or one of its super classes) allows any.
    std::optional<std::vector<std::string>> Allowed(std::string_view className) const;
    // May an object of `childClass` be created under one whose base class is `parentClass`?
    bool MayContain(std::string_view parentClass, std::string_view childClass) const;

  private:
    std::vector<AttributeDef> attributes_;
    std::vector<ClassDef> classes_;
    std::unordered_map<std::string, std::size_t> attributeIndex_;
    std::unordered_map<std::string, std::size_t> classIndex_;
};

// The standard schema every new store starts with.
Schema StandardSchema();

// The class of the tree's top object.
inline constexpr std::string_view kTreeRootClass = "Tree Root";
inline constexpr std::string_view kObjectClassAttribute = "Object Class";

} // namespace dsclient
