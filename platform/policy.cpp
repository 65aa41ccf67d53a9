#include "platform/policy.h"

namespace orvane::platform {

namespace {

class UnattendedProgress : public Progress {
  public:
    explicit UnattendedProgress(const bool& cancel) : cancel_(cancel) {}
    bool update(uint64_t, uint64_t, std::string_view) override { return !cancel_; }

  private:
    const bool& cancel_;
};

}  // namespace

Answer forced_answer(Buttons buttons, bool yes) {
    switch (buttons) {
        case Buttons::Ok:
            return Answer::Ok;
        case Buttons::OkCancel:
            return yes ? Answer::Ok : Answer::Cancel;
        case Buttons::YesNo:
        case Buttons::YesNoCancel:
            return yes ? Answer::Yes : Answer::No;
    }
    return Answer::Cancel;
}

Answer UnattendedPolicy::decide(const Question& question) {
    return answer ? forced_answer(question.buttons, *answer) : question.safe;
}

std::unique_ptr<Progress> UnattendedPolicy::progress(std::string_view) {
    return std::make_unique<UnattendedProgress>(cancel);
}

}  // namespace orvane::platform
