// The scratch fixture on Windows: the scratch folder lies in the user's
// temporary folder; test programs are found beside the test executable.
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include "platform/environment.h"
#include "platform/files.h"
#include "platform/testing/scratch_fixture.h"

namespace platform::testing {

void ScratchTest::EnterMachine() {}
void ScratchTest::LeaveMachine() {}

bool ScratchTest::UnderWine() {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

std::wstring ScratchTest::ScratchParent() const {
  std::wstring temp;
  EXPECT_GT(GetTempPathValue(MAX_PATH, &temp), 0u);
  return temp + L"KivScratch\\";
}

std::wstring TestProgramIn(const std::string& buildFolder, const std::string& name, const std::wstring& /*scratch*/) {
  std::wstring file = std::wstring(name.begin(), name.end()) + L".exe";
  wchar_t self[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring beside(self, length);
  beside = beside.substr(0, beside.find_last_of(L'\\') + 1) + file;
  if (FileExists(beside)) return beside;
  // The build folder as the build machine names it; under Wine a POSIX
  // path reads through the drive that maps the root ("Z:").
  std::wstring folder(buildFolder.begin(), buildFolder.end());
  for (auto& c : folder) c = c == L'/' ? L'\\' : c;
  if (!folder.empty() && folder[0] == L'\\') folder = L"Z:" + folder;
  EXPECT_TRUE(FileExists(folder + L"\\" + file)) << "test program " << name << " not found";
  return folder + L"\\" + file;
}

std::wstring ScratchTest::ProgramSidePath(const std::wstring& windowsPath) const { return windowsPath; }

}  // namespace platform::testing
