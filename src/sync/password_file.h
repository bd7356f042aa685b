#pragma once

// A password kept in a file for unattended runs: only its owner may read it, and the text is
// wiped from memory as soon as it has been used.

#include <string>

namespace tarnbeck {

// Wipes its bytes when it goes.
class Secret {
  public:
    Secret() = default;
    ~Secret();
    Secret(const Secret &) = delete;
    Secret &operator=(const Secret &) = delete;
    std::string &text() { return text_; }

  private:
    std::string text_;
};

// The first line of the file (without its line end) into `password`. False with `problem`
// when the file cannot be read, is no regular file, is not the user's own, or others may
// read or write it.
bool ReadPasswordFile(const std::string &path, Secret &password, std::string &problem);

} // namespace tarnbeck
