#include "gui/wx_text.h"

#include <wx/strconv.h>

wxString toWx(const std::string& bytes) {
  wxString utf8 = wxString::FromUTF8(bytes.data(), bytes.size());
  if (!utf8.empty() || bytes.empty()) return utf8;
  return wxString(bytes.data(), wxConvISO8859_1, bytes.size());
}

std::string fromWx(const wxString& text) {
  const wxScopedCharBuffer utf8 = text.utf8_str();
  return std::string(utf8.data(), utf8.length());
}
