// What a library may ask of whoever runs it. The core never talks to a
// terminal or a window: it returns a Status for what went wrong, and puts the
// few questions it must ask (create a missing cabinet? resume a download?)
// to the Policy its caller passed. A front end answers through the user
// (every Ui is a Policy); an unattended run answers from its options without
// ever blocking (UnattendedPolicy).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/message_format.h"
#include "platform/message_ids.h"
#include "platform/status.h"

namespace orvane::platform {

enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

// A question in the words of one of the program's messages.
struct Question {
    MessageId id = MessageId::kNone;
    std::vector<FormatArg> args;
    Buttons buttons = Buttons::YesNo;
    // The answer taken when nobody can be asked.
    Answer safe = Answer::No;
};

// A question with answers of its own, optionally answered by itself when a
// countdown runs out.
struct Choice {
    std::string title;
    std::string text;
    std::vector<std::string> options;
    size_t safe = 0;            // taken when nobody can answer, and when the countdown ends
    uint32_t countdown_ms = 0;  // 0: no countdown
};

// Progress of one long operation. Destroying it ends the display.
class Progress {
  public:
    virtual ~Progress() = default;
    // Reports `done` of `total` (total 0: unknown) with an optional status
    // line. Returns false once the user asked to cancel.
    [[nodiscard]] virtual bool update(uint64_t done, uint64_t total,
                                      std::string_view status = {}) = 0;
};

class Policy {
  public:
    virtual ~Policy() = default;

    virtual Answer decide(const Question& question) = 0;
    // The index of the option taken.
    virtual size_t choose(const Choice& choice) = 0;
    // A secret the operation needs (a cabinet's password); nothing: give up.
    virtual std::optional<std::string> secret(std::string_view prompt, size_t max_length) = 0;
    virtual std::unique_ptr<Progress> progress(std::string_view title) = 0;
    // Something the user should know while the operation goes on (a warning
    // of the server, texts left in the out-basket).
    virtual void notice(const Status& status) = 0;
};

// The answers of a run that nobody watches: every question gets `answer`
// when set (--yes, --no) or else its safe answer, no secret is given,
// progress goes on until `cancel` is set, notices are kept.
class UnattendedPolicy : public Policy {
  public:
    std::optional<bool> answer;  // true: yes/ok, false: no/cancel
    bool cancel = false;
    std::vector<Status> notices;

    Answer decide(const Question& question) override;
    size_t choose(const Choice& choice) override { return choice.safe; }
    std::optional<std::string> secret(std::string_view, size_t) override { return std::nullopt; }
    std::unique_ptr<Progress> progress(std::string_view title) override;
    void notice(const Status& status) override { notices.push_back(status); }
};

// The answer that --yes (true) or --no (false) gives to a question with
// these buttons.
Answer forced_answer(Buttons buttons, bool yes);

}  // namespace orvane::platform
