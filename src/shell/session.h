// The process-wide values of one program session, kept together in one place.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "data/trial_data.h"
#include "shell/handoff.h"

struct Session {
  TrialData trial;                 // the loaded data set; ModelKind None until the first Open
  std::string dataDirectory;       // the opened workbook's directory, ending in the separator
  std::string workbookFileName;    // the opened workbook's file name
  std::string programDirectory;    // the executable's directory, without trailing separator
  std::string dialogDirectory;     // initial directory of the Open and Save As dialogs
  std::string reportPath;          // the report written by the last analysis
  std::atomic<std::int64_t> analysisStartTime{0};
  HandOff handoff;
};
