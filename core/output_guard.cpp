// Refusing an output before anything is emptied.
#include "output_guard.h"

#include <string>

namespace mvweave {

Status guardOutput(const std::vector<FrameSink>& sinks, size_t index,
                   const std::vector<FrameSource>& sources,
                   const std::vector<ConfigFile>& configFiles) {
  const FrameSink& output = sinks[index];
  const auto refuse = [&output](Problem problem, const std::string& what) {
    return problemWith(problem, output.name(), 0, "the same file as " + what);
  };
  for (const FrameSource& source : sources) {
    if (isSameFileOrPipe(output.identity(), source.identity())) {
      return refuse(Problem::kOutputIsInput, "the input " + source.name());
    }
  }
  for (const ConfigFile& config : configFiles) {
    if (isSameFileOrPipe(output.identity(), config.identity)) {
      return refuse(Problem::kOutputIsInput, "the configuration file " + config.path);
    }
  }
  for (size_t earlier = 0; earlier < index; ++earlier) {
    if (isSameStoredFile(output.identity(), sinks[earlier].identity())) {
      return refuse(Problem::kOutputNamedTwice, "the output " + sinks[earlier].name());
    }
  }
  return {};
}

}  // namespace mvweave
