#pragma once

#include <string>
#include <vector>

namespace tarnbeck {

struct ControlHelp {
    std::string control; // the control's name
    std::string text;    // lines separated by CR LF
};
const std::vector<ControlHelp> &MainWindowHelpTexts();

} // namespace tarnbeck
