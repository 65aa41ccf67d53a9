// An import stopped at any point keeps its file, and running it again gives
// the cabinet one clean run gives: nothing lost, nothing twice. Stopped by
// a failed or cut-off file operation at every point (FaultEnv), and by
// killing the program at many points.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "cabinet/fixed_boxes.h"
#include "platform/fault_env.h"
#include "platform/file.h"
#include "tests/import/cabinet_snapshot.h"
#include "tests/import/import_fixture.h"
#include "tests/support/run_program.h"

namespace orvane::import::testing {
namespace {

namespace box = cabinet::box;
using texts::TextRecord;

// Items the packet sent: command 5, new letter 6, and a text of the node
// (CORVID:900) with a receiver added.
void put_pending_items(cabinet::Cabinet& cabinet) {
    TextRecord command;
    command.id = 5;
    command.kind_flags = texts::with_text_kind(0, texts::TextKind::kNewText);
    command.subject = "Who is on";
    command.body = "@who\n";
    TextRecord letter;
    letter.id = 6;
    letter.subject = "Hello Bo";
    letter.body = "Dear Bo,\nhello.\n";
    letter.author.text = "Ann Lee";
    texts::ReceiverEntry bo;
    bo.name.text = "Bo Ek";
    letter.receivers.push_back(bo);
    TextRecord changed;
    changed.id = corvid(900);
    changed.subject = "Old text";
    changed.body = "On the server.\n";
    changed.receivers.push_back(bo);
    changed.receivers[0].previous_code = texts::HeaderCode::kTo;
    texts::ReceiverEntry cy;
    cy.name.text = "Cy Dahl";
    changed.receivers.push_back(cy);
    for (uint16_t number : {box::kPendingSentCommands, box::kPendingSentMail, box::kInBasket})
        ASSERT_OK(cabinet.ensure_fixed_box(number));
    ASSERT_OK(cabinet.file_text(command, box::kPendingSentCommands));
    ASSERT_OK(cabinet.file_text(letter, box::kPendingSentMail));
    ASSERT_OK(cabinet.file_text(changed, box::kInBasket));
    ASSERT_OK(cabinet.file_text(changed, box::kPendingSentMail));
    ASSERT_OK(cabinet.write_back());
}

// The server's answer to those items, then listings of `texts` texts.
std::string server_answer(int texts, int long_every = 0) {
    std::string dump =
        "Processing updump to CORVID\n"
        "Orvane: C#5\nAnn Lee\nBo Ek\nOrvane: E#5\n"
        "Orvane: T#6\n(Text 1500)\nFrom: Ann Lee\nTo: Bo Ek\nSubject: Hello Bo\n\n"
        "Orvane: M#\nText 900 (1 line)\nTo: Bo Ek, Cy Dahl\n\nOrvane: R#\n"
        "Mail from CORVID for Ann Lee\n"
        "Notice from Gi Ito\n-\n The node is fine.\n"
        "Letter 1001 (1 line)\nFrom: Bo Ek\nTo: Ann Lee\nSubject: Re: Hello Bo\n--------\n"
        "Hi Ann.\n(Text 1001) ---------\n\n"
        "Texts from CORVID\nThe name of the conference is: Gardening\n";
    for (int i = 0; i < texts; ++i) {
        const std::string number = std::to_string(2000 + i);
        dump += "Text " + number + " (2 lines)\nFrom: Member " + std::to_string(i % 7) +
                "\nTo: Gardening\nSubject: Topic " + std::to_string(i / 3) + "\n";
        if (i > 0 && i % 3 != 0) dump += "Reference: Text " + std::to_string(1999 + i) + "\n";
        dump += "--------\n";
        const int lines = long_every && i % long_every == 0 ? 1500 : 2;
        for (int line = 0; line < lines; ++line)
            dump += "Line " + std::to_string(line) + " of text " + number + " about the garden\n";
        dump += "(Text " + number + ") ---------\n\n";
    }
    return dump;
}

class InterruptionTest : public ::testing::Test {
  protected:
    struct Run {
        std::unique_ptr<cabinet::Cabinet> cabinet;
        std::string dump;
    };

    // A user folder in `dir` with the pending items and the server's answer.
    Run prepare(const std::string& dir, platform::Env& env) {
        Run run;
        auto created = cabinet::Cabinet::create(dir + "/fcabinet.cab", {}, ui, env);
        EXPECT_OK(created);
        if (!created.ok()) return run;
        run.cabinet = std::move(*created);
        put_pending_items(*run.cabinet);
        run.dump = dir + "/C250907A.dmp";
        const std::string answer = server_answer(12, 5);
        EXPECT_EQ(platform::write_whole_file(run.dump, answer.data(), answer.size()), 0);
        return run;
    }

    ImportOutcome import(cabinet::Cabinet& cabinet, const std::string& dir, const std::string& dump,
                         platform::Env& env) {
        ImportOptions options;
        options.attach_dir = dir;
        options.own_names = {"Ann Lee"};
        options.delete_imported = true;
        ImportContext context(cabinet, nodes, book, ui, env);
        return run_import(context, options, {dump});
    }

    // Interrupts the import at file operation `n` with `fault`, puts the
    // disk back as it would be, and imports again when the file is still
    // there. The result must be the clean run's.
    void interrupt_at(uint64_t n, platform::FaultEnv::Fault fault,
                      const CabinetSnapshot& reference) {
        orvane::testing::TempDirectory temp;
        platform::FaultEnv env;
        Run run = prepare(temp.path(), env);
        ASSERT_TRUE(run.cabinet);
        env.arm(n, fault);
        const ImportOutcome first = import(*run.cabinet, temp.path(), run.dump, env);
        const bool fired = env.fired();
        run.cabinet.reset();  // as a crash leaves it: nothing more is written
        if (fault == platform::FaultEnv::Fault::kPowerCut) {
            ASSERT_EQ(env.drop_unsynced(), 0);
        }
        env.disarm();
        if (fired && platform::file_exists(run.dump) && first.error.ok() && !first.files.empty() &&
            first.files[0].error.ok())
            ADD_FAILURE() << "at " << n << ": a failed import reported success";
        auto reopened = cabinet::Cabinet::open(temp.path() + "/fcabinet.cab", {}, ui);
        ASSERT_OK(reopened) << "at " << n;
        if (platform::file_exists(run.dump)) {
            const ImportOutcome again =
                import(**reopened, temp.path(), run.dump, platform::system_env());
            ASSERT_OK(again.error) << "at " << n;
            EXPECT_FALSE(platform::file_exists(run.dump)) << "at " << n;
        }
        const CabinetSnapshot result = snapshot_of(**reopened);
        EXPECT_TRUE(result == reference) << "at " << n << "\n" << result.difference(reference);
        EXPECT_OK((*reopened)->close());
    }

    platform::ScriptedUi ui;
    settings::NodeTable nodes = test_nodes();
    FakeAddressBook book;
};

TEST_F(InterruptionTest, ACleanRunSettlesEveryItemOnce) {
    book.objects["Gi Ito"] = 3;
    orvane::testing::TempDirectory temp;
    Run run = prepare(temp.path(), platform::system_env());
    const ImportOutcome outcome =
        import(*run.cabinet, temp.path(), run.dump, platform::system_env());
    ASSERT_OK(outcome.error);
    ASSERT_EQ(outcome.files.size(), 1u);
    EXPECT_EQ(outcome.files[0].disposal, Disposal::kDeleted);
    const CabinetSnapshot snapshot = snapshot_of(*run.cabinet);
    EXPECT_FALSE(snapshot.lists.count(box::kPendingSentMail));
    EXPECT_FALSE(snapshot.lists.count(box::kPendingSentCommands));
    EXPECT_EQ(snapshot.lists.at(box::kResultsOfCommands).ids, std::vector<texts::TextId>{5});
    EXPECT_EQ(snapshot.lists.at(box::kSentMail).ids, std::vector<texts::TextId>{corvid(1500)});
    EXPECT_FALSE(snapshot.texts.count(6));
    EXPECT_EQ(snapshot.texts.at(corvid(1500)).body, "Dear Bo,\nhello.\n");
    EXPECT_EQ(snapshot.texts.at(corvid(900)).boxes, std::vector<uint16_t>{box::kInBasket});
    EXPECT_EQ(snapshot.texts.at(5).body, "Ann Lee\nBo Ek\n");
    EXPECT_TRUE(snapshot.texts.count(0xFF0000 + 3));
    EXPECT_TRUE(snapshot.texts.count(corvid(2011)));
    EXPECT_OK(run.cabinet->close());
}

TEST_F(InterruptionTest, AFailedOrCutOffOperationAtAnyPointLosesAndDoublesNothing) {
    book.objects["Gi Ito"] = 3;
    CabinetSnapshot reference;
    uint64_t operations = 0;
    {
        orvane::testing::TempDirectory temp;
        platform::FaultEnv env;
        Run run = prepare(temp.path(), env);
        env.count_only();
        ASSERT_OK(import(*run.cabinet, temp.path(), run.dump, env).error);
        operations = env.operations();
        reference = snapshot_of(*run.cabinet);
        ASSERT_OK(run.cabinet->close());
    }
    ASSERT_GT(operations, 5u);  // the texts, the lists, the journal and the file's deletion
    for (uint64_t n = 0; n <= operations; ++n) {
        interrupt_at(n, platform::FaultEnv::Fault::kPowerCut, reference);
        interrupt_at(n, platform::FaultEnv::Fault::kFail, reference);
        if (HasFailure()) break;
    }
}

// The program itself, killed at many points of a long import.
TEST_F(InterruptionTest, KillingTheProgramAnywhereLosesAndDoublesNothing) {
    orvane::testing::TempDirectory temp;
    const std::string answer = server_answer(3000);
    auto make_home = [&](const std::string& name) {
        const std::string home = temp.path() + "/" + name;
        const orvane::testing::ProgramRun added =
            orvane::testing::run_orvane("--home '" + home + "' user add --node C --name 'Ann Lee'");
        EXPECT_EQ(added.exit_code, 0) << added.err;
        return home;
    };
    auto import_in = [&](const std::string& home, const std::string& dump) {
        return "--home '" + home + "' import '" + dump + "'";
    };
    // The clean run.
    const std::string clean = make_home("clean");
    const std::string clean_dump = clean + "/C250907A.dmp";
    ASSERT_EQ(platform::write_whole_file(clean_dump, answer.data(), answer.size()), 0);
    const auto started = std::chrono::steady_clock::now();
    const orvane::testing::ProgramRun whole =
        orvane::testing::run_orvane(import_in(clean, clean_dump));
    ASSERT_EQ(whole.exit_code, 0) << whole.err;
    const auto duration = std::chrono::steady_clock::now() - started;
    const CabinetSnapshot reference = snapshot_of_file(clean + "/Users/Ann Lee/fcabinet.cab");

    constexpr int kPoints = 8;
    for (int point = 1; point <= kPoints; ++point) {
        const std::string home = make_home("killed" + std::to_string(point));
        const std::string dump = home + "/C250907A.dmp";
        ASSERT_EQ(platform::write_whole_file(dump, answer.data(), answer.size()), 0);
        const std::string command = "exec '" + std::string(ORVANE_BINARY) + "' " +
                                    import_in(home, dump) + " >/dev/null 2>&1";
        const pid_t pid = fork();
        if (pid == 0) {
            execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        std::this_thread::sleep_for(duration * point / (kPoints + 1));
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        if (platform::file_exists(dump)) {
            const orvane::testing::ProgramRun again =
                orvane::testing::run_orvane(import_in(home, dump));
            EXPECT_EQ(again.exit_code, 0) << again.err;
        }
        const CabinetSnapshot result = snapshot_of_file(home + "/Users/Ann Lee/fcabinet.cab");
        EXPECT_TRUE(result == reference) << "killed at point " << point << "\n"
                                         << result.difference(reference);
    }
}

}  // namespace
}  // namespace orvane::import::testing
