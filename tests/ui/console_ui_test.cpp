#include "ui/console_ui.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <new>

#include "platform/scripted_ui.h"

namespace orvane::ui {
namespace {

using platform::Answer;
using platform::Buttons;

TEST(ConsoleUiTest, WithoutATerminalTheSafeAnswerIsTakenAndSaid) {
    if (isatty(STDIN_FILENO)) GTEST_SKIP() << "needs a run without a terminal";
    ConsoleUi ui;
    testing::internal::CaptureStderr();
    Answer answer =
        ui.ask(platform::MessageId::kSettingsVersion, Buttons::YesNo, Answer::No, {60, 55});
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_EQ(answer, Answer::No);
    EXPECT_NE(said.find("Orvane - Error\nThe file Orvane.ini has been written by"),
              std::string::npos)
        << said;
    EXPECT_NE(said.find("(no terminal to ask: answered No)"), std::string::npos) << said;

    testing::internal::CaptureStderr();
    EXPECT_FALSE(ui.enter_text("Name:", "", 30));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("needs a terminal"), std::string::npos);
}

TEST(ConsoleUiTest, YesAndNoOptionsAnswerEveryQuestion) {
    ConsoleUi ui;
    ui.set_forced_answer(true);
    testing::internal::CaptureStderr();
    EXPECT_EQ(ui.ask(platform::MessageId::kSettingsVersion, Buttons::YesNo, Answer::No, {60, 55}),
              Answer::Yes);
    EXPECT_EQ(
        ui.ask(platform::MessageId::kSettingsVersion, Buttons::OkCancel, Answer::Cancel, {60, 55}),
        Answer::Ok);
    ui.set_forced_answer(false);
    EXPECT_EQ(
        ui.ask(platform::MessageId::kSettingsVersion, Buttons::YesNoCancel, Answer::Yes, {60, 55}),
        Answer::No);
    EXPECT_EQ(
        ui.ask(platform::MessageId::kSettingsVersion, Buttons::OkCancel, Answer::Ok, {60, 55}),
        Answer::Cancel);
    std::string said = testing::internal::GetCapturedStderr();
    EXPECT_NE(said.find("(answered Yes)"), std::string::npos);
    EXPECT_NE(said.find("(answered Cancel)"), std::string::npos);
}

TEST(ConsoleUiTest, ProgressWithoutATerminalStaysQuietAndKeepsGoing) {
    ConsoleUi ui;
    testing::internal::CaptureStderr();
    {
        auto progress = ui.start_progress("Repairing");
        EXPECT_TRUE(progress->update(5, 10, "text 5"));
    }
    if (!isatty(STDERR_FILENO)) {
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    } else {
        testing::internal::GetCapturedStderr();
    }
}

TEST(OutOfMemoryTest, RunningOutOfMemoryEndsTheProgramWithTheFatalMessage) {
    int pipe_fds[2];
    ASSERT_EQ(pipe(pipe_fds), 0);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        dup2(pipe_fds[1], STDERR_FILENO);
        ConsoleUi ui;
        platform::install_out_of_memory_handler(&ui);
        std::get_new_handler()();  // what operator new calls when memory runs out
        _exit(0);                  // not reached
    }
    close(pipe_fds[1]);
    std::string said;
    char buffer[256];
    while (ssize_t n = read(pipe_fds[0], buffer, sizeof buffer)) {
        if (n < 0) break;
        said.append(buffer, static_cast<size_t>(n));
    }
    close(pipe_fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(said, "Orvane - Fatal error\nNot enough memory\n");
}

}  // namespace
}  // namespace orvane::ui
