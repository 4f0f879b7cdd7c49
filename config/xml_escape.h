#pragma once
// Escaping text for the XML documents the installer writes itself.
#include <string>

namespace xml {

// Character data that reads back (with xml::Parse) to exactly `text`: the
// markup characters as named entities, control characters as numeric
// references (line ends included, so no reader can normalise them), and a
// text of white space only entirely as references, so it is not taken for
// indentation. NUL characters, which no XML document can hold, are dropped.
std::wstring EscapeText(const std::wstring& text);

}  // namespace xml
