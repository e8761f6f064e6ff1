// Loads arbitrary bytes as a workbook and converts its first sheet, as the Open command does.
//
//   build-fuzz/fuzz/workbook_fuzz -max_len=200000 -rss_limit_mb=2048 NEW_INPUTS_DIR SEED_DIR...
#include <cstddef>
#include <cstdint>
#include <vector>

#include "data/preview.h"
#include "data/trial_data.h"
#include "workbook/workbook_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  WorkbookFile workbook;
  workbook.loadBytes(std::vector<std::uint8_t>(data, data + size));
  if (workbook.sheetCount() == 0) return 0;
  TrialData trial;
  if (!buildTrialData(workbook.sheet(0), trial)) previewText(trial);
  return 0;
}
