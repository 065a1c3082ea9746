// Interleaves 4:2:2 10-bit camera files into one multiview sequence through
// the mvweave library, in one call, and says where the layout put the first
// camera's last frame.
//   merge_cameras WIDTH HEIGHT OUTPUT CAMERA...
#include <mvweave/mvweave.h>

#include <cstdio>
#include <cstdlib>

namespace {

// The library never prints: this program shows its notes itself.
class PrintedNotes final : public mvweave::Observer {
 public:
  void note(const mvweave::Note& note) override {
    std::fprintf(stderr, "merge_cameras: %s: %s\n", note.file.c_str(), note.text.c_str());
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: merge_cameras WIDTH HEIGHT OUTPUT CAMERA...\n");
    return 2;
  }
  mvweave::Request request;
  request.width = static_cast<uint32_t>(std::strtoul(argv[1], nullptr, 10));
  request.height = static_cast<uint32_t>(std::strtoul(argv[2], nullptr, 10));
  request.chromaFormat = 422;
  request.bitDepth = 10;
  request.sequence = argv[3];
  for (int i = 4; i < argc; ++i) request.cameras.push_back(argv[i]);
  request.gopLength = 2;  // frame 0 of every camera, then frames 1 and 2 of each

  PrintedNotes notes;
  const mvweave::Status status = mvweave::merge(request, notes);
  if (!status.ok()) {
    std::fprintf(stderr, "merge_cameras: %s %s\n", mvweave::messageOf(status).c_str(),
                 mvweave::detailOf(status).c_str());
    return 1;
  }
  uint64_t position = 0;
  if (mvweave::positionOf(mvweave::layoutOf(request), 0, 2, position)) {
    std::printf("camera 0, frame 2: frame %llu of %s\n", static_cast<unsigned long long>(position),
                request.sequence.c_str());
  }
  return 0;
}
