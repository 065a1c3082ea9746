// Holding console text back, sending it to the right stream, escaping it.
#include "console.h"

namespace mvweave {

Console::Console(const char* toolName, std::FILE* out, std::FILE* err)
    : toolName_(toolName), out_(out), err_(err) {
  // A stream that cannot be identified matches no output.
  if (identifyStream(out_, outIdentity_) != 0) outIdentity_ = FileIdentity{};
  if (identifyStream(err_, errIdentity_) != 0) errIdentity_ = FileIdentity{};
}

void Console::line(const std::string& text) { write(outIntoError_, printable(text) + "\n"); }

void Console::text(const char* text) { write(outIntoError_, text); }

void Console::note(const std::string& text) {
  write(true, std::string(toolName_) + ": " + printable(text) + "\n");
}

void Console::keepOutOf(const FileIdentity& output) {
  outIntoError_ = outIntoError_ || isSameFileOrPipe(output, outIdentity_);
  errorDropped_ = errorDropped_ || isSameFileOrPipe(output, errIdentity_);
}

void Console::release() {
  if (!holding_) return;
  holding_ = false;
  for (Held& held : held_) write(held.toError || outIntoError_, held.text);
  held_.clear();
  std::fflush(out_);
}

bool Console::showsProgress() const { return !errorDropped_ && isTerminal(err_); }

int Console::terminalColumns() const { return mvweave::terminalColumns(err_); }

void Console::drawProgress(const std::string& text) {
  if (!showsProgress()) return;
  std::fputs(text.c_str(), err_);
  std::fflush(err_);
}

void Console::write(bool toError, const std::string& text) {
  if (holding_) {
    held_.push_back({toError, text});
    return;
  }
  if (!toError) {
    std::fputs(text.c_str(), out_);
    return;
  }
  if (errorDropped_) return;
  // Standard output first, so that the two streams read in order as one;
  // and standard error at once, where the C runtime buffers it (Windows).
  std::fflush(out_);
  std::fputs(text.c_str(), err_);
  std::fflush(err_);
}

std::string printable(const std::string& text) {
  static constexpr char kHex[] = "0123456789abcdef";
  std::string shown;
  shown.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7f) {
      shown.push_back(c);
      continue;
    }
    shown += "\\x";
    shown.push_back(kHex[byte >> 4]);
    shown.push_back(kHex[byte & 0xf]);
  }
  return shown;
}

}  // namespace mvweave
