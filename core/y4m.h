// The YUV4MPEG2 (Y4M) stream format, as ffmpeg and most encoders' tools
// write it: one header line, "YUV4MPEG2 " followed by parameters separated
// by spaces (W width, H height, F frame rate, I interlacing, A aspect ratio,
// C colour space, X extensions), then every frame as a line that begins with
// "FRAME" followed by the frame's planar data. Everything the tools know of
// the format's lines is here: reading and writing header lines, reading
// frame lines, and finding the frames of a file.
#ifndef MVWEAVE_CORE_Y4M_H
#define MVWEAVE_CORE_Y4M_H

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "mvweave/file_system.h"

namespace mvweave {

constexpr char kY4mSignature[] = "YUV4MPEG2 ";
constexpr size_t kY4mSignatureLength = 10;
constexpr char kY4mFrameLine[] = "FRAME\n";
constexpr size_t kY4mFrameLineLength = 6;
constexpr size_t kY4mLongestLine = 4096;  // a header or frame line, its end included, as read
// The longest header line ffmpeg reads, its end included: headers are
// written within it where they can be.
constexpr size_t kY4mReadableHeader = 96;
// The tag that starts the tools' layout record (layout_record.h).
constexpr char kLayoutRecordTag[] = "MVWEAVE=";

// What a header says. Of the tags the tools only copy, a well-formed one is
// kept and an ill-formed one gives way to the default, so that a header
// written from it says only what is true and readable.
struct Y4mHeader {
  uint32_t width = 0;
  uint32_t height = 0;
  std::string colourSpace = "420jpeg";  // the C parameter; 4:2:0 when absent
  std::string frameRate = "25:1";       // F n:d, both above 0
  std::string interlacing = "p";        // I p, t, b or ? (mixed, per frame: ?)
  std::string aspectRatio = "0:0";      // A n:d
  std::vector<std::string> extensions;  // X tags of printable ASCII, in order
};

// Reads the parameters of a header line (what follows the signature, without
// the line end). False, with the reason, when W or H is missing or not a
// number.
bool parseY4mHeader(const std::string& parameters, Y4mHeader& header, std::string& reason);

// The chroma format (400, 420, 422, 444) and bit depth a C parameter stands
// for: 420jpeg, 420mpeg2, 420paldv, 420, 422, 444 and mono are 8-bit;
// 420p10, 422p12, 444p16, mono16 and the like give the depth. False for
// anything else.
bool formatOfColourSpace(const std::string& colourSpace, uint32_t& chroma, uint32_t& bitDepth);

// The C parameter to write for a chroma format and bit depth.
std::string colourSpaceOf(uint32_t chroma, uint32_t bitDepth);

// The whole header line, line end included. The layout record is always
// written; any other X tag that would make the line longer than
// kY4mReadableHeader is left out, so that ffmpeg reads it.
std::string y4mHeaderLine(const Y4mHeader& header);

// The header of a Y4M output of `width` x `height` pictures in a chroma
// format and bit depth: with the frame rate, interlacing, aspect ratio and
// X tags (and the colour space's spelling) of the first Y4M input, else 25
// frames a second, progressive, aspect unknown. XYSCSS, which says what the
// C parameter says, is not copied.
Y4mHeader y4mOutputHeader(uint32_t width, uint32_t height, uint32_t chroma, uint32_t bitDepth,
                          const Y4mHeader* firstInput);

// True for paths that end in ".y4m", in any case.
bool isY4mPath(const std::string& path);

// What the bytes at the start of a frame line say, by the rule every frame
// line follows: "FRAME", then a line end, or a space and parameters (which
// the tools do not need) up to one, the line at most kY4mLongestLine bytes
// long. `length` is the line's, its end included, when it is whole; kCut:
// the bytes end within it.
enum class FrameLine { kWhole, kBroken, kTooLong, kCut };
FrameLine frameLineIn(std::string_view bytes, size_t& length);

// The frames of a Y4M file of known length, FRAME line after FRAME line from
// where the first one begins, by the rule above: where the data of each
// whole frame begins. What the tools count before a run, and what the Python
// module maps. Lines are read through `readAt` (as FileSystem::readAt),
// many at a time when frames are small.
class Y4mFrameIndex {
 public:
  using ReadAt = std::function<OsError(uint64_t offset, char* buffer, size_t size, size_t& got)>;
  Y4mFrameIndex(ReadAt readAt, uint64_t firstLine, uint64_t length, uint32_t frameSize);

  enum class Next { kFrame, kEnd, kBroken, kTooLong };
  // The next frame: kFrame with where its data begins; kEnd when the file
  // holds no more whole frames (partialBytes(): the data bytes of a frame
  // cut short); kBroken or kTooLong for a line at lineStart() that the rule
  // refuses. An error number when reading fails.
  OsError next(Next& found, uint64_t& data);
  [[nodiscard]] uint64_t lineStart() const { return at_; }
  [[nodiscard]] uint64_t partialBytes() const { return partialBytes_; }

 private:
  // The `room` bytes from `at`, or as many as the file holds.
  OsError view(uint64_t at, size_t room, std::string_view& bytes);

  const ReadAt readAt_;
  const uint64_t length_;
  const uint32_t frameSize_;
  const size_t windowSize_;
  uint64_t at_;  // where the next frame line begins
  uint64_t partialBytes_ = 0;
  std::string window_;
  uint64_t windowStart_ = 0;
};

}  // namespace mvweave

#endif
