#include "app/crash_report.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <regex>
#include <string>

#include "platform/file.h"

namespace orvane::app {
namespace {

[[gnu::noinline]] void crash_here(volatile int* where) {
    *where = 1;
}

TEST(CrashReportTest, AFaultInAChildProcessLeavesAWellFormedReport) {
    char pattern[] = "/tmp/orvane-crash-XXXXXX";
    std::string dir = mkdtemp(pattern);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // Keep the report off the test's own output.
        freopen("/dev/null", "w", stderr);
        install_crash_handler("Orvane 55D", kSupportAddress, dir);
        volatile uintptr_t bad_address = 16;  // hidden from the compiler's bounds checks
        crash_here(reinterpret_cast<volatile int*>(bad_address));
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the process must still end by its signal";
    EXPECT_EQ(WTERMSIG(status), SIGSEGV);

    std::string report;
    ASSERT_EQ(platform::read_whole_file(dir + "/crash-report.txt", &report), 0);
    std::system(("rm -rf " + dir).c_str());

    std::smatch first;
    ASSERT_TRUE(std::regex_search(
        report, first,
        std::regex("^Orvane 55D: Exception 0000000B \\(SEGV\\) at ([0-9A-F]+) writing 0+10\\r\\n")))
        << report;
#if defined(__x86_64__) || defined(__aarch64__)
    EXPECT_NE(report.find("\r\n\r\nRegisters:\r\n\r\n"), std::string::npos);
    EXPECT_NE(report.find("\r\nModule Address = "), std::string::npos);
    size_t trace = report.find("\r\n\r\nStack trace:\r\n");
    ASSERT_NE(trace, std::string::npos);
    // The first frame is the faulting instruction, followed by at least the
    // return into this test.
    std::string frames = report.substr(trace + 18);
    std::regex frame("\\r\\n[0-9A-F]+");
    auto count = std::distance(std::sregex_iterator(frames.begin(), frames.end(), frame),
                               std::sregex_iterator());
    EXPECT_GE(count, 2) << report;
    char fault[32];
    std::snprintf(fault, sizeof fault, "\r\n%llX", std::stoull(first[1].str(), nullptr, 16));
    EXPECT_EQ(frames.find(fault), 0u) << "the walk starts at the fault";
#endif
    ASSERT_GE(report.size(), 2u);
    EXPECT_EQ(report.substr(report.size() - 2), "\r\n");
    EXPECT_NE(report.substr(0, report.size() - 2).back(), '\n') << "exactly one closing CR LF";
}

TEST(CrashReportTest, StackWalkStopsAtABadFramePointer) {
    // A fake stack: frame 0 points to frame 1, whose saved pointer goes
    // downwards, which must end the walk.
    alignas(16) uintptr_t stack[16] = {};
    uintptr_t base = reinterpret_cast<uintptr_t>(stack);
    stack[0] = base + 4 * sizeof(uintptr_t);  // frame 0 -> frame at index 4
    stack[1] = 0x1111;
    stack[4] = base;  // goes back down: stop after this frame
    stack[5] = 0x2222;
    CrashFacts facts;
    facts.version_text = "V";
    facts.signal = SIGILL;
    facts.fault_address = 0xABC;
    facts.has_registers = true;
    facts.frame_pointer = base;
    facts.stack_pointer = base;
    facts.stack_top = base + sizeof stack;
    char buffer[2048];
    std::string report(buffer, format_crash_report(facts, buffer, sizeof buffer));
    EXPECT_NE(report.find("Stack trace:\r\n\r\nABC\r\n1111\r\n2222\r\n"), std::string::npos)
        << report;
    EXPECT_EQ(report.find("\r\n0\r\n"), std::string::npos);

    facts.frame_pointer = base + 1;  // misaligned: no frames beyond the fault
    report.assign(buffer, format_crash_report(facts, buffer, sizeof buffer));
    EXPECT_NE(report.find("Stack trace:\r\n\r\nABC\r\n"), std::string::npos);
    EXPECT_EQ(report.find("1111"), std::string::npos);

    // A tiny buffer is filled without overrunning it.
    char small[12];
    EXPECT_EQ(format_crash_report(facts, small, sizeof small), sizeof small - 1);
}

}  // namespace
}  // namespace orvane::app
