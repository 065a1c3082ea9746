// Holding console text back, sending it to the right stream, escaping it;
// the run's notes, report and progress as the tools show them.
#include "console.h"

#include "packing.h"
#include "progress.h"
#include "terminal.h"

namespace mvweave {

Console::Console(const char* toolName, InterleavedFile interleaved, std::FILE* out, std::FILE* err)
    : toolName_(toolName), interleaved_(interleaved), out_(out), err_(err) {}

Console::~Console() = default;

void Console::line(const std::string& text) { write(outIntoError_, printable(text) + "\n"); }

void Console::text(const char* text) { write(outIntoError_, text); }

void Console::note(const std::string& text) {
  write(true, std::string(toolName_) + ": " + printable(text) + "\n");
}

void Console::report(const Status& status) {
  if (!status.ok()) {
    if (const std::string message = messageOf(status); !message.empty()) line(message);
    if (const std::string detail = detailOf(status); !detail.empty()) note(detail);
  }
  for (const std::string& text : removed_) note(text);
  removed_.clear();
}

void Console::keepOutOfFiles(bool standardOutputIsOne, bool standardErrorIsOne) {
  outIntoError_ = standardOutputIsOne;
  errorDropped_ = standardErrorIsOne;
}

void Console::release() {
  report(Status{});
  if (!holding_) return;
  holding_ = false;
  for (Held& held : held_) write(held.toError || outIntoError_, held.text);
  held_.clear();
  if (out_ != nullptr) std::fflush(out_);
}

bool Console::deliveredAll() const {
  return out_ == nullptr || (std::fflush(out_) == 0 && std::ferror(out_) == 0);
}

bool Console::showsProgress() const {
  return err_ != nullptr && !errorDropped_ && isTerminal(err_);
}

int Console::terminalColumns() const { return mvweave::terminalColumns(err_); }

void Console::drawProgress(const std::string& text) {
  if (!showsProgress()) return;
  std::fputs(text.c_str(), err_);
  std::fflush(err_);
}

void Console::endProgress() { progress_.reset(); }

namespace {

// "cam1.yuv (camera 1)", "views.cfg:3", or nothing.
std::string nameOf(const Note& note) {
  std::string name = note.file;
  if (note.line != 0) name += ":" + std::to_string(note.line);
  if (note.camera) name += " (camera " + std::to_string(*note.camera) + ")";
  return name;
}

std::string textOf(const Note& note) {
  const std::string name = nameOf(note);
  if (name.empty() || note.text.empty()) return name + note.text;
  return name + ": " + note.text;
}

}  // namespace

void Console::note(const Note& note) {
  switch (note.kind) {
    case Note::Kind::kNote: this->note(textOf(note)); return;
    case Note::Kind::kInputRanShort:
      line("WARNING: Input file too short, missing data filled with zeros: " + note.file);
      // Said before the walk already, it comes without its detail.
      if (!note.text.empty()) this->note(textOf(note));
      return;
    case Note::Kind::kOutputRemoved: removed_.push_back(textOf(note)); return;
  }
}

// mvweave's report lists the cameras first, every label 13 characters
// wide; mvunweave's lists the sequence first and the cameras last, with
// labels 12, 13 and 14 characters wide. The picture format only where the
// request gave it.
void Console::reportSettings(const RunReport& report) {
  if (!verbose_) return;
  const Request& request = report.request;
  const bool merge = interleaved_ == InterleavedFile::kWritten;
  const auto number = [this](const char* label, uint32_t value) {
    line(label + std::to_string(value));
  };
  if (merge) {
    for (const std::string& camera : request.cameras) line("* Input:     " + camera);
    line("* Output:    " + request.sequence);
  } else {
    line("* Input:    " + request.sequence);
  }
  number("* FirstFrm:  ", request.firstFrm);
  number("* GOPLength: ", report.layout.gopLength);
  number("* NumGOP:    ", report.layout.numGop);
  number("* NumFrm:    ", report.layout.numFrm);
  number("* Width:     ", report.width);
  number("* Height:    ", report.height);
  if (request.chromaFormat || request.bitDepth) {
    number("* Chroma:    ", report.chromaFormat);
    number("* BitDepth:  ", report.bitDepth);
  }
  if (request.packing || report.packing.kind != Packing::Kind::kFrames) {
    line("* Packing:   " + nameOf(report.packing));
  }
  if (!merge) {
    for (const std::string& camera : request.cameras) line("* Output:     " + camera);
  }
}

void Console::blockStarted(uint32_t block) {
  if (block == 0) line("");
  line("* Processing GOP(" + std::to_string(block) + ")");
}

void Console::progress(uint64_t framesDone, uint64_t framesTotal, uint32_t frameSize) {
  if (!progress_) progress_ = std::make_unique<Progress>(*this, framesTotal, frameSize);
  if (framesDone > 0) progress_->frameDone();
}

void Console::write(bool toError, const std::string& text) {
  if (progress_) progress_->erase();
  if (holding_) {
    held_.push_back({toError, text});
    return;
  }
  if (!toError) {
    if (out_ != nullptr && !(outIntoError_ && errorDropped_)) std::fputs(text.c_str(), out_);
    return;
  }
  if (errorDropped_ || err_ == nullptr) return;
  // Standard output first, so that the two streams read in order as one;
  // and standard error at once, where the C runtime buffers it (Windows).
  if (out_ != nullptr) std::fflush(out_);
  std::fputs(text.c_str(), err_);
  std::fflush(err_);
}

namespace {

// The length of the UTF-8 sequence a byte begins, and the smallest code
// point of that length that is printable (no overlong forms, no C1
// control); 0 for a byte that begins none.
size_t sequenceLength(unsigned first, unsigned& lowest) {
  if (first >= 0xc2 && first <= 0xdf) {
    lowest = 0xa0;  // U+0080 to U+009F are the C1 controls
    return 2;
  }
  lowest = first >= 0xf0 ? 0x10000 : 0x800;
  return first >= 0xe0 && first <= 0xef ? 3 : first >= 0xf0 && first <= 0xf4 ? 4 : 0;
}

// The length of the valid UTF-8 sequence of a printable character that
// starts at text[i]; 0 for a control character or a byte that starts none.
size_t printableLength(const std::string& text, size_t i) {
  const auto byte = [&text](size_t at) {
    return at < text.size() ? static_cast<unsigned char>(text[at]) : 0u;
  };
  const unsigned first = byte(i);
  if (first < 0x80) return first >= 0x20 && first != 0x7f ? 1 : 0;
  unsigned lowest = 0;
  const size_t length = sequenceLength(first, lowest);
  if (length == 0) return 0;
  unsigned point = first & (0x7f >> length);
  for (size_t k = 1; k < length; ++k) {
    if ((byte(i + k) & 0xc0) != 0x80) return 0;
    point = point << 6 | (byte(i + k) & 0x3f);
  }
  const bool surrogate = point >= 0xd800 && point <= 0xdfff;
  return point >= lowest && point <= 0x10ffff && !surrogate ? length : 0;
}

}  // namespace

std::string printable(const std::string& text) {
  static constexpr char kHex[] = "0123456789abcdef";
#ifdef _WIN32
  constexpr bool kBackslashSeparates = true;  // and no file name holds a control byte
#else
  constexpr bool kBackslashSeparates = false;
#endif
  std::string shown;
  shown.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (text[i] == '\\' && !kBackslashSeparates) {
      shown += "\\\\";
      ++i;
      continue;
    }
    if (const size_t length = printableLength(text, i)) {
      shown.append(text, i, length);
      i += length;
      continue;
    }
    const auto byte = static_cast<unsigned char>(text[i++]);
    shown += "\\x";
    shown.push_back(kHex[byte >> 4]);
    shown.push_back(kHex[byte & 0xf]);
  }
  return shown;
}

}  // namespace mvweave
