// Where the running program lives: the manual is looked for beside it.
#pragma once

#include <string>

// The directory of the running executable, without a trailing separator ("" when unknown).
std::string executableDirectory();

// The directory part of a path, ending in the separator ("" for a bare file name).
std::string directoryWithSeparator(const std::string& path);
// The file name part of a path.
std::string fileNameOf(const std::string& path);
