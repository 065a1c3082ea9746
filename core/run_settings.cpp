// Paths, with where each came from.
#include "run_settings.h"

namespace mvweave {

void RunSettings::setSequencePath(std::string path, PathSource source) {
  // The same path again (the same file named twice) replaces nothing.
  if (!sequenceSource.file.empty() && path != sequencePath) {
    ReplacedPaths& replaced = replacedSequencePaths;
    ++replaced.count;
    if (replaced.first.size() < ReplacedPaths::kNamed) {
      replaced.first.emplace_back(std::move(sequencePath), sequenceSource);
    }
    replaced.fromOneFile = replaced.fromOneFile && sequenceSource.file == source.file;
  }
  sequencePath = std::move(path);
  sequenceSource = std::move(source);
}

void RunSettings::addCameraPath(std::string path, PathSource source) {
  cameraPaths.push_back(std::move(path));
  cameraSources.push_back(std::move(source));
}

}  // namespace mvweave
