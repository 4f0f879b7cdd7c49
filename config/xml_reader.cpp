#include "config/xml_reader.h"

#include <cwchar>
#include <cwctype>

namespace xml {
namespace {

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

bool IsNameChar(wchar_t c) {
  return iswalnum(static_cast<wint_t>(c)) || c == L'_' || c == L'-' || c == L'.' || c == L':' || c > 0x7F;
}

bool AllSpace(const std::wstring& text) {
  for (wchar_t c : text) {
    if (!IsSpace(c)) return false;
  }
  return true;
}

class Parser {
 public:
  explicit Parser(const std::wstring& text) : s_(text) {}

  bool Document(std::unique_ptr<Element>* root, std::string* error) {
    if (s_.compare(0, 1, L"\xFEFF") == 0) pos_ = 1;
    if (!SkipMisc() || !Peek(L"<")) return Fail("no root element", error);
    auto element = std::make_unique<Element>();
    if (!ParseElement(element.get(), 1)) return Fail(error_, error);
    if (!SkipMisc() || pos_ != s_.size()) return Fail("content after the root element", error);
    *root = std::move(element);
    return true;
  }

 private:
  const std::wstring& s_;
  size_t pos_ = 0;
  std::string error_;

  static bool Fail(const std::string& why, std::string* error) {
    if (error) *error = why;
    return false;
  }
  bool Set(const char* why) {
    error_ = why;
    return false;
  }
  bool Peek(const wchar_t* literal) const { return s_.compare(pos_, wcslen(literal), literal) == 0; }
  bool SkipPast(const wchar_t* terminator) {
    size_t end = s_.find(terminator, pos_);
    if (end == std::wstring::npos) return false;
    pos_ = end + wcslen(terminator);
    return true;
  }
  void SkipSpace() {
    while (pos_ < s_.size() && IsSpace(s_[pos_])) ++pos_;
  }

  // White space, comments, processing instructions and a DOCTYPE outside the root.
  bool SkipMisc() {
    for (;;) {
      SkipSpace();
      if (Peek(L"<?")) {
        if (!SkipPast(L"?>")) return false;
      } else if (Peek(L"<!--")) {
        if (!SkipPast(L"-->")) return false;
      } else if (Peek(L"<!DOCTYPE")) {
        size_t end = s_.find_first_of(L"[>", pos_);
        if (end == std::wstring::npos || s_[end] == L'[') return false;  // no internal subsets
        pos_ = end + 1;
      } else {
        return true;
      }
    }
  }

  bool Name(std::wstring* name) {
    size_t start = pos_;
    while (pos_ < s_.size() && IsNameChar(s_[pos_])) ++pos_;
    if (pos_ == start) return Set("a name was expected");
    *name = s_.substr(start, pos_ - start);
    return true;
  }

  // Replaces the entity at pos_ ('&'); unknown entities are malformed.
  bool Entity(std::wstring* out) {
    size_t end = s_.find(L';', pos_);
    if (end == std::wstring::npos || end - pos_ > 12) return Set("unterminated entity");
    std::wstring name = s_.substr(pos_ + 1, end - pos_ - 1);
    pos_ = end + 1;
    static const std::pair<const wchar_t*, wchar_t> kNamed[] = {
        {L"lt", L'<'}, {L"gt", L'>'}, {L"amp", L'&'}, {L"quot", L'"'}, {L"apos", L'\''}};
    for (const auto& [entity, c] : kNamed) {
      if (name == entity) {
        *out += c;
        return true;
      }
    }
    if (name.size() < 2 || name[0] != L'#') return Set("unknown entity");
    bool hex = name[1] == L'x';
    unsigned long code = 0;
    for (size_t i = hex ? 2 : 1; i < name.size(); ++i) {
      wchar_t c = name[i];
      int digit = iswdigit(c) ? c - L'0' : (hex && iswxdigit(c)) ? (towlower(c) - L'a' + 10) : -1;
      if (digit < 0 || code > 0x10FFFF) return Set("bad character reference");
      code = code * (hex ? 16 : 10) + digit;
    }
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return Set("bad character reference");
    if constexpr (sizeof(wchar_t) == 2) {
      if (code > 0xFFFF) {
        code -= 0x10000;
        *out += static_cast<wchar_t>(0xD800 + (code >> 10));
        *out += static_cast<wchar_t>(0xDC00 + (code & 0x3FF));
        return true;
      }
    }
    *out += static_cast<wchar_t>(code);
    return true;
  }

  bool Attributes(Element* element, bool* selfClosing) {
    for (;;) {
      SkipSpace();
      if (Peek(L"/>")) {
        pos_ += 2;
        *selfClosing = true;
        return true;
      }
      if (Peek(L">")) {
        ++pos_;
        return true;
      }
      std::wstring name, value;
      if (!Name(&name)) return false;
      SkipSpace();
      if (!Peek(L"=")) return Set("attribute without value");
      ++pos_;
      SkipSpace();
      if (pos_ >= s_.size() || (s_[pos_] != L'"' && s_[pos_] != L'\'')) return Set("unquoted attribute");
      wchar_t quote = s_[pos_++];
      while (pos_ < s_.size() && s_[pos_] != quote) {
        if (s_[pos_] == L'<') return Set("'<' in attribute");
        if (s_[pos_] == L'&') {
          if (!Entity(&value)) return false;
        } else {
          value += s_[pos_++];
        }
      }
      if (pos_ >= s_.size()) return Set("unterminated attribute");
      ++pos_;
      element->attributes.emplace_back(std::move(name), std::move(value));
    }
  }

  bool ParseElement(Element* element, int depth) {
    if (depth > kMaxDepth) return Set("nesting too deep");
    ++pos_;  // '<'
    if (!Name(&element->name)) return false;
    bool selfClosing = false;
    if (!Attributes(element, &selfClosing)) return false;
    if (selfClosing) return true;
    std::wstring run;         // pending character data
    bool referenced = false;  // the run holds an entity, so its white space was meant
    auto flush = [&]() {
      if (referenced || !AllSpace(run)) element->text += run;
      run.clear();
      referenced = false;
    };
    while (pos_ < s_.size()) {
      wchar_t c = s_[pos_];
      if (c == L'&') {
        if (!Entity(&run)) return false;
        referenced = true;
      } else if (c != L'<') {
        run += c;
        ++pos_;
      } else if (Peek(L"</")) {
        flush();
        pos_ += 2;
        std::wstring closing;
        if (!Name(&closing)) return false;
        SkipSpace();
        if (closing != element->name || !Peek(L">")) return Set("mismatched end tag");
        ++pos_;
        return true;
      } else if (Peek(L"<![CDATA[")) {
        flush();
        size_t end = s_.find(L"]]>", pos_ + 9);
        if (end == std::wstring::npos) return Set("unterminated CDATA section");
        element->text += s_.substr(pos_ + 9, end - pos_ - 9);
        pos_ = end + 3;
      } else if (Peek(L"<!--")) {
        if (!SkipPast(L"-->")) return Set("unterminated comment");
      } else if (Peek(L"<?")) {
        if (!SkipPast(L"?>")) return Set("unterminated processing instruction");
      } else {
        flush();
        auto child = std::make_unique<Element>();
        if (!ParseElement(child.get(), depth + 1)) return false;
        element->children.push_back(std::move(child));
      }
    }
    return Set("unterminated element");
  }
};

}  // namespace

const Element* Element::Child(const std::wstring& childName) const {
  for (const auto& child : children) {
    if (child->name == childName) return child.get();
  }
  return nullptr;
}

std::wstring Element::ChildText(const std::wstring& childName, const std::wstring& fallback) const {
  const Element* child = Child(childName);
  return child ? child->text : fallback;
}

std::wstring Element::Attribute(const std::wstring& attributeName) const {
  for (const auto& [name, value] : attributes) {
    if (name == attributeName) return value;
  }
  return L"";
}

bool Parse(const std::wstring& text, std::unique_ptr<Element>* root, std::string* error) {
  Parser parser(text);
  return parser.Document(root, error);
}

}  // namespace xml
