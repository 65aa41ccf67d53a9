#include "tests/import/import_fixture.h"

#include <cstdio>

#include "platform/file.h"

namespace orvane::import::testing {

platform::Status FakeAddressBook::import_address_list(const std::string& path) {
    imported_lists.push_back(path);
    return platform::Status();
}

std::optional<uint16_t> FakeAddressBook::object_number(texts::NodeKey,
                                                       std::string_view name) const {
    const auto found = objects.find(std::string(name));
    if (found == objects.end()) return std::nullopt;
    return found->second;
}

settings::NodeTable test_nodes() {
    settings::NodeTable nodes;
    nodes.nodes = {{'C', "CORVID", "CRV", true, "qor", {"corvid.example"}},
                   {'M', "MERIDIAN", "MER", true, "qor", {"meridian.example"}},
                   {'K', "KESTREL", "KST", true, "qor", {}}};
    return nodes;
}

ImportTest::ImportTest() {
    auto created = cabinet::Cabinet::create(dir_ + "/fcabinet.cab", {}, ui_, *env_);
    EXPECT_OK(created);
    if (created.ok()) cabinet_ = std::move(*created);
    options_.attach_dir = dir_;
    options_.own_names = {"Ann Lee"};
    options_.delete_imported = false;
}

ImportTest::~ImportTest() {
    if (cabinet_) {
        EXPECT_OK(cabinet_->close());
    }
}

void ImportTest::reopen() {
    ASSERT_OK(cabinet_->close());
    cabinet_.reset();
    auto opened = cabinet::Cabinet::open(dir_ + "/fcabinet.cab", {}, ui_, *env_);
    ASSERT_OK(opened);
    cabinet_ = std::move(*opened);
}

std::string ImportTest::write(const std::string& name, const std::string& contents) {
    const std::string path = dir_ + "/" + name;
    EXPECT_EQ(platform::write_whole_file(path, contents.data(), contents.size()), 0);
    return path;
}

std::string ImportTest::read(const std::string& path) {
    std::string contents;
    EXPECT_EQ(platform::read_whole_file(path, &contents), 0) << path;
    return contents;
}

ImportOutcome ImportTest::import(const std::vector<std::string>& files) {
    ImportContext context(*cabinet_, nodes_, book_, ui_, *env_);
    return run_import(context, options_, files);
}

FileReport ImportTest::import_ok(const std::string& path) {
    ImportOutcome outcome = import({path});
    EXPECT_OK(outcome.error);
    EXPECT_EQ(outcome.files.size(), 1u);
    if (outcome.files.empty()) return {};
    EXPECT_OK(outcome.files[0].error);
    return outcome.files[0];
}

std::optional<texts::TextRecord> ImportTest::text(texts::TextId id) {
    platform::Result<std::optional<texts::TextRecord>> read = cabinet_->read_text(id);
    EXPECT_OK(read);
    return read.ok() ? *read : std::nullopt;
}

std::vector<texts::TextId> ImportTest::box(uint16_t number) {
    platform::Result<cabinet::BoxList> list = cabinet_->read_box_list(number);
    EXPECT_OK(list);
    return list.ok() ? list->ids : std::vector<texts::TextId>{};
}

std::vector<std::string> ImportTest::messages() const {
    std::vector<std::string> texts;
    for (const auto& box : ui_.shown) texts.push_back(box.text);
    return texts;
}

std::string ImportTest::run(const std::string& command) {
    std::string output;
    if (FILE* pipe = popen((command + " 2>&1").c_str(), "r")) {
        char buffer[512];
        while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, n);
        const int status = pclose(pipe);
        if (status != 0) output += "\n[exit " + std::to_string(status) + "]";
    }
    return output;
}

}  // namespace orvane::import::testing
