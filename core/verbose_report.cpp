// The number lines of the verbose report.
#include "verbose_report.h"

#include <string>

namespace mvweave {

void writeNumberLines(const RunSettings& settings, Console& console) {
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
