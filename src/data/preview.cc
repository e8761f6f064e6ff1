#include "data/preview.h"

// Placeholder: the preview layout is not written yet.
std::string previewText(const TrialData&) { return {}; }
bool writePreviewFile(const TrialData&, const std::string&) { return false; }
