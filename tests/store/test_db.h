// Helpers for the engine's tests: a scratch directory and small wrappers
// around the flat interface.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "store/db.h"
#include "store/db_file.h"

namespace orvane::store::testing {

// A fresh directory under the system's temporary directory, removed at the end.
class ScratchDir {
  public:
    ScratchDir();
    ~ScratchDir();
    std::string path(const std::string& name) const { return dir_ + "/" + name; }

  private:
    std::string dir_;
};

inline std::vector<uint8_t> bytes(const std::string& text) {
    return {text.begin(), text.end()};
}

int32_t put(DbHandle db, const std::string& key, const std::string& data);
int32_t del(DbHandle db, const std::string& key);

struct GetResult {
    int32_t code = -1;
    std::string key;
    std::string data;
};
// Runs DbGet with buffers large enough for every record.
GetResult get(DbHandle db, int mode, const std::string& key);

std::string file_bytes(const std::string& path);
void write_file_bytes(const std::string& path, const std::string& bytes);

}  // namespace orvane::store::testing
