// Text that reads like English to a compressor, for the benchmarks.
#pragma once

#include <random>
#include <string>

namespace orvane::bench {

// Text that reads like English to a compressor: common words, punctuation,
// varying from record to record.
inline std::string english_like(std::mt19937& rng, size_t length) {
    static const char* const kWords[] = {
        "the",        "of",     "and",     "to",       "in",     "is",       "that",   "for",
        "it",         "as",     "was",     "with",     "be",     "by",       "on",     "not",
        "he",         "this",   "are",     "or",       "his",    "from",     "at",     "which",
        "but",        "have",   "an",      "had",      "they",   "you",      "were",   "their",
        "one",        "all",    "we",      "can",      "her",    "has",      "there",  "been",
        "if",         "more",   "when",    "will",     "would",  "who",      "so",     "no",
        "conference", "letter", "message", "network",  "reply",  "comment",  "node",   "server",
        "mail",       "user",   "meeting", "tomorrow", "report", "question", "answer", "thanks",
        "regards"};
    std::string text;
    bool capital = true;
    while (text.size() < length) {
        std::string word = kWords[rng() % (sizeof kWords / sizeof *kWords)];
        if (capital) word[0] = static_cast<char>(word[0] - 32), capital = false;
        text += word;
        const unsigned r = rng() % 12;
        if (r == 0)
            text += ". ", capital = true;
        else if (r == 1)
            text += ", ";
        else
            text += ' ';
    }
    text.resize(length);
    return text;
}

}  // namespace orvane::bench
