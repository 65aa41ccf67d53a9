#include "tests/store/test_db.h"

#include <filesystem>
#include <fstream>
#include <sstream>

namespace orvane::store::testing {

ScratchDir::ScratchDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvane-store-XXXXXX").string();
    char* made = mkdtemp(pattern.data());
    dir_ = made ? made : "";
}

ScratchDir::~ScratchDir() {
    std::error_code ignored;
    if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
}

int32_t put(DbHandle db, const std::string& key, const std::string& data) {
    return DbPut(db, key.data(), key.size(), data.data(), data.size());
}

int32_t del(DbHandle db, const std::string& key) {
    return DbDelete(db, key.data(), key.size());
}

GetResult get(DbHandle db, int mode, const std::string& key) {
    GetResult r;
    static thread_local std::string key_buffer(256, '\0');
    static thread_local std::string data_buffer(1 << 23, '\0');
    size_t key_length = 0, data_length = 0;
    r.code = DbGet(db, mode, key.data(), key.size(), key_buffer.data(), &key_length,
                   key_buffer.size(), data_buffer.data(), &data_length, data_buffer.size());
    r.key = key_buffer.substr(0, key_length);
    r.data = data_buffer.substr(0, data_length);
    return r;
}

std::string file_bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void write_file_bytes(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

}  // namespace orvane::store::testing
