// printf-style formatting of short texts (labels, message positions) from integers.
#pragma once

#include <cstdio>
#include <string>

template <typename... Ints>
std::string formatted(const char* format, Ints... values) {
  char buf[96];
  std::snprintf(buf, sizeof buf, format, values...);
  return buf;
}
