// Printing the view: the lines of the shown file, page after page, in the view's font.
#pragma once

#include <wx/print.h>

class Shell;

class ViewPrintout : public wxPrintout {
 public:
  explicit ViewPrintout(Shell& shell) : wxPrintout("Pedivar"), shell_(shell) {}
  void OnPreparePrinting() override;
  bool HasPage(int page) override { return page >= 1 && page <= pageCount_; }
  void GetPageInfo(int* minPage, int* maxPage, int* selFrom, int* selTo) override;
  bool OnPrintPage(int page) override;

 private:
  static constexpr int kPageHeight = 1100;  // logical units of one page, 50 lines beside the margins
  Shell& shell_;
  int pageCount_ = 1;
};
