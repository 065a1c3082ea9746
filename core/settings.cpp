// The sequence's path, with the paths it replaced, and the layout.
#include "mvweave/settings.h"

#include <utility>

namespace mvweave {

void RunSettings::setSequencePath(ConfiguredPath path) {
  // The same path again (the same file named twice) replaces nothing.
  if (!sequencePath.file.empty() && path.path != sequencePath.path) {
    ++replacedCount;
    replacedInOneFile = replacedInOneFile && sequencePath.file == path.file;
    if (replacedPaths.size() < kReplacedNamed) replacedPaths.push_back(std::move(sequencePath));
  }
  sequencePath = std::move(path);
}

Layout layoutOf(const RunSettings& settings) {
  return Layout{static_cast<uint32_t>(settings.cameraPaths.size()), settings.gopLength,
                settings.numGop, settings.numFrm};
}

}  // namespace mvweave
