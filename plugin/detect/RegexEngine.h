// Regular expressions over UTF-16 code units with ECMAScript semantics, run on PCRE2 (16-bit, JIT).
//
// Every code unit is one character (no UTF decoding), so indices are UTF-16 code units and lone
// surrogates in a page text are ordinary non-word characters. "\b" and "\B" take letters of
// every script (Hangul among them), decimal digits and "_" as word characters, whatever PCRE2's
// version counts; "\d" is [0-9], "\s" the ECMAScript white-space set and "\w" [A-Za-z0-9_],
// as ECMAScript defines them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct pcre2_real_code_16;
struct pcre2_real_match_data_16;
struct pcre2_real_match_context_16;
struct pcre2_real_jit_stack_16;

namespace vm {

enum class RegexStatus { Match, NoMatch, Error };

// The most backtracking steps (PCRE2's match limit) one search may take.
constexpr uint32_t kRegexMatchLimit = 10'000'000;

struct RegexFind {
  RegexStatus status = RegexStatus::NoMatch;
  int32_t start = 0;
  int32_t length = 0;
  int errorCode = 0;          // the PCRE2 error code when status is Error
  bool limitReached = false;  // the error is the match limit: the search needed more steps
};

// The ECMAScript pattern text rewritten into PCRE2 syntax; empty when it uses a construct the
// rewrite does not support (a negated class escape inside brackets, an unterminated class).
std::u16string TranslateEcmaPattern(std::u16string_view ecmaPattern);

// Per-thread match state: match data, limits and a JIT stack. Reuse one across many searches.
class RegexScratch {
 public:
  RegexScratch();
  ~RegexScratch();
  RegexScratch(const RegexScratch&) = delete;
  RegexScratch& operator=(const RegexScratch&) = delete;

  pcre2_real_match_data_16* matchData() const { return matchData_; }
  pcre2_real_match_context_16* context() const { return context_; }
  pcre2_real_match_context_16* interpreterContext() const { return interpreterContext_; }

 private:
  pcre2_real_match_data_16* matchData_ = nullptr;
  pcre2_real_match_context_16* context_ = nullptr;
  pcre2_real_match_context_16* interpreterContext_ = nullptr;
  pcre2_real_jit_stack_16* jitStack_ = nullptr;
};

class Regex {
 public:
  Regex() = default;
  // Compiles the ECMAScript pattern; on failure ok() is false and every search reports Error.
  explicit Regex(std::u16string_view ecmaPattern);

  bool ok() const { return searching_.code && anchored_.code; }
  const std::string& error() const { return error_; }

  // The leftmost hit at or after `from`; the text before `from` is seen by look-behind and
  // "\b". With notEmptyAtFrom an empty hit at `from` is not accepted (iteration after an empty
  // hit, as a standard regex iterator does it).
  RegexFind Find(std::u16string_view text, size_t from, RegexScratch& scratch,
                 bool notEmptyAtFrom = false) const;
  // The hit that begins exactly at `at`, if any (the hit a search would find at that position),
  // within `matchLimit` backtracking steps.
  RegexFind MatchAt(std::u16string_view text, size_t at, RegexScratch& scratch,
                    uint32_t matchLimit = kRegexMatchLimit) const;
  // True when the whole text matches; false on no match and on an engine error.
  bool FullMatch(std::u16string_view text, RegexScratch& scratch) const;

 private:
  struct Program;
  RegexFind Run(const Program& program, std::u16string_view text, size_t from,
                uint32_t options, RegexScratch& scratch, uint32_t matchLimit) const;

  struct CodeDeleter {
    void operator()(pcre2_real_code_16* code) const;
  };
  struct Program {
    std::unique_ptr<pcre2_real_code_16, CodeDeleter> code;
    bool jit = false;
  };
  Program searching_;
  Program anchored_;  // compiled anchored: the JIT does not take PCRE2_ANCHORED at match time
  std::string error_;
};

}  // namespace vm
