#pragma once

// The journal's file on disk: its folder made when missing, the file created with mode 0600
// and never reached through a link, and a damaged one set aside.

#include <string>

namespace tarnbeck::journal {

// Makes sure `path` is a regular file of the caller's, mode 0600, reached without a link (its
// folder is created, mode 0700, when missing). Empty when so, else why not.
std::string PrepareJournalFile(const std::string &path);

// Renames the file (and its -wal and -shm companions) to PATH.damaged-YYYYMMDD-HHMMSS; the
// new name, or empty when the rename failed.
std::string SetAside(const std::string &path);

} // namespace tarnbeck::journal
