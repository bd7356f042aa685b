#pragma once

// A scratch directory for settings files, and a small tree in an embedded store with a file
// server and one of its volumes, for the configuration and start-up tests.

#include "platform/dsclient/config.h"
#include "platform/dsclient/embedded/store_admin.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tarnbeck::testing {

// A fresh directory under /tmp, removed with everything in it when the object goes.
class TempDirectory {
  public:
    TempDirectory();
    ~TempDirectory();
    TempDirectory(const TempDirectory &) = delete;
    TempDirectory &operator=(const TempDirectory &) = delete;

    // The directory, ending in "/".
    const std::string &path() const { return path_; }

  private:
    std::string path_;
};

void WriteFile(const std::string &path, const std::string &text);
std::string ReadFile(const std::string &path);
bool FileExists(const std::string &path);

// TEST_TREE with Acme, its supervisor Admin.Acme, the server SRV1.Acme and its volume
// SRV1_VOL1.Acme (host resource VOL1). The client configuration names the tree as primary,
// authenticated as Admin.Acme, without mount points; tests adjust `config` before starting.
class ShellTreeTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    void add(const std::string &name, const std::string &className,
             const dsclient::embedded::AttributeValues &values = {});
    // Gives Admin.Acme the home directory `path` on SRV1_VOL1.Acme.
    void giveAdminHomeDirectory(const std::string &path);
    // Declares `mountPoint` as the client's mount of SRV1's volume VOL1.
    void mountVolume(const std::string &mountPoint);

    // Applies `config` and initialises the client (RunStartSequence does this itself).
    void startClient();

    TempDirectory scratch;
    std::string storePath;
    dsclient::ClientConfig config;

  private:
    std::unique_ptr<dsclient::embedded::StoreAdmin> admin_;
};

} // namespace tarnbeck::testing
