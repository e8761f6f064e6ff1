#include "workbook/workbook_file.h"

// Placeholder until the compound document and record readers exist: no workbook loads.
bool WorkbookFile::load(const std::string&) {
  sheets_.clear();
  return false;
}
