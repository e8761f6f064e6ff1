// The About box: icon, name and version, notice and contact.
#pragma once

#include <wx/dialog.h>

class AboutDialog : public wxDialog {
 public:
  explicit AboutDialog(wxWindow* parent);
};
