#include "platform/dsclient/embedded/demo_tree.h"

#include "platform/dsclient/embedded/sample_data.h"
#include "platform/dsclient/embedded/tree_builder.h"
#include "platform/dsclient/embedded/tree_error.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <system_error>
#include <unordered_set>
#include <vector>

namespace dsclient::embedded {

namespace {

namespace fs = std::filesystem;

constexpr const char *kVolume = "ACME-FS1_SYS.Acme";
constexpr const char *kServer = "ACME-FS1.Acme";

// 2024-01-01 00:00 UTC: login times are spread over the following months.
constexpr std::uint32_t kLoginEpoch = 1704067200;

struct UnitPlan {
    const char *name; // dotted name of the container
    const char *city; // nullptr: users live in several cities
    unsigned users;
    std::vector<const char *> titles;
};

// The departments and how many users each holds (300 in all).
const std::vector<UnitPlan> &DemoUnits() {
    static const std::vector<UnitPlan> units = {
        {"Sales.Acme", nullptr, 50, {"Account Manager", "Sales Representative", "Sales Director"}},
        {"Engineering.Acme", nullptr, 10, {"Engineering Manager", "Architect"}},
        {"Platform.Engineering.Acme",
         nullptr,
         30,
         {"Software Engineer", "Site Reliability Engineer"}},
        {"Apps.Engineering.Acme", nullptr, 30, {"Software Engineer", "UX Designer"}},
        {"Finance.Acme", nullptr, 25, {"Accountant", "Controller"}},
        {"HR.Acme", nullptr, 15, {"HR Partner", "Recruiter"}},
        {"IT.Acme", nullptr, 20, {"Administrator", "Helpdesk Technician"}},
        {"Support.Acme", nullptr, 40, {"Support Engineer", "Support Lead"}},
        {"Marketing.Acme", nullptr, 30, {"Marketing Manager", "Content Writer"}},
        {"Berlin Office.Berlin.Acme", "Berlin", 25, {"Office Manager", "Sales Representative"}},
        {"Boston Office.Boston.Acme", "Boston", 25, {"Office Manager", "Sales Representative"}},
    };
    return units;
}

const City &CityNamed(std::string_view name) {
    for (const City &city : kCities)
        if (city.name == name)
            return city;
    return kCities.front();
}

// Users of one organisation, numbered in creation order so every value follows from the number.
class UserWriter {
  public:
    UserWriter(TreeBuilder &tree, std::string mailDomain, std::string volume)
        : tree_(tree), mailDomain_(std::move(mailDomain)), volume_(std::move(volume)) {}

    // Adds the next user to `container` and returns its dotted name.
    std::string add(const std::string &container, const City &city, std::string_view title) {
        unsigned n = next_++;
        std::string_view given = kGivenNames[n % kGivenNames.size()];
        std::string_view surname = kSurnames[(n * 5 + n / kSurnames.size()) % kSurnames.size()];
        std::string login = uniqueLogin(LoginName(given, surname));
        return addNamed(container, login, given, surname, city, title, n);
    }

    // Adds a user with a given login (escaped dots allowed, written "\.").
    std::string addNamed(const std::string &container, const std::string &login,
                         std::string_view given, std::string_view surname, const City &city,
                         std::string_view title, unsigned n) {
        logins_.insert(login);
        std::string cn = Unescaped(login);
        std::string name = login + "." + container;
        char phone[16];
        std::snprintf(phone, sizeof phone, " %04u", 1000 + n % 9000);
        AttributeValues values = {
            {"CN", CiString(cn)},
            {"Surname", CiString(std::string(surname))},
            {"Given Name", CiString(std::string(given))},
            {"Full Name", CiString(std::string(given) + " " + std::string(surname))},
            {"Title", CiString(std::string(title))},
            {"L", CiString(std::string(city.name))},
            {"Telephone Number", TelNumber(std::string(city.phonePrefix) + phone)},
            {"Internet EMail Address", CiString(cn + "@" + mailDomain_)},
            {"Login Disabled", BooleanValue(n % 17 == 5)},
            {"Login Grace Limit", IntegerValue(6)},
            {"Login Time", TimeValue(kLoginEpoch + (n * 7919 % 120) * 86400 + n * 3607 % 86400)},
        };
        if (!volume_.empty())
            values.push_back({"Home Directory", PathValue(volume_, "users\\" + cn)});
        tree_.addObject(name, "User", values);
        // Every sixth user also has a Unix account, every third of those a Mac one.
        if (n % 6 == 1) {
            bool apple = n % 18 == 7;
            tree_.addValue(name, "Object Class", ClassName("posixAccount"));
            if (apple)
                tree_.addValue(name, "Object Class", ClassName("apple-user"));
            tree_.addValue(name, "uid", CiString(cn));
            tree_.addValue(name, "uidNumber", IntegerValue(static_cast<std::int32_t>(10000 + n)));
            tree_.addValue(name, "gidNumber", IntegerValue(100));
            tree_.addValue(name, "homeDirectory", CeString((apple ? "/Users/" : "/home/") + cn));
            tree_.addValue(name, "loginShell", CeString(apple ? "/bin/zsh" : "/bin/bash"));
        }
        return name;
    }

    unsigned count() const { return next_; }

  private:
    static std::string Unescaped(const std::string &login) {
        std::string text;
        for (std::size_t i = 0; i < login.size(); ++i) {
            if (login[i] == '\\' && i + 1 < login.size())
                ++i;
            text += login[i];
        }
        return text;
    }

    std::string uniqueLogin(const std::string &wanted) {
        std::string login = wanted;
        for (unsigned suffix = 2; !logins_.insert(login).second; ++suffix)
            login = wanted + std::to_string(suffix);
        return login;
    }

    TreeBuilder &tree_;
    std::string mailDomain_;
    std::string volume_;
    std::unordered_set<std::string> logins_;
    unsigned next_ = 0;
};

void AddGroup(TreeBuilder &tree, const std::string &name, const char *className,
              const std::vector<std::string> &queryValues) {
    std::string cn = name.substr(0, name.find('.'));
    tree.addObject(name, className, {{"CN", CiString(cn)}});
    for (const std::string &value : queryValues)
        tree.addValue(name, "L", CiString(value));
}

void AddList(TreeBuilder &tree, const std::string &group, const char *attribute,
             const std::vector<std::string> &names) {
    for (const std::string &name : names)
        tree.addValue(group, attribute, DistName(name));
}

std::vector<std::string> Slice(const std::vector<std::string> &names, std::size_t from,
                               std::size_t count) {
    std::vector<std::string> slice;
    for (std::size_t i = from; i < names.size() && i < from + count; ++i)
        slice.push_back(names[i]);
    return slice;
}

// Type 9 (TCP) network address: port in the first two bytes, then the IPv4 bytes.
dsclient::AttrValue TcpAddress(unsigned char a, unsigned char b, unsigned char c, unsigned char d) {
    std::string bytes = {'\x02',
                         '\x0C',
                         static_cast<char>(a),
                         static_cast<char>(b),
                         static_cast<char>(c),
                         static_cast<char>(d)};
    return {dsclient::SYN_NET_ADDRESS, dsclient::NetAddress{9, bytes}};
}

void AddStructure(TreeBuilder &tree) {
    tree.addObject("Acme", "Organization", {{"O", CiString("Acme")}});
    tree.addObject(kServer, "NCP Server",
                   {{"CN", CiString("ACME-FS1")}, {"Network Address", TcpAddress(10, 0, 0, 5)}});
    tree.addObject(kVolume, "Volume",
                   {{"CN", CiString("ACME-FS1_SYS")},
                    {"Host Server", DistName(kServer)},
                    {"Host Resource Name", CiString("SYS")}});
    for (const char *unit :
         {"Sales", "Engineering", "Finance", "HR", "IT", "Support", "Marketing", "Workstations"})
        tree.addObject(std::string(unit) + ".Acme", "Organizational Unit",
                       {{"OU", CiString(unit)}});
    for (const char *unit : {"Platform", "Apps"})
        tree.addObject(std::string(unit) + ".Engineering.Acme", "Organizational Unit",
                       {{"OU", CiString(unit)}});
    for (const char *city : {"Berlin", "Boston"}) {
        std::string locality = std::string(city) + ".Acme";
        tree.addObject(locality, "Locality", {{"L", CiString(city)}});
        tree.addObject(std::string(city) + " Office." + locality, "Organizational Unit",
                       {{"OU", CiString(std::string(city) + " Office")}});
    }
}

std::vector<std::string> AddWorkstations(TreeBuilder &tree) {
    static const char *const cities[] = {"Berlin", "London", "Boston"};
    std::vector<std::string> names;
    for (unsigned i = 1; i <= 40; ++i) {
        char cn[16];
        std::snprintf(cn, sizeof cn, "WS-%03u", i);
        const char *city = cities[i % 3];
        std::string name = std::string(cn) + ".Workstations.Acme";
        tree.addObject(name, "Workstation",
                       {{"CN", CiString(cn)},
                        {"L", CiString(city)},
                        {"Description", CiString(std::string("Desktop in ") + city)},
                        {"Network Address", TcpAddress(10, 1, 0, static_cast<unsigned char>(i))}});
        names.push_back(name);
    }
    return names;
}

void AddGroups(TreeBuilder &tree, const std::map<std::string, std::vector<std::string>> &users,
               const std::vector<std::string> &workstations) {
    const auto &sales = users.at("Sales.Acme");
    const auto &platform = users.at("Platform.Engineering.Acme");
    const auto &apps = users.at("Apps.Engineering.Acme");
    const auto &it = users.at("IT.Acme");
    const auto &support = users.at("Support.Acme");
    const auto &berlin = users.at("Berlin Office.Berlin.Acme");
    const auto &finance = users.at("Finance.Acme");

    const std::string salesTeam = "Sales Team.Sales.Acme";
    AddGroup(tree, salesTeam, "Group",
             {"q:ldap:///ou=sales.o=acme??sub?(&(objectclass=user)(l=Berlin))",
              "q:ldap:///ou=berlin office.l=berlin.o=acme??one?"
              "(&(objectclass=user)(title=Sales Representative))",
              "s:6"});
    for (const auto &member : Slice(sales, 0, 12))
        tree.addMember(salesTeam, member);
    AddList(tree, salesTeam, "See Also", {sales[3]});
    AddList(tree, salesTeam, "Owner", {berlin[0]});

    const std::string engineers = "Engineers.Engineering.Acme";
    AddGroup(tree, engineers, "Group",
             {"q:ldap:///ou=engineering.o=acme??sub?(objectclass=user)",
              "q:ldap:///ou=platform.ou=engineering.o=acme??one?(title=*Engineer*)", "s:6"});
    for (const auto *unit : {&platform, &apps})
        for (const auto &member : *unit)
            tree.addMember(engineers, member);
    AddList(tree, engineers, "See Also", {platform[0], apps[1]});
    AddList(tree, engineers, "Owner", {finance[0]});

    // Add mode: members no query finds stay.
    const std::string berlinStaff = "Berlin Staff.Acme";
    AddGroup(tree, berlinStaff, "Group",
             {"q:ldap:///o=acme??sub?(&(objectclass=user)(l=Berlin))",
              "q:ldap:///l=berlin.o=acme??sub?(objectclass=user)", "s:7"});
    for (const auto &member : Slice(berlin, 0, 5))
        tree.addMember(berlinStaff, member);
    AddList(tree, berlinStaff, "See Also", {berlin[1], sales[0]});

    AddGroup(tree, "London Staff.Acme", "Group",
             {"q:ldap:///t=demo_tree??sub?(&(objectclass=user)(l=London))", "s:6"});

    // The older form: one value without prefix, the settings in its last character.
    AddGroup(tree, "Legacy Admins.IT.Acme", "Group",
             {"ldap:///ou=it.o=acme??sub?(&(objectclass=user)(title=Administrator))7"});

    AddGroup(tree, "Posix Users.IT.Acme", "Group",
             {"q:ldap:///o=acme??sub?(objectclass=posixAccount)", "s:2"});

    const std::string helpDesk = "Help Desk.Support.Acme";
    AddGroup(tree, helpDesk, "Group",
             {"q:ldap:///ou=support.o=acme??one?(title=Support Lead)", "s:14"});
    for (const auto &member : Slice(support, 0, 10))
        tree.addMember(helpDesk, member);
    AddList(tree, helpDesk, "See Also", {support[9]});
    AddList(tree, helpDesk, "Owner", {it[2], it[3]});

    AddGroup(tree, "Empty Group.Acme", "Group", {});

    AddGroup(tree, std::string(kDemoAdministrators), "Group", {});
    for (const auto &member : Slice(it, 0, 2))
        tree.addMember(kDemoAdministrators, member);

    const std::string berlinWs = "Berlin Workstations.Workstations.Acme";
    AddGroup(
        tree, berlinWs, "Workstation Group",
        {"q:ldap:///ou=workstations.o=acme??one?(&(objectclass=workstation)(l=Berlin))", "s:6"});
    for (std::size_t i = 0; i < workstations.size(); ++i)
        if ((i + 1) % 3 == 1 && i < 20)
            tree.addMember(berlinWs, workstations[i]);

    const std::string labMachines = "Lab Machines.Workstations.Acme";
    AddGroup(
        tree, labMachines, "zenWorkstationGroup",
        {"q:ldap:///ou=workstations.o=acme??sub?(&(objectclass=workstation)(cn=WS-03*))", "s:7"});
    for (const auto &member : Slice(workstations, 0, 2))
        tree.addMember(labMachines, member);
}

void AddAliases(TreeBuilder &tree, const std::map<std::string, std::vector<std::string>> &users) {
    tree.addObject("Helpdesk.Acme", "Alias",
                   {{"Aliased Object Name", DistName(users.at("Support.Acme").front())}});
    tree.addObject("All Sales.Acme", "Alias",
                   {{"Aliased Object Name", DistName("Sales Team.Sales.Acme")}});
    tree.addObject("Eng.Acme", "Alias", {{"Aliased Object Name", DistName("Engineering.Acme")}});
}

void RemoveStore(const std::string &path) {
    std::error_code ignored;
    for (const char *suffix : {"", "-wal", "-shm", "-journal"})
        fs::remove(path + suffix, ignored);
}

} // namespace

void WriteDemoTree(const std::string &path) {
    TreeBuilder tree(path, std::string(kDemoTreeName));
    AddStructure(tree);

    UserWriter writer(tree, "acme.example", kVolume);
    std::map<std::string, std::vector<std::string>> users;
    unsigned unitIndex = 0;
    for (const UnitPlan &unit : DemoUnits()) {
        auto &names = users[unit.name];
        for (unsigned i = 0; i < unit.users; ++i) {
            const City &city = unit.city
                                   ? CityNamed(unit.city)
                                   : kCities[(writer.count() * 3 + unitIndex) % kCities.size()];
            names.push_back(writer.add(unit.name, city, unit.titles[i % unit.titles.size()]));
        }
        ++unitIndex;
    }
    // A name with an escaped dot, so every tool meets one.
    users["Sales.Acme"].push_back(writer.addNamed("Sales.Acme", "j\\.doe", "John", "Doe",
                                                  CityNamed("Berlin"), "Account Manager",
                                                  writer.count()));
    writer.addNamed("Acme", "Admin", "Tree", "Administrator", CityNamed("Berlin"), "Administrator",
                    9000);
    writer.addNamed("IT.Acme", "Reader", "Read", "Only", CityNamed("London"), "Auditor", 9001);

    std::vector<std::string> workstations = AddWorkstations(tree);
    AddGroups(tree, users, workstations);
    AddAliases(tree, users);

    tree.setSupervisors(kDemoAdmin, kDemoAdministrators);
    tree.setPassword(kDemoAdmin, kDemoAdminPassword);
    tree.setPassword(kDemoReader, kDemoReaderPassword);
    tree.finish();
}

void WriteLabTree(const std::string &path) {
    TreeBuilder tree(path, std::string(kLabTreeName));
    tree.addObject("Lab", "Organization", {{"O", CiString("Lab")}});
    for (const char *unit : {"Research", "Devices"})
        tree.addObject(std::string(unit) + ".Lab", "Organizational Unit", {{"OU", CiString(unit)}});

    UserWriter writer(tree, "lab.example", "");
    std::vector<std::string> researchers;
    for (unsigned i = 0; i < 8; ++i)
        researchers.push_back(writer.add("Research.Lab", kCities[i % 2], "Researcher"));
    for (unsigned i = 0; i < 4; ++i)
        writer.add("Devices.Lab", kCities[0], "Technician");
    writer.addNamed("Lab", "Admin", "Lab", "Administrator", kCities[0], "Administrator", 9000);

    tree.addObject("Administrators.Lab", "Group", {{"CN", CiString("Administrators")}});
    AddGroup(tree, "Researchers.Research.Lab", "Group",
             {"q:ldap:///ou=research.o=lab??sub?(&(objectclass=user)(l=London))", "s:6"});
    for (const auto &member : Slice(researchers, 0, 3))
        tree.addMember("Researchers.Research.Lab", member);

    tree.setSupervisors(kLabAdmin, "Administrators.Lab");
    tree.setPassword(kLabAdmin, kLabAdminPassword);
    tree.finish();
}

void WriteMissingDemoStores(const std::string &demoPath, const std::string &labPath) {
    const std::pair<const std::string &, void (*)(const std::string &)> stores[] = {
        {demoPath, WriteDemoTree}, {labPath, WriteLabTree}};
    for (const auto &[path, write] : stores) {
        std::error_code ignored;
        if (fs::exists(path, ignored))
            continue;
        fs::create_directories(fs::path(path).parent_path(), ignored);
        write(path);
    }
}

std::string LabStorePath(const std::string &demoPath) {
    fs::path directory = fs::path(demoPath).parent_path();
    return (directory / kLabStoreFileName).string();
}

void WriteDemoTrees(const std::string &demoPath) {
    const std::string labPath = LabStorePath(demoPath);
    if (fs::path(demoPath).filename() == kLabStoreFileName)
        throw TreeError(dsclient::status::EntryAlreadyExists,
                        demoPath + " is where LAB_TREE goes; choose another file name");
    for (const std::string &path : {demoPath, labPath})
        if (fs::exists(path))
            throw TreeError(dsclient::status::EntryAlreadyExists,
                            path + " exists; it is never overwritten");
    WriteDemoTree(demoPath);
    try {
        WriteLabTree(labPath);
    } catch (...) {
        RemoveStore(demoPath);
        throw;
    }
}

} // namespace dsclient::embedded
