// The process entry: command line, log, administrator check, product and
// run configuration, language table, single instance, then (once it exists) the main window.
#include "shell/startup.h"

#include <cerrno>
#include <cstdio>
#include <cwchar>
#include <memory>

#include "config/lang_table.h"
#include "manager/kiv_mgr.h"
#include "platform/com.h"
#include "platform/command_line.h"
#include "platform/dialogs.h"
#include "platform/security.h"
#include "platform/semaphore.h"
#include "platform/windowing.h"
#include "shell/command_line_table.h"
#include "shell/log_folder.h"
#include "system/log.h"
#include "system/simple_log.h"
#include "system/text_convert.h"

namespace {

constexpr const wchar_t* kMainWindowClass = L"KIV";
constexpr const char* kNotAdmin = "You must be logged in as administrator when installing this program.";

void ShowError(bool forkMode, const std::wstring& text) {
  if (!forkMode) platform::ShowMessageBox(0, text, L"Error", platform::kMbOk | platform::kMbIconError);
}

void TakeForkValues(const CommandLineTable& args, KivMgr& mgr) {
  mgr.SetSelectLang(ValueOf(args, L"HostLang"));
  mgr.hostVersion = ValueOf(args, L"HostVersion");
  std::wstring hwnd = ValueOf(args, L"HostHwnd");
  if (hwnd.empty()) return;
  int32_t handle = 0;
  if (!ParseHostHwnd(hwnd, &handle)) {
    Log(2, "[WARN] host hwnd=[%s] is not a window handle, ignored.", WideToAnsi(hwnd).c_str());
    return;
  }
  Log(3, "[INFO] set host hwnd=[%x].", static_cast<unsigned>(handle));
  mgr.hostHwnd = handle;
}

void PrintDecisions(const KivMgr& mgr, const LangTable& langTable, const std::wstring& semaphoreName) {
  printf("log file:        %s\n", TheLogger() ? TheLogger()->CurrentFileName().c_str() : "(none)");
  printf("mode:            %s\n", mgr.forkMode ? "fork" : "normal");
  printf("product:         %s (id %s, brand %s)\n", WideToUtf8(mgr.productConfig.ProductName).c_str(),
         WideToUtf8(mgr.productConfig.ProductID).c_str(), WideToUtf8(mgr.productConfig.ProductBrand).c_str());
  printf("save folder:     %s\n", WideToUtf8(mgr.saveFolder).c_str());
  printf("run config file: %s (%s)\n", WideToUtf8(mgr.runConfigPath).c_str(),
         mgr.resumeFlag ? "resuming an unfinished run" : "no unfinished run");
  printf("install base:    %s\n", WideToUtf8(mgr.defaultInstallBase).c_str());
  printf("language:        %s (code %s; %zu texts, e.g. %s)\n", WideToUtf8(langTable.CurrentLanguage()).c_str(),
         WideToUtf8(langTable.CodeOfLanguage(langTable.CurrentLanguage())).c_str(), langTable.Texts().size(),
         WideToUtf8(langTable.GetText(L"Btn_Install")).c_str());
  printf("single instance: %s held\n", WideToUtf8(semaphoreName).c_str());
  printf("The main window is not built yet: the start-up stops after the single-instance step.\n");
  fflush(stdout);
}

}  // namespace

std::wstring SingleInstanceName(const std::wstring& productName, bool forkMode) {
  return productName + L"_kiv" + (forkMode ? L"_fork" : L"");
}

bool ParseHostHwnd(const std::wstring& text, int32_t* handle) {
  if (text.empty() || text.size() > 11) return false;
  size_t digits = (text[0] == L'-' || text[0] == L'+') ? 1 : 0;
  if (digits == text.size()) return false;
  for (size_t i = digits; i < text.size(); ++i) {
    if (text[i] < L'0' || text[i] > L'9') return false;
  }
  long long value = wcstoll(text.c_str(), nullptr, 10);
  if (value < INT32_MIN || value > INT32_MAX) return false;
  *handle = static_cast<int32_t>(value);
  return true;
}

void ActivateExistingWindow(const std::wstring& title) {
  platform::WindowHandle window = platform::FindTopLevelWindow(kMainWindowClass, title);
  if (!window) return;
  platform::ShowWindowAs(window, platform::IsWindowMinimized(window) ? platform::kSwRestore : platform::kSwShow);
  platform::SetForegroundWindowTo(platform::GetLastActivePopupOf(window));
}

int KivMain(const std::string& ansiCommandLine) {
  CommandLineTable args = ParseCommandLine(ansiCommandLine);
  const bool forkMode = ValueOf(args, L"OnlyForkInstallDependent") == L"1";
  GetLogFolder(forkMode ? kForkLogFileName : kLogFileName);
  Log(3, "[INFO] start, fork=[%d].", forkMode ? 1 : 0);

  if (platform::CheckAdministratorsMembership() != platform::AdminMembership::kMember) {
    Log(1, "[ERROR] %s", kNotAdmin);
    ShowError(forkMode, Utf8ToWide(kNotAdmin));
    return kStartFailed;
  }
  KivMgr& mgr = TheKivMgr();
  mgr.forkMode = forkMode;
  if (!mgr.LoadLocalXml()) {
    Log(1, "[ERROR] LoadLocalXml failed!");
    ShowError(forkMode, L"Load product xml error.");
    return kStartFailed;
  }
  mgr.ReadRunConfig();
  if (forkMode) TakeForkValues(args, mgr);
  // The entry keeps the texts for the whole run; the window will borrow them.
  auto langTable = std::make_unique<LangTable>();
  if (!langTable->loadLangXML(mgr.productConfig.ProductBrand)) {
    Log(1, "[ERROR] loadLangXML failed!");
    ShowError(forkMode, L"Load lang xml error.");
    return kStartFailed;
  }

  const std::wstring semaphoreName = SingleInstanceName(mgr.productConfig.ProductName, forkMode);
  bool existed = false;
  std::unique_ptr<platform::NamedSemaphore> instance =
      platform::CreateNamedSemaphore(semaphoreName, 1, 1, &existed);
  if (existed) {
    Log(2, "[WARN] Already exist PreInstance.");
    if (!forkMode) ActivateExistingWindow(mgr.productConfig.ProductName);
    return kStartFailed;
  }
  uint32_t comError = 0;
  if (!platform::InitializeComApartment(&comError)) {
    Log(1, "[ERROR] CoInitialize failed! err=[%d]", static_cast<int>(comError));
    return kStartFailed;
  }
  PrintDecisions(mgr, *langTable, semaphoreName);
  platform::UninitializeCom();
  instance.reset();
  Log(3, "[INFO] exit!");
  return 0;
}
