#pragma once
// The run configuration file's document: the six values of RunConfig as
// UTF-8 XML, so that a later start of the installer resumes this run.
#include <string>

#include "config/run_config.h"

// The whole file: the XML declaration, a line break, and the root `config`
// with Status, JoinExp, SelectLang, InstallPath, AgreeExtInstall and
// TmpPackagePath in this order. UTF-8 without byte-order mark.
std::string RunConfigDocument(const RunConfig& config);

// Reads a file's bytes: when they are a well-formed document with the root
// `config`, each of the six children that is present replaces its field
// (in any order; a missing child leaves the field as it was) and the result
// is true. Otherwise nothing changes and *error says why.
bool ReadRunConfigDocument(const std::string& bytes, RunConfig* config, std::string* error);

// The resume flag: the decimal value of Status is 1 ("1", "01", "1 ");
// empty, non-numeric or out-of-range texts give false.
bool IsResumeStatus(const std::wstring& status);
