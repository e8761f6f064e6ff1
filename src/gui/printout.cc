#include "gui/printout.h"

#include <algorithm>

#include "gui/view.h"
#include "shell/shell.h"

void ViewPrintout::OnPreparePrinting() {
  const int lines = shell_.shownLineCount();
  const int linesPerPage = kPageHeight / Shell::kLineHeight - 2;
  pageCount_ = std::max(1, (lines + linesPerPage - 1) / linesPerPage);
}

void ViewPrintout::GetPageInfo(int* minPage, int* maxPage, int* selFrom, int* selTo) {
  *minPage = 1;
  *maxPage = pageCount_;
  *selFrom = 1;
  *selTo = pageCount_;
}

bool ViewPrintout::OnPrintPage(int page) {
  wxDC* dc = GetDC();
  if (!dc) return false;
  const int linesPerPage = kPageHeight / Shell::kLineHeight - 2;
  const int top = (page - 1) * linesPerPage * Shell::kLineHeight + Shell::kLineHeight;
  FitThisSizeToPage(wxSize(1400, kPageHeight));
  // Page k shows its lines moved up to where the first line of the view stands.
  OffsetLogicalOrigin(0, -(top - Shell::kLineHeight));
  dc->SetFont(PedivarView::textFont());
  PedivarView::drawTexts(*dc, shell_.linesInArea(top, top + linesPerPage * Shell::kLineHeight));
  return true;
}
