#pragma once
// A small non-validating XML reader for the installer's own documents
// (product configuration, run configuration, language table, server
// answers): elements, attributes, character data, CDATA sections, the
// predefined and numeric entities. Declarations, comments, processing
// instructions and a DOCTYPE without internal subset are skipped.
#include <memory>
#include <string>
#include <vector>

namespace xml {

struct Element {
  std::wstring name;
  std::vector<std::pair<std::wstring, std::wstring>> attributes;
  // Character data and CDATA of this element's own children, in document
  // order; runs of plain character data that are only white space are left
  // out, so indentation around a CDATA section does not count (white space
  // written as character references, "&#32;", is kept).
  std::wstring text;
  std::vector<std::unique_ptr<Element>> children;

  // The first child element of that name, or nullptr.
  const Element* Child(const std::wstring& childName) const;
  // Text of the first child of that name; `fallback` when there is no such child.
  std::wstring ChildText(const std::wstring& childName, const std::wstring& fallback = L"") const;
  std::wstring Attribute(const std::wstring& attributeName) const;
};

// Nesting deeper than this is refused, so hostile input can not exhaust the stack.
inline constexpr int kMaxDepth = 64;

// Parses a whole document. False, with a short reason in `error`, when the
// text is not a single well-formed root element.
bool Parse(const std::wstring& text, std::unique_ptr<Element>* root, std::string* error);

}  // namespace xml
