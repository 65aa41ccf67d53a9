#include "app/auto_save.h"

#include <gtest/gtest.h>

namespace orvane::app {
namespace {

class FakeEditor : public EditingWindow {
  public:
    bool modified() const override { return is_modified; }
    void save() override {
        ++saves;
        is_modified = false;
    }
    bool is_modified = true;
    int saves = 0;
};

TEST(AutoSaveTest, DueTimesAreNeverZero) {
    EXPECT_EQ(auto_save_due_time(1000, 5), 301001u);
    EXPECT_EQ(auto_save_due_time(0xFFFFFFFFu - 59999, 1), 1u);
}

TEST(AutoSaveTest, AnIntervalOfZeroSavesNothing) {
    AutoSave auto_save;
    FakeEditor editor;
    auto_save.add(&editor);
    auto_save.note_modified(editor, 1000, 0);
    EXPECT_EQ(editor.auto_save_due, 0u);
    editor.auto_save_due = 1;
    auto_save.run(5000000, 0);
    EXPECT_EQ(editor.saves, 0);
}

TEST(AutoSaveTest, ADueTimeAcrossTheWrapAroundIsNotDelayed) {
    AutoSave auto_save;
    FakeEditor editor;
    auto_save.add(&editor);
    uint32_t start = 0xFFFFFFFFu - 30000;  // the counter wraps 30 s later
    auto_save.note_modified(editor, start, 1);
    ASSERT_LT(editor.auto_save_due, start);  // the due time lies after the wrap
    auto_save.run(start + 59000, 1);
    EXPECT_EQ(editor.saves, 0);
    auto_save.run(start + 60001, 1);
    EXPECT_EQ(editor.saves, 1);
    EXPECT_EQ(editor.auto_save_due, 0u);
}

TEST(AutoSaveTest, AWindowSavedMeanwhileOnlyLosesItsDueTime) {
    AutoSave auto_save;
    FakeEditor editor;
    auto_save.add(&editor);
    auto_save.note_modified(editor, 1000, 1);
    uint32_t due = editor.auto_save_due;
    auto_save.note_modified(editor, 20000, 1);
    EXPECT_EQ(editor.auto_save_due, due);  // the first change sets the time
    editor.is_modified = false;
    auto_save.run(due, 1);
    EXPECT_EQ(editor.saves, 0);
    EXPECT_EQ(editor.auto_save_due, 0u);
    auto_save.remove(&editor);
    editor.auto_save_due = 1;
    editor.is_modified = true;
    auto_save.run(due, 1);
    EXPECT_EQ(editor.saves, 0);
}

}  // namespace
}  // namespace orvane::app
