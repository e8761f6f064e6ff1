#include "gui/view.h"

#include <wx/dcbuffer.h>
#include <wx/dcclient.h>

#include "gui/wx_text.h"
#include "shell/shell.h"

PedivarView::PedivarView(wxWindow* parent)
    : wxScrolledWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxHSCROLL | wxVSCROLL) {
  SetBackgroundColour(*wxWHITE);
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  // One scroll unit is one pixel horizontally and one text line vertically.
  SetScrollRate(10, Shell::kLineHeight);
  Bind(wxEVT_PAINT, &PedivarView::onPaint, this);
}

void PedivarView::setScrollSizes(int width, int height) { SetVirtualSize(width, height); }

wxFont PedivarView::textFont() {
  return wxFont(wxFontInfo(wxSize(0, 20)).Family(wxFONTFAMILY_MODERN).FaceName("Courier New"));
}

void PedivarView::drawTexts(wxDC& dc, const std::vector<DrawnText>& texts) {
  for (const DrawnText& item : texts) {
    dc.SetTextForeground(item.magenta ? wxColour(255, 0, 255) : *wxBLACK);
    dc.DrawText(toWx(item.text), item.x, item.y);
  }
  dc.SetTextForeground(*wxBLACK);
}

void PedivarView::render(wxDC& dc, const wxRect& logicalArea, const wxSize& client, const wxPoint& origin) {
  dc.SetBackground(*wxWHITE_BRUSH);
  dc.SetFont(textFont());
  if (!shell_) return;
  PaintRequest request{client.GetWidth(), client.GetHeight(), logicalArea.GetTop(), logicalArea.GetBottom() + 1,
                       origin.x, origin.y};
  drawTexts(dc, shell_->paint(request));
}

void PedivarView::onPaint(wxPaintEvent&) {
  wxAutoBufferedPaintDC dc(this);
  DoPrepareDC(dc);
  dc.SetBackground(*wxWHITE_BRUSH);
  dc.Clear();
  wxRect box = GetUpdateRegion().GetBox();
  wxPoint topLeft = CalcUnscrolledPosition(box.GetTopLeft());
  render(dc, wxRect(topLeft, box.GetSize()), GetClientSize(), CalcUnscrolledPosition(wxPoint(0, 0)));
}
