#include "detect/WordBoundary.h"

#include <vector>

namespace vm {

namespace {

#define VM_WORD u"[\\p{L}\\p{Nd}_]"
constexpr std::u16string_view kBoundary =
    u"(?:(?<=" VM_WORD u")(?!" VM_WORD u")|(?<!" VM_WORD u")(?=" VM_WORD u"))";
constexpr std::u16string_view kNotBoundary =
    u"(?:(?<=" VM_WORD u")(?=" VM_WORD u")|(?<!" VM_WORD u")(?!" VM_WORD u"))";
constexpr std::u16string_view kWordBefore = u"(?<=" VM_WORD u")";
constexpr std::u16string_view kNoWordBefore = u"(?<!" VM_WORD u")";
constexpr std::u16string_view kWordAfter = u"(?=" VM_WORD u")";
constexpr std::u16string_view kNoWordAfter = u"(?!" VM_WORD u")";
#undef VM_WORD

bool IsAsciiWord(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
         c == u'_';
}

bool IsHex(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

// A range of digits only, capitals only or small letters only.
bool IsWordRange(char16_t low, char16_t high) {
  if (low > high) return false;
  return (low >= u'0' && high <= u'9') || (low >= u'A' && high <= u'Z') ||
         (low >= u'a' && high <= u'z');
}

// One element of a sequence: an atom with its quantifier.
struct Element {
  enum Kind { kWordChar, kGroup, kBoundary, kOther };
  Kind kind = kOther;
  bool optional = false;  // the quantifier allows no repetition
  size_t start = 0;       // index of the atom in the pattern
  std::vector<std::vector<Element>> alternatives;  // of a group
};
using Sequence = std::vector<Element>;

// Always consumes at least one character, and its first (last) one is a word character.
bool StartsWithWord(const Element& e, bool fromEnd) {
  if (e.optional) return false;
  if (e.kind == Element::kWordChar) return true;
  if (e.kind != Element::kGroup) return false;
  for (const Sequence& alternative : e.alternatives) {
    if (alternative.empty()) return false;
    if (!StartsWithWord(fromEnd ? alternative.back() : alternative.front(), fromEnd)) return false;
  }
  return true;
}

class Parser {
 public:
  explicit Parser(std::u16string_view p) : p_(p) {}

  // The alternatives up to a ")" (left for the caller) or the end; false when malformed.
  bool Alternatives(std::vector<Sequence>& out) {
    out.emplace_back();
    while (i_ < p_.size() && p_[i_] != u')') {
      if (p_[i_] == u'|') {
        ++i_;
        out.emplace_back();
        continue;
      }
      Element e;
      if (!Atom(e)) return false;
      Quantifier(e);
      out.back().push_back(std::move(e));
    }
    return true;
  }

  bool AtEnd() const { return i_ == p_.size(); }

 private:
  bool Atom(Element& e) {
    e.start = i_;
    const char16_t c = p_[i_];
    if (c == u'\\') {
      if (i_ + 1 >= p_.size()) return false;
      const char16_t escaped = p_[i_ + 1];
      i_ += 2;
      if (escaped == u'd') e.kind = Element::kWordChar;
      if (escaped == u'b' || escaped == u'B') e.kind = Element::kBoundary;
      if (escaped == u'u' && i_ + 4 <= p_.size() && IsHex(p_[i_]) && IsHex(p_[i_ + 1]) &&
          IsHex(p_[i_ + 2]) && IsHex(p_[i_ + 3]))
        i_ += 4;
      return true;
    }
    if (c == u'[') return Class(e);
    if (c == u'(') return Group(e);
    if (IsAsciiWord(c)) e.kind = Element::kWordChar;
    ++i_;
    return true;
  }

  // A bracket class counts as word characters when it lists only ASCII letters, digits, "_",
  // "\d" and ranges within digits or within one case of letters.
  bool Class(Element& e) {
    size_t j = i_ + 1;
    bool word = j < p_.size() && p_[j] != u'^';
    if (!word) ++j;
    bool any = false;
    while (j < p_.size() && p_[j] != u']') {
      any = true;
      if (p_[j] == u'\\') {
        if (j + 1 >= p_.size() || p_[j + 1] != u'd') word = false;
        j += 2;
      } else if (j + 2 < p_.size() && p_[j + 1] == u'-' && p_[j + 2] != u']') {
        if (!IsWordRange(p_[j], p_[j + 2]) || p_[j + 2] == u'\\') word = false;
        j += p_[j + 2] == u'\\' ? 2 : 3;
      } else {
        if (!IsAsciiWord(p_[j])) word = false;
        ++j;
      }
    }
    if (j >= p_.size()) return false;
    i_ = j + 1;
    if (word && any) e.kind = Element::kWordChar;
    return true;
  }

  bool Group(Element& e) {
    const std::u16string_view rest = p_.substr(i_);
    const bool lookAround = rest.starts_with(u"(?=") || rest.starts_with(u"(?!") ||
                            rest.starts_with(u"(?<=") || rest.starts_with(u"(?<!");
    i_ += rest.starts_with(u"(?:") || rest.starts_with(u"(?=") || rest.starts_with(u"(?!") ? 3
          : rest.starts_with(u"(?<=") || rest.starts_with(u"(?<!")                      ? 4
                                                                                        : 1;
    if (!Alternatives(e.alternatives) || i_ >= p_.size()) return false;
    ++i_;  // ")"
    // A look-around consumes nothing; a "\b" inside one keeps the full form.
    e.kind = lookAround ? Element::kOther : Element::kGroup;
    if (lookAround) e.alternatives.clear();
    return true;
  }

  void Quantifier(Element& e) {
    if (i_ >= p_.size()) return;
    const char16_t c = p_[i_];
    if (c == u'*' || c == u'?') {
      e.optional = true;
      ++i_;
    } else if (c == u'+') {
      ++i_;
    } else if (c == u'{') {
      size_t j = i_ + 1;
      size_t minimum = 0;
      bool digits = false;
      while (j < p_.size() && p_[j] >= u'0' && p_[j] <= u'9') {
        minimum = minimum * 10 + (p_[j++] - u'0');
        digits = true;
      }
      const size_t close = p_.find(u'}', j);
      if (!digits || close == std::u16string_view::npos) return;  // a literal "{"
      e.optional = minimum == 0;
      i_ = close + 1;
    } else {
      return;
    }
    if (i_ < p_.size() && p_[i_] == u'?') ++i_;  // lazy
  }

  std::u16string_view p_;
  size_t i_ = 0;
};

void Choose(std::u16string_view p, const std::vector<Sequence>& alternatives,
            std::map<size_t, std::u16string_view>& forms) {
  for (const Sequence& sequence : alternatives) {
    for (size_t k = 0; k < sequence.size(); ++k) {
      const Element& e = sequence[k];
      if (e.kind == Element::kGroup) Choose(p, e.alternatives, forms);
      if (e.kind != Element::kBoundary) continue;
      const bool negated = p[e.start + 1] == u'B';
      if (k + 1 < sequence.size() && StartsWithWord(sequence[k + 1], false))
        forms[e.start] = negated ? kWordBefore : kNoWordBefore;
      else if (k > 0 && StartsWithWord(sequence[k - 1], true))
        forms[e.start] = negated ? kWordAfter : kNoWordAfter;
      else
        forms[e.start] = negated ? kNotBoundary : kBoundary;
    }
  }
}

}  // namespace

std::u16string_view FullWordBoundary(bool negated) { return negated ? kNotBoundary : kBoundary; }

std::map<size_t, std::u16string_view> WordBoundaries(std::u16string_view ecmaPattern) {
  std::map<size_t, std::u16string_view> forms;
  Parser parser(ecmaPattern);
  std::vector<Sequence> top;
  if (parser.Alternatives(top) && parser.AtEnd()) Choose(ecmaPattern, top, forms);
  return forms;
}

}  // namespace vm
