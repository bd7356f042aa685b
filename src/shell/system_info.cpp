#include "shell/system_info.h"

#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/utsname.h>

#ifndef TARNBECK_BUILD
#define TARNBECK_BUILD "unknown"
#endif

namespace tarnbeck {

const char *BuildId() { return TARNBECK_BUILD; }

std::string FormatOperatingSystem(const std::string &name, unsigned build,
                                  const std::string &releaseText) {
    char text[512];
    if (releaseText.empty())
        std::snprintf(text, sizeof text, "%s (Build %u)", name.c_str(), build);
    else
        std::snprintf(text, sizeof text, "%s (Build %u: %s)", name.c_str(), build,
                      releaseText.c_str());
    return text;
}

unsigned KernelBuildNumber(const std::string &kernelVersion) {
    const auto hash = kernelVersion.find('#');
    if (hash == std::string::npos)
        return 0;
    unsigned number = 0;
    for (std::size_t i = hash + 1; i < kernelVersion.size() && kernelVersion[i] >= '0' &&
                                   kernelVersion[i] <= '9';
         ++i)
        number = number * 10 + unsigned(kernelVersion[i] - '0');
    return number;
}

namespace {
std::string DistributionName() {
    std::ifstream release("/etc/os-release");
    std::string line;
    while (std::getline(release, line)) {
        if (line.rfind("PRETTY_NAME=", 0) == 0) {
            std::string value = line.substr(12);
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
                value = value.substr(1, value.size() - 2);
            return value;
        }
    }
    return "Linux";
}
} // namespace

std::string OperatingSystemText() {
    utsname names{};
    if (uname(&names) != 0)
        return FormatOperatingSystem(DistributionName(), 0, {});
    return FormatOperatingSystem(DistributionName(), KernelBuildNumber(names.version),
                                 names.release);
}

std::string AvailableMemoryText() {
    std::ifstream meminfo("/proc/meminfo");
    std::string key;
    unsigned long long kilobytes = 0;
    std::string line;
    while (std::getline(meminfo, line)) {
        std::istringstream fields(line);
        fields >> key;
        if (key == "MemAvailable:") {
            fields >> kilobytes;
            break;
        }
    }
    char text[64];
    std::snprintf(text, sizeof text, "%llu KB", kilobytes);
    return text;
}

} // namespace tarnbeck
