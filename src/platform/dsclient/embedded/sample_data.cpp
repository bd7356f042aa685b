#include "platform/dsclient/embedded/sample_data.h"

#include <cctype>

namespace dsclient::embedded {

std::uint64_t SampleRandom::next() {
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

const std::array<std::string_view, 48> kGivenNames = {
    "Anna",    "Ben",   "Clara", "David",  "Emma",   "Felix",  "Greta",  "Hannah",
    "Ivan",    "Julia", "Karl",  "Lena",   "Marco",  "Nina",   "Oscar",  "Paula",
    "Quentin", "Rosa",  "Simon", "Tanja",  "Ulrich", "Vera",   "Walter", "Xenia",
    "Yusuf",   "Zoe",   "Alice", "Bruno",  "Chloe",  "Daniel", "Elena",  "Frank",
    "Grace",   "Henry", "Irene", "James",  "Kate",   "Lucas",  "Maria",  "Noah",
    "Olivia",  "Peter", "Ruth",  "Samuel", "Theo",   "Ursula", "Victor", "William"};

const std::array<std::string_view, 48> kSurnames = {
    "Smith",   "Mueller", "Brown",   "Schmidt",  "Jones",  "Fischer", "Taylor", "Weber",
    "Wilson",  "Meyer",   "Davies",  "Wagner",   "Evans",  "Becker",  "Thomas", "Hoffmann",
    "Johnson", "Koch",    "Roberts", "Richter",  "Walker", "Klein",   "Wright", "Wolf",
    "Green",   "Neumann", "Hall",    "Schwarz",  "Wood",   "Zimmer",  "Clarke", "Braun",
    "Martin",  "Krueger", "Harris",  "Hartmann", "Lewis",  "Lange",   "White",  "Werner",
    "Moore",   "Krause",  "Young",   "Lehmann",  "Allen",  "Koehler", "King",   "Walter"};

const std::array<City, 7> kCities = {{{"Berlin", "+49 30 5550", 30},
                                      {"London", "+44 20 7946", 25},
                                      {"Boston", "+1 617 555", 15},
                                      {"Paris", "+33 1 5550", 10},
                                      {"Madrid", "+34 91 555", 8},
                                      {"Tokyo", "+81 3 5550", 7},
                                      {"Sydney", "+61 2 5550", 5}}};

const City &CityByPercentile(unsigned percentile) {
    unsigned upTo = 0;
    for (const City &city : kCities) {
        upTo += city.weightPercent;
        if (percentile < upTo)
            return city;
    }
    return kCities.back();
}

std::string LoginName(std::string_view givenName, std::string_view surname) {
    std::string name;
    if (!givenName.empty())
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(givenName.front())));
    for (char c : surname)
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

} // namespace dsclient::embedded
