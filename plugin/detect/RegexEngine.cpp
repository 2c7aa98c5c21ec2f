#define PCRE2_CODE_UNIT_WIDTH 16
#include "detect/RegexEngine.h"

#include <pcre2.h>

#include <map>

#include "detect/WordBoundary.h"

namespace vm {

namespace {

// TAB, LF, VT, FF, CR, SPACE, NBSP, OGHAM SPACE MARK, U+2000-U+200A, LS, PS, NNBSP, MMSP,
// IDEOGRAPHIC SPACE, BOM: the white space of ECMAScript's "\s".
constexpr std::u16string_view kEcmaSpaces =
    u"\\x{9}-\\x{d}\\x{20}\\x{a0}\\x{1680}\\x{2000}-\\x{200a}\\x{2028}\\x{2029}\\x{202f}"
    u"\\x{205f}\\x{3000}\\x{feff}";
constexpr std::u16string_view kEcmaDigits = u"0-9";
constexpr std::u16string_view kEcmaWord = u"A-Za-z0-9_";
// ECMAScript's "." excludes all four line terminators, PCRE2's only LF.
constexpr std::u16string_view kEcmaDot = u"[^\\x{a}\\x{d}\\x{2028}\\x{2029}]";

constexpr uint32_t kDepthLimit = 100'000;
constexpr uint32_t kHeapLimitKiB = 64 * 1024;
constexpr size_t kJitStackStart = 32 * 1024;
constexpr size_t kJitStackMax = 1024 * 1024;

bool IsHex(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

}  // namespace

std::u16string TranslateEcmaPattern(std::u16string_view p) {
  const std::map<size_t, std::u16string_view> boundaries = WordBoundaries(p);
  std::u16string out;
  out.reserve(p.size() * 2);
  bool inClass = false;
  for (size_t i = 0; i < p.size(); ++i) {
    const char16_t c = p[i];
    if (c == u'\\') {
      if (i + 1 >= p.size()) return {};
      const char16_t e = p[++i];
      const std::u16string_view set = e == u'd' || e == u'D'   ? kEcmaDigits
                                      : e == u's' || e == u'S' ? kEcmaSpaces
                                      : e == u'w' || e == u'W' ? kEcmaWord
                                                               : std::u16string_view{};
      if (!set.empty()) {
        const bool negated = e == u'D' || e == u'S' || e == u'W';
        if (inClass) {
          if (negated) return {};
          out += set;
        } else {
          out += negated ? u"[^" : u"[";
          out += set;
          out += u']';
        }
      } else if (e == u'b' && inClass) {
        out += u"\\x{8}";  // backspace inside brackets
      } else if (e == u'b' || e == u'B') {
        const auto form = boundaries.find(i - 1);
        out += form != boundaries.end() ? form->second : FullWordBoundary(e == u'B');
      } else if (e == u'u' && i + 4 < p.size() && IsHex(p[i + 1]) && IsHex(p[i + 2]) &&
                 IsHex(p[i + 3]) && IsHex(p[i + 4])) {
        out += u"\\x{";
        out.append(p.substr(i + 1, 4));
        out += u'}';
        i += 4;
      } else {
        out += u'\\';
        out += e;
      }
      continue;
    }
    if (inClass) {
      if (c == u']') inClass = false;
      out += c;
    } else if (c == u'[') {
      inClass = true;
      out += c;
      // "[^" is part of the opening; a "]" right after it closes an empty class in ECMAScript
      // (PCRE2_ALLOW_EMPTY_CLASS gives the same reading).
      if (i + 1 < p.size() && p[i + 1] == u'^') out += p[++i];
    } else if (c == u'.') {
      out += kEcmaDot;
    } else {
      out += c;
    }
  }
  if (inClass) return {};
  return out;
}

RegexScratch::RegexScratch() {
  matchData_ = pcre2_match_data_create(1, nullptr);
  context_ = pcre2_match_context_create(nullptr);
  interpreterContext_ = pcre2_match_context_create(nullptr);
  jitStack_ = pcre2_jit_stack_create(kJitStackStart, kJitStackMax, nullptr);
  for (pcre2_match_context* ctx : {context_, interpreterContext_}) {
    if (!ctx) continue;
    pcre2_set_match_limit(ctx, kRegexMatchLimit);
    pcre2_set_depth_limit(ctx, kDepthLimit);
    pcre2_set_heap_limit(ctx, kHeapLimitKiB);
  }
  if (context_ && jitStack_) pcre2_jit_stack_assign(context_, nullptr, jitStack_);
}

RegexScratch::~RegexScratch() {
  pcre2_jit_stack_free(jitStack_);
  pcre2_match_context_free(interpreterContext_);
  pcre2_match_context_free(context_);
  pcre2_match_data_free(matchData_);
}

void Regex::CodeDeleter::operator()(pcre2_code* code) const { pcre2_code_free(code); }

Regex::Regex(std::u16string_view ecmaPattern) {
  const std::u16string translated = TranslateEcmaPattern(ecmaPattern);
  if (translated.empty()) {
    error_ = "unsupported pattern syntax";
    return;
  }
  // No PCRE2_UTF: each code unit is a character, and "\p" classifies it as that code point.
  // No PCRE2_UCP: every class that depends on it was spelled out above.
  const uint32_t options = PCRE2_DOLLAR_ENDONLY | PCRE2_ALLOW_EMPTY_CLASS;
  for (Program* program : {&searching_, &anchored_}) {
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    pcre2_code* code = pcre2_compile(
        reinterpret_cast<PCRE2_SPTR>(translated.data()), translated.size(),
        options | (program == &anchored_ ? PCRE2_ANCHORED : 0), &errorCode, &errorOffset, nullptr);
    if (!code) {
      PCRE2_UCHAR message[256] = {};
      pcre2_get_error_message(errorCode, message, 256);
      for (const PCRE2_UCHAR* m = message; *m; ++m)
        error_ += static_cast<char>(*m < 128 ? *m : '?');
      error_ += " at offset " + std::to_string(errorOffset);
      searching_ = {};
      anchored_ = {};
      return;
    }
    program->code.reset(code);
    // Without JIT (not built for this CPU, no executable memory) the interpreter does the work.
    program->jit = pcre2_jit_compile(code, PCRE2_JIT_COMPLETE) == 0;
  }
}

RegexFind Regex::Run(const Program& program, std::u16string_view text, size_t from,
                     uint32_t options, RegexScratch& scratch, uint32_t matchLimit) const {
  RegexFind result;
  if (!program.code || !scratch.matchData() || !scratch.context()) {
    result.status = RegexStatus::Error;
    result.errorCode = program.code ? PCRE2_ERROR_NOMEMORY : PCRE2_ERROR_NULL;
    return result;
  }
  pcre2_set_match_limit(scratch.context(), matchLimit);
  if (scratch.interpreterContext()) pcre2_set_match_limit(scratch.interpreterContext(), matchLimit);
  const auto subject = reinterpret_cast<PCRE2_SPTR>(text.data());
  int rc = PCRE2_ERROR_JIT_BADOPTION;
  if (program.jit)
    rc = pcre2_match(program.code.get(), subject, text.size(), from, options,
                     scratch.matchData(), scratch.context());
  // The interpreter keeps its backtracking frames on the heap and so gets past a JIT stack
  // overflow; it is also the engine when JIT compilation failed.
  if (rc == PCRE2_ERROR_JIT_STACKLIMIT || rc == PCRE2_ERROR_JIT_BADOPTION)
    rc = pcre2_match(program.code.get(), subject, text.size(), from, options | PCRE2_NO_JIT,
                     scratch.matchData(), scratch.interpreterContext());
  if (rc == PCRE2_ERROR_NOMATCH) return result;
  if (rc < 0) {
    result.status = RegexStatus::Error;
    result.errorCode = rc;
    result.limitReached = rc == PCRE2_ERROR_MATCHLIMIT;
    return result;
  }
  const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(scratch.matchData());
  result.status = RegexStatus::Match;
  result.start = static_cast<int32_t>(ovector[0]);
  result.length = static_cast<int32_t>(ovector[1] - ovector[0]);
  return result;
}

RegexFind Regex::Find(std::u16string_view text, size_t from, RegexScratch& scratch,
                      bool notEmptyAtFrom) const {
  if (from > text.size()) return {};
  return Run(searching_, text, from, notEmptyAtFrom ? PCRE2_NOTEMPTY_ATSTART : 0, scratch,
             kRegexMatchLimit);
}

RegexFind Regex::MatchAt(std::u16string_view text, size_t at, RegexScratch& scratch,
                         uint32_t matchLimit) const {
  if (at > text.size()) return {};
  return Run(anchored_, text, at, 0, scratch, matchLimit);
}

bool Regex::FullMatch(std::u16string_view text, RegexScratch& scratch) const {
  return Run(anchored_, text, 0, PCRE2_ENDANCHORED, scratch, kRegexMatchLimit).status ==
         RegexStatus::Match;
}

}  // namespace vm
