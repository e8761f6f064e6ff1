#include "gui/about_dialog.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>

#include "gui/bitmaps.h"
#include "shell/resources.h"

AboutDialog::AboutDialog(wxWindow* parent) : wxDialog(parent, wxID_ANY, text::kAboutCaption) {
  auto* texts = new wxBoxSizer(wxVERTICAL);
  for (const char* line : {text::kAboutVersion, text::kAboutNotice1, text::kAboutNotice2, text::kAboutContact})
    texts->Add(new wxStaticText(this, wxID_ANY, line), 0, wxBOTTOM, 4);
  auto* top = new wxBoxSizer(wxHORIZONTAL);
  top->Add(new wxStaticBitmap(this, wxID_ANY, programIcon(32)), 0, wxALL, 12);
  top->Add(texts, 1, wxTOP | wxRIGHT, 12);
  auto* ok = new wxButton(this, wxID_OK, text::kAboutOk);
  ok->SetDefault();
  auto* all = new wxBoxSizer(wxVERTICAL);
  all->Add(top, 1, wxEXPAND);
  all->Add(ok, 0, wxALIGN_CENTER | wxALL, 10);
  SetSizerAndFit(all);
  CentreOnParent();
}
