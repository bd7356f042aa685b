#pragma once

// Names and reasons from the directory or the journal, made safe for where they are printed:
// no line or escape sequence forged on a terminal, no formula run by a spreadsheet.

#include <ctime>
#include <string>

namespace tarnbeck {

// A JSON string, quotes included.
std::string JsonText(const std::string &text);
// A CSV field: quoted when it must be, and a leading =, +, -, @, tab or CR kept from starting a
// formula by a quote mark.
std::string CsvText(const std::string &text);
// 2026-12-09T18:20:01Z
std::string UtcTimeText(std::time_t time);

} // namespace tarnbeck
