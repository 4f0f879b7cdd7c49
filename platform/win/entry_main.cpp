// The Windows entry point of the GUI program: WinMain hands the ANSI command
// line tail to the program; its result becomes the process's exit code.
#include <windows.h>

#include "platform/command_line.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR lpCmdLine, int) { return KivMain(lpCmdLine ? lpCmdLine : ""); }
