#pragma once

#include "membership/member_mark.h"

#include <string>
#include <utility>
#include <vector>

namespace tarnbeck {

// One entry of the member list: an object name and what Update group does with it.
using MemberEntry = std::pair<std::string, MemberMark>;
using MemberEntries = std::vector<MemberEntry>;

} // namespace tarnbeck
