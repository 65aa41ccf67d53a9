// A scratch directory with a new cabinet in it, and a full text to store.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "cabinet/cabinet.h"
#include "platform/scripted_ui.h"

namespace orvane::cabinet::testing {

class CabinetTest : public ::testing::Test {
  protected:
    CabinetTest() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "orvane-cabinet-XXXXXX").string();
        if (mkdtemp(pattern.data())) dir_ = pattern;
        path_ = dir_ + "/fcabinet.cab";
    }
    ~CabinetTest() override {
        cabinet_.reset();
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }

    Cabinet& create(const CreateOptions& options = {}) {
        cabinet_ = Cabinet::create(path_, options, ui_);
        EXPECT_NE(cabinet_, nullptr);
        return *cabinet_;
    }
    // Closes the cabinet (writing it back) and opens it again.
    Cabinet* reopen(const OpenOptions& options = {}) {
        cabinet_.reset();
        cabinet_ = Cabinet::open(path_, options, ui_);
        return cabinet_.get();
    }
    int messages_with(int id) const;

    std::string dir_;
    std::string path_;
    platform::ScriptedUi ui_;
    std::unique_ptr<Cabinet> cabinet_;
};

// A text with every field and list filled in.
texts::TextRecord full_text(texts::TextId id);
// A plain text of `body_size` body bytes.
texts::TextRecord plain_text(texts::TextId id, size_t body_size);

}  // namespace orvane::cabinet::testing
