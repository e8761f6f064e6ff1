// The scrolling view: draws what the shell's paint plan says, in a 20-pixel fixed-width font.
#pragma once

#include <wx/scrolwin.h>

#include <vector>

#include "shell/progress_display.h"

class Shell;

class PedivarView : public wxScrolledWindow {
 public:
  explicit PedivarView(wxWindow* parent);
  void attach(Shell* shell) { shell_ = shell; }
  void setScrollSizes(int width, int height);

  // Draws the view's content for the given logical area into any device context (the window,
  // a bitmap for a screenshot, a printed page).
  // `origin` is the logical point at the client area's top left corner.
  void render(wxDC& dc, const wxRect& logicalArea, const wxSize& client, const wxPoint& origin = wxPoint(0, 0));
  static void drawTexts(wxDC& dc, const std::vector<DrawnText>& texts);
  static wxFont textFont();

 private:
  void onPaint(wxPaintEvent& event);
  Shell* shell_ = nullptr;
};
