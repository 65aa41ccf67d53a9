// An import cut off at any point: every write to the lists file (or its
// journal) in turn fails, or the power goes at it, or the importing process
// is killed. The book must then be as it was before the import or as the
// whole import leaves it, never in between: consistent, with the node's
// serial raised only over objects that are stored; and importing the same
// list again must give exactly the book of an import that was never cut off.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "addressbook/list_import.h"
#include "platform/fault_env.h"
#include "platform/file.h"
#include "tests/addressbook/book_fixture.h"

namespace orvane::addressbook::testing {
namespace {

using Records = std::map<std::string, std::string>;

class InterruptedImportTest : public BookTest {
  protected:
    void SetUp() override {
        BookTest::SetUp();
        std::string first;
        for (int i = 1; i <= 40; ++i)
            first += list_line(i, i % 5 == 0 ? 2 : 1, i, 0, "Person " + name_of(i) + " First");
        ASSERT_TRUE(run_import("CO00001$", first).ok());
        before = dump(*lists);
        // The second list renames, removes and adds objects.
        for (int i = 1; i <= 150; ++i) {
            if (i % 7 == 0) continue;
            const std::string name = i % 3 == 0 ? "Person " + name_of(i) + " Renamed"
                                                : "Person " + name_of(i) + " First";
            list += list_line(100 + i, i % 5 == 0 ? 2 : 1, i, i % 11 == 0 ? 0x8000 : 0, name,
                              {i, i + 1});
        }
        ASSERT_TRUE(lists->close().ok());
        lists.reset();
        base = read_file(kListsFileName);

        lists.emplace(open_book(kListsFileName));
        ASSERT_TRUE(run_import("CO00002$", list).ok());
        finished = dump(*lists);
        ASSERT_TRUE(lists->close().ok());
        lists.reset();
    }

    static std::string name_of(int i) {
        std::string name;
        for (; i > 0; i /= 7) name.push_back(static_cast<char>('a' + i % 7));
        return name;
    }

    platform::Result<ListImportOutcome> run_import(const std::string& name, const std::string& text,
                                                   platform::Env* env = nullptr) {
        const std::string file = write_file(name, text);
        ListImportContext context(*lists, nodes, policy, env ? *env : files);
        return import_address_list(file, context);
    }

    void restore_base() {
        ASSERT_EQ(platform::write_whole_file(path(kListsFileName), base.data(), base.size(), files),
                  0);
        (void)files.unlink(path(journal_name()));  // what an earlier round left, if anything
    }

    static std::string journal_name() { return std::string(kListsFileName) + ".jnl"; }

    // After a cut-off import: the book before it or after all of it, and a
    // second import gives the finished book.
    void check_and_finish(const std::string& when) {
        lists.emplace(open_book(kListsFileName));
        const auto problems = index_problems(*lists);
        ASSERT_TRUE(problems.empty()) << when << ": " << problems.front();
        const Records records = dump(*lists);
        ASSERT_TRUE(records == before || records == finished) << when << ": half an import";
        ASSERT_TRUE(run_import("CO00002$", list).ok()) << when;
        ASSERT_TRUE(dump(*lists) == finished) << when;
        ASSERT_TRUE(lists->close().ok());
        lists.reset();
    }

    std::string list;
    std::string base;
    Records before, finished;
};

TEST_F(InterruptedImportTest, EveryFailedTornOrLostWriteLeavesTheBookBeforeOrAfter) {
    platform::FaultEnv env(files);
    restore_base();
    auto counted = BookFile::open(path(kListsFileName), false, policy, env);
    ASSERT_TRUE(counted.ok());
    lists.emplace(std::move(*counted));
    env.count_only(kListsFileName);
    {
        ListImportContext context(*lists, nodes, policy, env);
        ASSERT_TRUE(import_address_list(write_file("CO00002$", list), context).ok());
    }
    const uint64_t operations = env.operations();
    lists.reset();
    // At least the journal's and the file's writes and flushes.
    ASSERT_GE(operations, 4u);

    using Fault = platform::FaultEnv::Fault;
    for (Fault fault : {Fault::kFail, Fault::kTear, Fault::kPowerCut}) {
        for (uint64_t n = 0; n < operations; ++n) {
            restore_base();
            platform::FaultEnv faulty(files);
            auto opened = BookFile::open(path(kListsFileName), false, policy, faulty);
            ASSERT_TRUE(opened.ok());
            lists.emplace(std::move(*opened));
            faulty.arm(n, fault, kListsFileName);
            auto outcome = run_import("CO00002$", list, &faulty);
            EXPECT_TRUE(faulty.fired());
            EXPECT_FALSE(outcome.ok() && fault == Fault::kPowerCut && n + 1 < operations)
                << "a power cut at " << n << " went unnoticed";
            // Closing writes nothing more once the power is gone.
            (void)lists->close();
            lists.reset();
            ASSERT_EQ(faulty.drop_unsynced(), 0);
            check_and_finish((fault == Fault::kFail   ? "fail "
                              : fault == Fault::kTear ? "tear "
                                                      : "power cut ") +
                             std::to_string(n));
            if (HasFatalFailure()) return;
        }
    }
}

// Stops the import in its middle until the process is killed.
class StopInTheMiddle : public platform::UnattendedPolicy {
  public:
    explicit StopInTheMiddle(int signal_fd) : signal_fd_(signal_fd) {}
    std::unique_ptr<platform::Progress> progress(std::string_view) override {
        struct Stop : platform::Progress {
            int fd;
            int updates = 0;
            bool update(uint64_t, uint64_t, std::string_view) override {
                if (++updates == 10) {
                    (void)!write(fd, "x", 1);
                    pause();
                }
                return true;
            }
        };
        auto stop = std::make_unique<Stop>();
        stop->fd = signal_fd_;
        return stop;
    }

  private:
    int signal_fd_;
};

TEST_F(InterruptedImportTest, AKilledImportLeavesTheBookAsItWas) {
    restore_base();
    const std::string file = write_file("CO00002$", list);
    int pipe_fds[2];
    ASSERT_EQ(pipe(pipe_fds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        StopInTheMiddle stop(pipe_fds[1]);
        auto book = BookFile::open(path(kListsFileName), false, stop);
        if (book.ok()) {
            ListImportContext context(*book, nodes, stop);
            (void)import_address_list(file, context);
        }
        _exit(1);  // reached only when the import never stopped
    }
    char signalled = 0;
    ASSERT_EQ(read(pipe_fds[0], &signalled, 1), 1);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    close(pipe_fds[0]);
    close(pipe_fds[1]);
    ASSERT_TRUE(WIFSIGNALED(status));

    lists.emplace(open_book(kListsFileName));
    EXPECT_TRUE(dump(*lists) == before);
    lists.reset();
    check_and_finish("killed");
}

}  // namespace
}  // namespace orvane::addressbook::testing
