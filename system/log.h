#pragma once
// The process-wide log call. Every layer logs through it; when no log file
// has been opened yet (or ever), the line is dropped and nothing else happens.
// The message carries its level tag itself ("[ERROR] ", "[WARN] ", "[INFO] ")
// and the caller passes the matching level: 1 error, 2 warning, 3 information.
#include <cstdarg>

void Log(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
void LogV(int level, const char* format, va_list args);
