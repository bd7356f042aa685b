#include "synthetic_tree.h"

#include "platform/dsclient/embedded/sample_data.h"
#include "platform/dsclient/embedded/tree_builder.h"
#include "platform/dsclient/embedded/tree_error.h"

#include <chrono>
#include <cstdio>

namespace tarnbeck {

using namespace dsclient::embedded;

namespace {

constexpr std::size_t kObjectsPerCommit = 10000;
constexpr std::uint32_t kMinUnitUsers = 200;
constexpr std::uint32_t kMaxUnitUsers = 2000;
constexpr std::uint32_t kBerlinGroupMembers = 1000;
// Independent streams for the layout and the users' values.
constexpr std::uint64_t kLayoutStream = 0x5EED0001;
constexpr std::uint64_t kValueStream = 0x5EED0002;

const char *const kTitles[] = {"Engineer", "Analyst", "Consultant", "Manager"};

std::string UnitName(std::uint32_t index) {
    char name[32];
    std::snprintf(name, sizeof name, "Unit-%04u", index);
    return name;
}

} // namespace

std::vector<UnitSize> SyntheticLayout(std::uint32_t users, std::uint64_t seed) {
    std::vector<UnitSize> layout;
    std::uint32_t left = users;
    if (users >= kBigUnitUsers) {
        layout.push_back({std::string(kBigUnit), kBigUnitUsers});
        left -= kBigUnitUsers;
    }
    SampleRandom random(seed ^ kLayoutStream);
    for (std::uint32_t index = 1; left > 0; ++index) {
        std::uint32_t size = kMinUnitUsers + random.below(kMaxUnitUsers - kMinUnitUsers + 1);
        if (size > left)
            size = left;
        layout.push_back({UnitName(index) + "." + std::string(kBenchOrganization), size});
        left -= size;
    }
    return layout;
}

GenerateSummary GenerateTree(const std::string &path, std::uint32_t users, std::uint64_t seed) {
    if (users == 0 || users > kMaxGeneratedUsers)
        throw TreeError(dsclient::status::InvalidRequest,
                        "the number of users must be 1 to " + std::to_string(kMaxGeneratedUsers));
    const auto started = std::chrono::steady_clock::now();
    const std::string org(kBenchOrganization);

    TreeBuilder tree(path, std::string(kBenchTreeName));
    tree.setObjectsPerCommit(kObjectsPerCommit);
    tree.addObject(org, "Organization", {{"O", CiString(org)}});
    tree.addObject(kBenchAdmin, "User",
                   {{"CN", CiString("Admin")}, {"Surname", CiString("Administrator")}});
    const std::string administrators = "Administrators." + org;
    const std::string berlinGroup = "Berlin Users." + org;
    tree.addObject(administrators, "Group", {{"CN", CiString("Administrators")}});
    tree.addObject(kBenchGroup, "Group", {{"CN", CiString("Bench Group")}});
    tree.addObject(berlinGroup, "Group",
                   {{"CN", CiString("Berlin Users")},
                    {"L", CiString("q:ldap:///o=bench??sub?(&(objectclass=user)(l=Berlin))")},
                    {"L", CiString("s:6")}});

    GenerateSummary summary;
    summary.groups = 3;
    std::vector<std::string> berlinMembers;
    SampleRandom random(seed ^ kValueStream);
    std::uint32_t number = 0;
    for (const UnitSize &unit : SyntheticLayout(users, seed)) {
        std::string ou = unit.name.substr(0, unit.name.find('.'));
        tree.addObject(unit.name, "Organizational Unit", {{"OU", CiString(ou)}});
        ++summary.units;
        for (std::uint32_t i = 0; i < unit.users; ++i) {
            std::string cn = "user-" + std::to_string(++number);
            std::string name = cn + "." + unit.name;
            std::string_view given = kGivenNames[random.below(kGivenNames.size())];
            std::string_view surname = kSurnames[random.below(kSurnames.size())];
            const City &city = CityByPercentile(random.below(100));
            const bool disabled = random.below(20) == 0;
            const std::uint32_t titleRoll = random.below(16);
            const std::uint32_t phone = random.below(10000);

            char phoneText[32];
            std::snprintf(phoneText, sizeof phoneText, " %04u", phone);
            dsclient::embedded::AttributeValues values = {
                {"CN", CiString(cn)},
                {"Surname", CiString(std::string(surname))},
                {"Given Name", CiString(std::string(given))},
                {"Full Name", CiString(std::string(given) + " " + std::string(surname))},
                {"L", CiString(std::string(city.name))},
                {"Telephone Number", TelNumber(std::string(city.phonePrefix) + phoneText)},
                {"Login Disabled", BooleanValue(disabled)},
            };
            if (titleRoll < 4)
                values.push_back({"Title", CiString(kTitles[titleRoll])});
            tree.addObject(name, "User", values);
            if (city.name == "Berlin" && berlinMembers.size() < kBerlinGroupMembers)
                berlinMembers.push_back(name);
        }
    }
    for (const std::string &member : berlinMembers)
        tree.addMember(berlinGroup, member);
    tree.setSupervisors(kBenchAdmin, administrators);
    tree.finish();

    summary.users = number;
    summary.objects = tree.objectCount();
    summary.values = tree.valueCount();
    summary.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    return summary;
}

} // namespace tarnbeck
