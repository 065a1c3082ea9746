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

// Reads one configuration file into the settings, as the tool that
// `interleaved` names reads it, and records the file in
// settings.configFiles; settings applied before a line that fails stay
// applied.
Status readConfigFile(FileSystem& files, const std::string& path, InterleavedFile interleaved,
                      RunSettings& settings);

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
