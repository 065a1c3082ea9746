// The two runs of the tools, and the reading of their configuration files:
// what mvweave and mvunweave do, for any program. Settings in, a file
// layer to do it with, a console to speak through, and a Status out.
#ifndef MVWEAVE_RUN_H
#define MVWEAVE_RUN_H

#include <string>

#include "mvweave/console.h"
#include "mvweave/file_system.h"
#include "mvweave/settings.h"
#include "mvweave/status.h"

namespace mvweave {

// How a configuration file is read: every line applied, or only the paths
// it names noted (settings.pathsNamed), when the tool has stopped already.
enum class ConfigReading { kApply, kPathsOnly };

// Reads one configuration file into the settings, as the tool that
// `interleaved` names reads it, and records the file in
// settings.configFiles; settings applied before a line that fails stay
// applied, and the rest of the file is read for its paths only.
Status readConfigFile(FileSystem& files, const std::string& path, InterleavedFile interleaved,
                      RunSettings& settings, ConfigReading reading = ConfigReading::kApply);

// The configuration files read, together: one that gives the one-path key
// (mvweave's Output, mvunweave's Input) on several lines, while all of them
// give the camera key on one line at most, is the other tool's
// configuration (kConfigForOtherTool).
Status checkConfigurationsAreForTool(const RunSettings& settings, InterleavedFile interleaved);

// mvweave's run: the cameras of settings.cameraPaths interleaved into
// settings.sequencePath. Nothing is emptied before every check has passed.
// kNone once every frame was written and every output closed; notes, the
// verbose report and warnings go to the console.
Status weave(const RunSettings& settings, FileSystem& files, Console& console);

// mvunweave's run: settings.sequencePath taken apart into the camera files
// of settings.cameraPaths, the same way.
Status unweave(const RunSettings& settings, FileSystem& files, Console& console);

}  // namespace mvweave

#endif
