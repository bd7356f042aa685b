#pragma once

// Deterministic sample data shared by the demo and the synthetic trees.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace dsclient::embedded {

// SplitMix64: the same sequence for a seed on every platform and standard library, which
// std::uniform_int_distribution does not promise.
class SampleRandom {
  public:
    explicit SampleRandom(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next();
    // A number in [0, bound); bound must be above 0.
    std::uint32_t below(std::uint32_t bound) { return static_cast<std::uint32_t>(next() % bound); }

  private:
    std::uint64_t state_;
};

struct City {
    std::string_view name;
    std::string_view phonePrefix;
    unsigned weightPercent; // share of users in synthetic trees
};

extern const std::array<std::string_view, 48> kGivenNames;
extern const std::array<std::string_view, 48> kSurnames;
// Weights add up to 100.
extern const std::array<City, 7> kCities;

// The city for a number in [0, 100), following the weights.
const City &CityByPercentile(unsigned percentile);

// "jsmith" from "John", "Smith".
std::string LoginName(std::string_view givenName, std::string_view surname);

} // namespace dsclient::embedded
