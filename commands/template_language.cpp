#include "commands/template_language.h"

#include <algorithm>

#include "texts/ascii.h"

namespace orvane::commands {

namespace {

constexpr size_t kMaxDepth = 6;
// A repetition never runs more rounds than this, whatever a source says.
constexpr size_t kMaxRounds = 64;
// Beyond this the expansion stops; no command body may be that long.
constexpr size_t kMaxOutput = 1 << 20;

bool is_code_char(char c) {
    return texts::is_alnum(c) || c == '@';
}
bool is_opener(char c) {
    return c == '[' || c == '(';
}
bool is_closer(char c) {
    return c == ']' || c == ')';
}

// The position of the "}" that closes the prompt starting at `at` (a "{"):
// the next "}" that does not follow a "%"; npos when there is none.
size_t prompt_close(std::string_view t, size_t at) {
    for (size_t j = at + 1; j < t.size(); ++j)
        if (t[j] == '}' && t[j - 1] != '%') return j;
    return std::string_view::npos;
}

// The position after that prompt; an unclosed prompt runs to the end.
size_t prompt_end(std::string_view t, size_t at) {
    size_t close = prompt_close(t, at);
    return close == std::string_view::npos ? t.size() : close + 1;
}

// The position of the closing bracket of the group whose text continues at
// `from`, with `nest` groups opened inside it already; the end when the
// group is never closed.
size_t group_end(std::string_view t, size_t from, size_t nest) {
    size_t j = from;
    while (j < t.size()) {
        char c = t[j];
        if (c == '%') {
            j += 2;
        } else if (c == '{') {
            j = prompt_end(t, j);
        } else if (is_opener(c)) {
            ++nest;
            ++j;
        } else if (is_closer(c)) {
            if (nest == 0) return j;
            --nest;
            ++j;
        } else {
            ++j;
        }
    }
    return t.size();
}

// Reads the code at `at` (a "%" followed by a code character) and moves
// `at` past it, its privilege digit and its prompt.
CodeUse read_code(std::string_view t, size_t* at) {
    CodeUse use;
    size_t i = *at;
    use.code = t[i + 1];
    i += 2;
    if (i < t.size() && texts::is_digit(t[i])) use.privilege = t[i++] - '0';
    if (i < t.size() && t[i] == '{') {
        size_t close = prompt_close(t, i);
        size_t stop = close == std::string_view::npos ? t.size() : close;
        use.prompt = t.substr(i + 1, stop - i - 1);
        i = close == std::string_view::npos ? t.size() : close + 1;
    }
    *at = i;
    return use;
}

std::string one_line(std::string text) {
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20) c = ' ';
    return text;
}

class Expander {
  public:
    Expander(std::string_view t, CodeSource& source, int privilege)
        : t_(t), source_(source), privilege_(privilege) {}

    Expansion run() {
        while (!done_) {
            if (i_ < t_.size()) {
                step();
            } else if (!frames_.empty()) {
                close_group();
            } else {
                break;
            }
            if (out_.size() > kMaxOutput) break;
        }
        Expansion result;
        result.veto = veto_;
        while (!out_.empty() && static_cast<unsigned char>(out_.back()) <= 0x20) out_.pop_back();
        result.text = std::move(out_);
        if (result.text.empty() && !veto_) {
            result.missing = missing_set_ ? std::move(missing_) : std::move(top_absent_);
        }
        return result;
    }

  private:
    struct Frame {
        char opener = '[';
        size_t out_start = 0;
        size_t body_start = 0;  // template position after the opener
        std::vector<CodeUse> absent;
        bool yielded = false;
        bool multi = false;  // holds a code of several values (outermost only)
        size_t round = 0;
        size_t rounds = 1;
    };
    enum class After { kOther, kYielded, kEmpty };

    void step() {
        char c = t_[i_];
        if (c == '%') {
            after_ = After::kOther;
            if (i_ + 1 >= t_.size()) {
                i_ = t_.size();
            } else if (is_code_char(t_[i_ + 1])) {
                CodeUse use = read_code(t_, &i_);
                evaluate(use);
            } else {
                out_ += t_[i_ + 1];
                i_ += 2;
            }
        } else if (is_opener(c)) {
            after_ = After::kOther;
            ++i_;
            if (frames_.size() == kMaxDepth) {
                ++ignored_;
            } else {
                Frame frame;
                frame.opener = c;
                frame.out_start = out_.size();
                frame.body_start = i_;
                frames_.push_back(std::move(frame));
            }
        } else if (is_closer(c)) {
            ++i_;
            if (ignored_ > 0) {
                --ignored_;
            } else if (!frames_.empty()) {
                close_group();
            }
        } else if (c == '|') {
            ++i_;
            if (after_ == After::kYielded) skip_alternatives();
        } else if (c == '{') {
            i_ = prompt_end(t_, i_);
        } else {
            after_ = After::kOther;
            out_ += c == ';' ? '\n' : c;
            ++i_;
        }
    }

    // Skips the group after "|", and any further "|" groups.
    void skip_alternatives() {
        while (i_ < t_.size() && is_opener(t_[i_])) {
            i_ = group_end(t_, i_ + 1, 0);
            if (i_ < t_.size()) ++i_;
            if (i_ + 1 < t_.size() && t_[i_] == '|' && is_opener(t_[i_ + 1])) {
                ++i_;
            } else {
                break;
            }
        }
    }

    void evaluate(const CodeUse& use) {
        CodeYield yield;
        if (use.privilege > privilege_) {
            yield.kind = YieldKind::kAbsent;
        } else {
            size_t round = 0;
            if (!frames_.empty()) {
                Frame& outer = frames_.front();
                if (is_multi_value_code(use.code)) {
                    outer.multi = true;
                    outer.rounds =
                        std::clamp(source_.value_count(use.code), outer.rounds, kMaxRounds);
                }
                round = outer.round;
            }
            yield = source_.yield(use, round);
        }
        switch (yield.kind) {
            case YieldKind::kText:
                out_ += one_line(std::move(yield.text));
                break;
            case YieldKind::kEmpty:
                break;
            case YieldKind::kVeto:
                veto_ = use.code;
                out_.clear();
                done_ = true;
                break;
            case YieldKind::kAbsent:
                if (frames_.empty()) {
                    empty_command({use});
                } else {
                    frames_.back().absent.push_back(use);
                    fail_group();
                }
                break;
        }
    }

    void empty_command(std::vector<CodeUse> missing) {
        missing_ = std::move(missing);
        missing_set_ = true;
        out_.clear();
        done_ = true;
    }

    // Removes the text of the innermost group and skips the rest of it.
    void fail_group() {
        out_.resize(frames_.back().out_start);
        i_ = group_end(t_, i_, ignored_);
        ignored_ = 0;
        if (i_ < t_.size()) ++i_;
        close_group();
    }

    void close_group() {
        // Brackets of a seventh level still open when their group ends
        // (at the end of the template) end with it.
        ignored_ = 0;
        Frame& frame = frames_.back();
        frame.yielded = frame.yielded || out_.size() > frame.out_start;
        if (frames_.size() == 1 && frame.multi && frame.round + 1 < frame.rounds) {
            ++frame.round;
            frame.out_start = out_.size();
            i_ = frame.body_start;
            after_ = After::kOther;
            return;
        }
        Frame closed = std::move(frame);
        frames_.pop_back();
        after_ = closed.yielded ? After::kYielded : After::kEmpty;
        if (closed.yielded) return;
        std::vector<CodeUse>& parent_absent = frames_.empty() ? top_absent_ : frames_.back().absent;
        parent_absent.insert(parent_absent.end(), closed.absent.begin(), closed.absent.end());
        if (closed.opener != '(') return;
        // A required group that ended empty empties its own group.
        if (frames_.empty()) {
            empty_command(std::move(closed.absent));
        } else {
            fail_group();
        }
    }

    std::string_view t_;
    CodeSource& source_;
    int privilege_;
    size_t i_ = 0;
    std::string out_;
    std::vector<Frame> frames_;
    size_t ignored_ = 0;
    After after_ = After::kOther;
    std::vector<CodeUse> top_absent_;
    std::vector<CodeUse> missing_;
    bool missing_set_ = false;
    char veto_ = 0;
    bool done_ = false;
};

}  // namespace

bool is_multi_value_code(char code) {
    return code == 'H' || code == 'K' || code == 's';
}

std::vector<CodeUse> scan_codes(std::string_view t) {
    std::vector<CodeUse> uses;
    size_t i = 0;
    while (i < t.size()) {
        if (t[i] == '%' && i + 1 < t.size() && is_code_char(t[i + 1])) {
            uses.push_back(read_code(t, &i));
        } else if (t[i] == '%') {
            i += 2;
        } else if (t[i] == '{') {
            i = prompt_end(t, i);
        } else {
            ++i;
        }
    }
    return uses;
}

Expansion expand_template(std::string_view template_text, CodeSource& source, int privilege) {
    return Expander(template_text, source, privilege).run();
}

}  // namespace orvane::commands
