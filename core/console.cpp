// Holding console text back, sending it to the right stream, escaping it.
#include "mvweave/console.h"

#include "terminal.h"

namespace mvweave {

Console::Console(const char* toolName, std::FILE* out, std::FILE* err)
    : toolName_(toolName), out_(out), err_(err) {}

void Console::line(const std::string& text) { write(outIntoError_, printable(text) + "\n"); }

void Console::text(const char* text) { write(outIntoError_, text); }

void Console::note(const std::string& text) {
  write(true, std::string(toolName_) + ": " + printable(text) + "\n");
}

void Console::noteAfterReport(const std::string& text) { afterReport_.push_back(text); }

void Console::report(const Status& status) {
  if (!status.ok()) {
    if (const std::string message = messageOf(status); !message.empty()) line(message);
    if (const std::string detail = detailOf(status); !detail.empty()) note(detail);
  }
  for (const std::string& text : afterReport_) note(text);
  afterReport_.clear();
}

void Console::keepOutOfFiles(bool standardOutputIsOne, bool standardErrorIsOne) {
  outIntoError_ = standardOutputIsOne;
  errorDropped_ = standardErrorIsOne;
}

void Console::release() {
  for (const std::string& text : afterReport_) note(text);
  afterReport_.clear();
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

void Console::write(bool toError, const std::string& text) {
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
