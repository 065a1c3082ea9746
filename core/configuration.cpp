// What configuration files gave, besides the request: the paths with their
// lines, and the notes on what may not be meant.
#include "mvweave/configuration.h"

#include <utility>

namespace mvweave {

void Configuration::setSequencePath(ConfiguredPath path) {
  // The same path again (the same file named twice) replaces nothing.
  if (!sequence.file.empty() && path.path != sequence.path) {
    ++replacedCount;
    replacedInOneFile = replacedInOneFile && sequence.file == path.file;
    if (replacedPaths.size() < kReplacedNamed) replacedPaths.push_back(std::move(sequence));
  }
  request.sequence = path.path;
  sequence = std::move(path);
}

void Configuration::addCamera(ConfiguredPath path) {
  request.cameras.push_back(path.path);
  cameras.push_back(std::move(path));
}

Layout layoutOf(const Request& request) {
  const Layout defaults;
  return Layout{static_cast<uint32_t>(request.cameras.size()),
                request.gopLength.value_or(defaults.gopLength),
                request.numGop.value_or(defaults.numGop), request.numFrm.value_or(defaults.numFrm)};
}

namespace {

// mvunweave reads one Input and mvweave writes one Output: of several
// lines, the last counts. Several in one file are most likely a
// configuration meant for the other tool.
void noteReplacedPaths(const Configuration& configuration, InterleavedFile interleaved,
                       std::vector<Note>& notes) {
  const std::string key = interleaved == InterleavedFile::kRead ? "Input" : "Output";
  const ConfiguredPath& kept = configuration.sequence;
  std::string text =
      "only the last " + key + " line counts: " + kept.path + " (" + kept.origin() + "); dropped: ";
  for (size_t i = 0; i < configuration.replacedPaths.size(); ++i) {
    const ConfiguredPath& replaced = configuration.replacedPaths[i];
    text += (i > 0 ? ", " : "") + replaced.path + " (" + replaced.origin() + ")";
  }
  const uint64_t unnamed = configuration.replacedCount - configuration.replacedPaths.size();
  if (unnamed > 0) text += " and " + std::to_string(unnamed) + " more";
  notes.push_back({Note::Kind::kNote, {}, {}, 0, text});
  if (!configuration.replacedInOneFile) return;
  const char* other = interleaved == InterleavedFile::kRead ? "mvweave" : "mvunweave";
  notes.push_back({Note::Kind::kNote,
                   kept.file,
                   {},
                   0,
                   std::string("reads like a configuration for ") + other + ", which takes one " +
                       key + " line for each camera"});
}

}  // namespace

std::vector<Note> notesOn(const Configuration& configuration, InterleavedFile interleaved) {
  std::vector<Note> notes;
  for (const auto& [key, note] : configuration.numberNotes) notes.push_back(note);
  if (configuration.replacedCount > 0) noteReplacedPaths(configuration, interleaved, notes);
  return notes;
}

}  // namespace mvweave
