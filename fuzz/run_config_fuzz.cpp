// The run configuration file as a hostile file on disk: reading never
// crashes, a failed read changes nothing, and what reads well writes back
// to a document that reads to the same values.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "config/run_config_file.h"

namespace {

bool Same(const RunConfig& a, const RunConfig& b) {
  return a.Status == b.Status && a.JoinExp == b.JoinExp && a.SelectLang == b.SelectLang &&
         a.InstallPath == b.InstallPath && a.AgreeExtInstall == b.AgreeExtInstall &&
         a.TmpPackagePath == b.TmpPackagePath;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  RunConfig read;
  std::string error;
  if (!ReadRunConfigDocument(bytes, &read, &error)) {
    if (!Same(read, RunConfig())) abort();
    return 0;
  }
  IsResumeStatus(read.Status);
  RunConfig again;
  if (!ReadRunConfigDocument(RunConfigDocument(read), &again, &error) || !Same(read, again)) abort();
  return 0;
}
