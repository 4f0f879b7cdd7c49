/* Runs a Windows program under Wine for the tests and hands back its exit
 * code in a form Wine can pass on. Wine's own exit status keeps only the low
 * 8 bits of the Windows exit code, so a crash (0xC0000005) or a code like 256
 * could read as success; this launcher turns every such code into 255 after
 * printing it. Usage (scripts/win-run.sh does this): wine launcher.exe PROGRAM ARGS */
#include <windows.h>
#include <stdio.h>

/* The command line after the launcher's own name, quoted as it was given. */
static wchar_t* ChildCommandLine(void) {
  wchar_t* p = GetCommandLineW();
  if (*p == L'"') {
    for (++p; *p && *p != L'"'; ++p) {
    }
    if (*p) ++p;
  } else {
    while (*p && *p != L' ' && *p != L'\t') ++p;
  }
  while (*p == L' ' || *p == L'\t') ++p;
  return p;
}

int main(void) {
  wchar_t* command = ChildCommandLine();
  STARTUPINFOW si = {sizeof si};
  PROCESS_INFORMATION pi;
  if (!*command || !CreateProcessW(NULL, command, NULL, NULL, TRUE, 0, NULL, NULL, &si, &pi)) {
    fprintf(stderr, "win-run: cannot start %ls (error %lu)\n", command, GetLastError());
    return 255;
  }
  DWORD code = 255;
  WaitForSingleObject(pi.hProcess, INFINITE);
  GetExitCodeProcess(pi.hProcess, &code);
  if (code > 255) {
    fprintf(stderr, "win-run: exit code 0x%08lX\n", code);
    code = 255;
  }
  return (int)code;
}
