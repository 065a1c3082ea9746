// What the verbose report of both tools holds besides the paths, which each
// tool lays out in its own order and columns (merge/, split/).
#ifndef MVWEAVE_CORE_VERBOSE_REPORT_H
#define MVWEAVE_CORE_VERBOSE_REPORT_H

#include <string>

#include "console.h"
#include "run_settings.h"

namespace mvweave {

// The six layout numbers, and the picture format when a configuration gave
// it, each label 13 characters wide.
inline void writeNumberLines(const RunSettings& settings, Console& console) {
  const auto line = [&console](const char* label, uint32_t value) {
    console.line(label + std::to_string(value));
  };
  line("* FirstFrm:  ", settings.firstFrm);
  line("* GOPLength: ", settings.gopLength);
  line("* NumGOP:    ", settings.numGop);
  line("* NumFrm:    ", settings.numFrm);
  line("* Width:     ", settings.width);
  line("* Height:    ", settings.height);
  if (!settings.pictureFormatGiven()) return;
  line("* Chroma:    ", settings.chromaFormat);
  line("* BitDepth:  ", settings.bitDepth);
}

}  // namespace mvweave

#endif
