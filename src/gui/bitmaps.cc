#include "gui/bitmaps.h"

#include <wx/dcmemory.h>

#include "shell/resources.h"

namespace {

const wxColour kInk(0, 0, 0);
const wxColour kFolder(230, 190, 60);
const wxColour kDisk(40, 70, 160);
const wxColour kPaper(250, 250, 250);
const wxColour kQuestion(0, 110, 200);

void drawOpen(wxDC& dc) {
  dc.SetPen(wxPen(kInk));
  dc.SetBrush(wxBrush(kFolder));
  dc.DrawRectangle(1, 4, 11, 9);
  dc.DrawRectangle(1, 3, 5, 2);
  wxPoint flap[] = {{3, 7}, {15, 7}, {12, 13}, {1, 13}};
  dc.DrawPolygon(4, flap);
}

void drawSave(wxDC& dc) {
  dc.SetPen(wxPen(kInk));
  dc.SetBrush(wxBrush(kDisk));
  dc.DrawRectangle(1, 1, 14, 13);
  dc.SetBrush(wxBrush(kPaper));
  dc.DrawRectangle(4, 1, 8, 5);
  dc.DrawRectangle(4, 9, 8, 5);
}

void drawAbout(wxDC& dc) {
  dc.SetPen(wxPen(kQuestion, 2));
  dc.SetBrush(*wxTRANSPARENT_BRUSH);
  dc.DrawArc(11, 5, 5, 5, 8, 5);
  dc.DrawLine(8, 8, 8, 10);
  dc.SetPen(wxPen(kQuestion));
  dc.SetBrush(wxBrush(kQuestion));
  dc.DrawRectangle(7, 12, 2, 2);
}

}  // namespace

wxBitmap toolbarBitmap(int command) {
  wxBitmap bitmap(16, 15);
  wxMemoryDC dc(bitmap);
  dc.SetBackground(wxBrush(wxColour(192, 192, 192)));
  dc.Clear();
  if (command == command::kOpen) drawOpen(dc);
  if (command == command::kSave) drawSave(dc);
  if (command == command::kAbout) drawAbout(dc);
  dc.SelectObject(wxNullBitmap);
  wxImage image = bitmap.ConvertToImage();
  image.SetMaskColour(192, 192, 192);
  return wxBitmap(image);
}

// Two parents above their progeny: the program's subject in three dots and two lines.
wxBitmap programIcon(int size) {
  wxBitmap bitmap(size, size);
  wxMemoryDC dc(bitmap);
  dc.SetBackground(*wxWHITE_BRUSH);
  dc.Clear();
  const int r = size / 7;
  dc.SetPen(wxPen(kInk, 1));
  dc.DrawLine(size / 4, size / 4, size / 2, size * 3 / 4);
  dc.DrawLine(size * 3 / 4, size / 4, size / 2, size * 3 / 4);
  dc.SetBrush(wxBrush(kDisk));
  dc.DrawCircle(size / 4, size / 4, r);
  dc.SetBrush(wxBrush(wxColour(200, 40, 90)));
  dc.DrawCircle(size * 3 / 4, size / 4, r);
  dc.SetBrush(wxBrush(wxColour(60, 150, 60)));
  dc.DrawCircle(size / 2, size * 3 / 4, r);
  dc.SelectObject(wxNullBitmap);
  return bitmap;
}
