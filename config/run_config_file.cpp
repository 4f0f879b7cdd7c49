#include "config/run_config_file.h"

#include <cerrno>
#include <cwchar>
#include <memory>

#include "config/xml_escape.h"
#include "config/xml_reader.h"
#include "system/text_convert.h"

namespace {

struct Field {
  const wchar_t* element;
  std::wstring RunConfig::*member;
};

// Document order of the elements.
constexpr Field kFields[] = {
    {L"Status", &RunConfig::Status},
    {L"JoinExp", &RunConfig::JoinExp},
    {L"SelectLang", &RunConfig::SelectLang},
    {L"InstallPath", &RunConfig::InstallPath},
    {L"AgreeExtInstall", &RunConfig::AgreeExtInstall},
    {L"TmpPackagePath", &RunConfig::TmpPackagePath},
};

}  // namespace

std::string RunConfigDocument(const RunConfig& config) {
  std::wstring text = L"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<config>\n";
  for (const Field& field : kFields) {
    text += L"  <" + std::wstring(field.element) + L">" + xml::EscapeText(config.*field.member) + L"</" +
            field.element + L">\n";
  }
  text += L"</config>\n";
  return WideToUtf8(text);
}

bool ReadRunConfigDocument(const std::string& bytes, RunConfig* config, std::string* error) {
  std::unique_ptr<xml::Element> root;
  if (!xml::Parse(Utf8ToWide(bytes), &root, error)) return false;
  if (root->name != L"config") {
    *error = "the root element is not config";
    return false;
  }
  for (const Field& field : kFields) {
    if (const xml::Element* child = root->Child(field.element)) config->*field.member = child->text;
  }
  return true;
}

bool IsResumeStatus(const std::wstring& status) {
  // The C library's decimal reading: leading blanks and a sign are taken,
  // the first character that is not a digit ends the number.
  wchar_t* end = nullptr;
  errno = 0;
  long long value = wcstoll(status.c_str(), &end, 10);
  return end != status.c_str() && errno != ERANGE && value == 1;
}
