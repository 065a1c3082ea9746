// Interleaves two cameras through the installed library, then prints where
// the layout puts camera 1's frame 2.
#include <mvweave/mvweave.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  mvweave::RunSettings settings;
  settings.cameraPaths = {mvweave::pathGiven(argv[1]), mvweave::pathGiven(argv[2])};
  settings.sequencePath = mvweave::pathGiven(argv[3]);
  settings.width = 4;
  settings.height = 2;
  settings.gopLength = 2;
  const auto files = mvweave::makeSystemFileSystem();
  mvweave::Console console("consumer");
  const mvweave::Status status = mvweave::weave(settings, *files, console);
  console.report(status);
  uint64_t position = 0;
  if (!mvweave::positionOf(mvweave::layoutOf(settings), 1, 2, position)) return 1;
  std::printf("camera 1, frame 2: position %llu\n", static_cast<unsigned long long>(position));
  return status.ok() ? 0 : 1;
}
