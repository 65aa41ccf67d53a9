// A scratch directory with a new cabinet in it, and a full text to store.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "cabinet/cabinet.h"
#include "platform/scripted_ui.h"
#include "tests/support/status_matchers.h"
#include "tests/support/temp_directory.h"

namespace orvane::cabinet::testing {

class CabinetTest : public ::testing::Test {
  protected:
    ~CabinetTest() override {
        if (cabinet_) {
            EXPECT_TRUE(cabinet_->close().ok());
        }
    }

    Cabinet& create(const CreateOptions& options = {}) {
        platform::Result<std::unique_ptr<Cabinet>> created =
            Cabinet::create(path_, options, ui_, *env_);
        EXPECT_TRUE(created.ok()) << created.status().text();
        if (created.ok()) cabinet_ = std::move(*created);
        return *cabinet_;
    }
    // Closes the cabinet (writing it back) and opens it again; null when
    // it does not open, with the reason in `last_status_`.
    Cabinet* reopen(const OpenOptions& options = {}) {
        if (cabinet_) {
            EXPECT_TRUE(cabinet_->close().ok());
        }
        cabinet_.reset();
        platform::Result<std::unique_ptr<Cabinet>> opened =
            Cabinet::open(path_, options, ui_, *env_);
        last_status_ = opened.status();
        if (opened.ok()) cabinet_ = std::move(*opened);
        return cabinet_.get();
    }

    // A text that must read without error; nothing when it is not there.
    std::optional<texts::TextRecord> text_of(texts::TextId id) {
        platform::Result<std::optional<texts::TextRecord>> read = cabinet_->read_text(id);
        EXPECT_OK(read);
        return read.ok() ? *read : std::nullopt;
    }
    BoxList list_of(uint16_t box) {
        platform::Result<BoxList> list = cabinet_->read_box_list(box);
        EXPECT_OK(list);
        return list.ok() ? *list : BoxList{};
    }

    orvane::testing::TempDirectory temp_;
    std::string dir_ = temp_.path();
    std::string path_ = temp_.file("fcabinet.cab");
    platform::ScriptedUi ui_;
    platform::Env* env_ = &platform::system_env();
    platform::Status last_status_;
    std::unique_ptr<Cabinet> cabinet_;
};

// A text with every field and list filled in.
texts::TextRecord full_text(texts::TextId id);
// A plain text of `body_size` body bytes.
texts::TextRecord plain_text(texts::TextId id, size_t body_size);

}  // namespace orvane::cabinet::testing
