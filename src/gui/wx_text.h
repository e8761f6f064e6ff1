// Converting the program's 8-bit texts for the toolkit.
#pragma once

#include <wx/string.h>

#include <string>

// UTF-8 when the bytes are valid UTF-8, otherwise each byte as one Latin-1 character.
wxString toWx(const std::string& bytes);
std::string fromWx(const wxString& text);
