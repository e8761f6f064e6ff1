// Formatting and parsing of numbers independent of the process's locale.
#pragma once

#include <locale.h>

// Switches the calling thread to the C locale for its lifetime, so printf-style formatting writes
// "12.5000" even when the desktop has switched the process to a decimal-comma locale.
class ScopedCLocale {
 public:
  ScopedCLocale() : c_(newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0))) {
    if (c_) previous_ = uselocale(c_);
  }
  ~ScopedCLocale() {
    if (c_) {
      uselocale(previous_);
      freelocale(c_);
    }
  }
  ScopedCLocale(const ScopedCLocale&) = delete;
  ScopedCLocale& operator=(const ScopedCLocale&) = delete;

 private:
  locale_t c_;
  locale_t previous_ = static_cast<locale_t>(0);
};
