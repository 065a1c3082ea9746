// mvweave's report lists the cameras first, every label 13 characters wide;
// mvunweave's lists the sequence first and the cameras last, with labels
// 12, 13 and 14 characters wide.
#include "verbose_report.h"

#include <string>

namespace mvweave {

namespace {

// The layout numbers, and the picture format when a configuration gave it.
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

}  // namespace

void writeVerboseReport(const RunSettings& settings, InterleavedFile interleaved,
                        Console& console) {
  if (interleaved == InterleavedFile::kWritten) {
    for (const ConfiguredPath& camera : settings.cameraPaths) {
      console.line("* Input:     " + camera.path);
    }
    console.line("* Output:    " + settings.sequencePath.path);
    writeNumberLines(settings, console);
    return;
  }
  console.line("* Input:    " + settings.sequencePath.path);
  writeNumberLines(settings, console);
  for (const ConfiguredPath& camera : settings.cameraPaths) {
    console.line("* Output:     " + camera.path);
  }
}

}  // namespace mvweave
