#pragma once

#include <string>

namespace tarnbeck {

// The build id of the program (from source control at build time).
const char *BuildId();

// The operating system's name and build: "%s (Build %u)", or "%s (Build %u: %s)" when the system
// reports a further release text. On Linux the name is the distribution's, the build the kernel's
// build counter and the text the kernel release.
std::string OperatingSystemText();

// The memory available to the system, "%u KB".
std::string AvailableMemoryText();

// Pieces of the above, for tests.
std::string FormatOperatingSystem(const std::string &name, unsigned build,
                                  const std::string &releaseText);
unsigned KernelBuildNumber(const std::string &kernelVersion); // "#12 SMP ..." gives 12

} // namespace tarnbeck
