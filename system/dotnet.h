#pragma once
// The installed .NET Framework versions, as recorded in the registry.
#include <string>

// A .NET 2.0 policy key exists and the framework's InstallRoot is set.
bool HasDotNet2Policy();
// Whether an installed framework satisfies `required` ("major.minor", further
// parts ignored; majors 2, 3 and 4). A 3.x installation satisfies a 2.x
// requirement; a 4.x installation satisfies only 4.x requirements.
bool IsDotNetVersionInstalled(const std::wstring& required);
