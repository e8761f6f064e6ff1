// The data preview "tmp.txt": the model, the factor levels and every observation.
#pragma once

#include <string>

#include "data/trial_data.h"

inline constexpr const char* kPreviewFileName = "tmp.txt";

// The preview's bytes, CR LF line ends included.
std::string previewText(const TrialData& data);

// Writes the preview to `path`, replacing an older file. False when it cannot be written.
bool writePreviewFile(const TrialData& data, const std::string& path);
