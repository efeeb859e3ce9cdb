#pragma once
// The running process: its environment, its executable, its command-line conventions.

#include <string>

namespace vemra {

// The variable's value; the empty text when it is not set.
std::string GetEnv(const char* name);
// An empty value removes the variable.
void SetEnv(const char* name, const std::string& value);

// Full path of the running executable (empty when the system cannot tell).
std::string ExecutablePath();
// Its file name without folder and extension ("VEMRA" for C:\x\VEMRA.exe).
std::string ExecutableBaseName();

// The characters that introduce an option on this system's command lines: Windows takes '-'
// and '/', elsewhere '/' begins every absolute path, so only '-' does.
bool IsOptionPrefix(char c);

}  // namespace vemra
