# cmake -DOBJDUMP=<objdump> -DEXE=<program.exe> -P KivImportCheck.cmake
# Fails when the program imports a DLL that is not part of Windows itself (a
# compiler runtime or a dependency that was linked dynamically by mistake).
cmake_minimum_required(VERSION 3.25)
set(system_dlls
  advapi32 bcrypt comctl32 comdlg32 crypt32 dbghelp dnsapi gdi32 gdiplus imm32
  iphlpapi kernel32 mpr msimg32 msvcrt netapi32 normaliz ntdll ole32 oleaut32
  psapi rpcrt4 rstrtmgr secur32 setupapi shell32 shlwapi urlmon user32 userenv
  uxtheme version windowscodecs winhttp wininet winmm winspool wintrust wldap32
  ws2_32 wtsapi32)

execute_process(COMMAND ${OBJDUMP} -p ${EXE} OUTPUT_VARIABLE dump RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${OBJDUMP} -p ${EXE} failed (${rc})")
endif()
string(REGEX MATCHALL "DLL Name: [^\r\n]+" lines "${dump}")
if(NOT lines)
  message(FATAL_ERROR "no imported DLL found in ${EXE}: not a Windows program?")
endif()
set(foreign "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^DLL Name: " "" dll "${line}")
  string(TOLOWER "${dll}" dll)
  string(REGEX REPLACE "\\.dll$" "" name "${dll}")
  if(name IN_LIST system_dlls)
    message(STATUS "imports ${dll}")
  else()
    list(APPEND foreign ${dll})
  endif()
endforeach()
if(foreign)
  message(FATAL_ERROR "${EXE} imports DLLs that Windows does not ship: ${foreign}")
endif()
