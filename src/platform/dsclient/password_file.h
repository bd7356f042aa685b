#pragma once

// The password of an unattended identity, kept in a file only its owner may read or write. It
// is read when a connection binds, and wiped as soon as the bind is done.

#include "platform/dsclient/status.h"

#include <string>
#include <string_view>
#include <vector>

namespace dsclient {

// Bytes that are overwritten before their memory is given back.
class Secret {
  public:
    Secret() = default;
    ~Secret();
    Secret(const Secret &) = delete;
    Secret &operator=(const Secret &) = delete;
    std::string_view view() const { return {bytes_.data(), size_}; }
    void Assign(const char *data, std::size_t size);

  private:
    std::vector<char> bytes_;
    std::size_t size_ = 0;
};

// Is the file a regular file of this user that no one else may read or write? When not,
// `problem` says what is wrong with it.
bool CheckPasswordFile(const std::string &path, std::string &problem);
// The first line of the file (without its line end), after the same check.
Status ReadPasswordFile(const std::string &path, Secret &password, std::string &problem);

} // namespace dsclient
