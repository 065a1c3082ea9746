// Y4M header lines, read and written.
#include "y4m.h"

#include <cctype>
#include <sstream>

namespace mvweave {

namespace {

// A decimal number of up to 32 bits and nothing else.
bool parseDimension(const std::string& text, uint32_t& value) {
  if (text.empty() || text.size() > 10) return false;
  uint64_t number = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    number = number * 10 + static_cast<uint64_t>(c - '0');
  }
  if (number > UINT32_MAX) return false;
  value = static_cast<uint32_t>(number);
  return true;
}

}  // namespace

bool parseY4mHeader(const std::string& parameters, Y4mHeader& header, std::string& reason) {
  bool sawWidth = false;
  bool sawHeight = false;
  std::istringstream words(parameters);
  std::string word;
  while (words >> word) {
    const std::string value = word.substr(1);
    switch (word[0]) {
      case 'W': sawWidth = parseDimension(value, header.width); break;
      case 'H': sawHeight = parseDimension(value, header.height); break;
      case 'C': header.colourSpace = value; break;
      case 'F': header.frameRate = value; break;
      case 'I': header.interlacing = value; break;
      case 'A': header.aspectRatio = value; break;
      default: break;  // X and anything unknown: not needed
    }
  }
  if (sawWidth && sawHeight) return true;
  reason = "the Y4M header has no valid W and H";
  return false;
}

bool formatOfColourSpace(const std::string& colourSpace, uint32_t& chroma, uint32_t& bitDepth) {
  const std::string& c = colourSpace;
  if (c == "420jpeg" || c == "420mpeg2" || c == "420paldv" || c == "420" || c == "422" ||
      c == "444" || c == "mono") {
    chroma = c == "mono" ? 400 : static_cast<uint32_t>(std::stoul(c.substr(0, 3)));
    bitDepth = 8;
    return true;
  }
  // 420p10, 422p12, 444p16; mono10, mono16.
  std::string depth;
  if (c.size() > 4 && (c.compare(0, 4, "420p") == 0 || c.compare(0, 4, "422p") == 0 ||
                       c.compare(0, 4, "444p") == 0)) {
    chroma = static_cast<uint32_t>(std::stoul(c.substr(0, 3)));
    depth = c.substr(4);
  } else if (c.size() > 4 && c.compare(0, 4, "mono") == 0) {
    chroma = 400;
    depth = c.substr(4);
  } else {
    return false;
  }
  if (depth.size() > 2 || !std::isdigit(static_cast<unsigned char>(depth[0])) ||
      !std::isdigit(static_cast<unsigned char>(depth.back()))) {
    return false;
  }
  bitDepth = static_cast<uint32_t>(std::stoul(depth));
  return bitDepth >= 8 && bitDepth <= 16;
}

std::string colourSpaceOf(uint32_t chroma, uint32_t bitDepth) {
  const std::string base = chroma == 400 ? "mono" : std::to_string(chroma);
  if (bitDepth == 8) return chroma == 420 ? "420jpeg" : base;
  return base + (chroma == 400 ? "" : "p") + std::to_string(bitDepth);
}

std::string y4mHeaderLine(const Y4mHeader& header) {
  return std::string(kY4mSignature) + "W" + std::to_string(header.width) + " H" +
         std::to_string(header.height) + " F" + header.frameRate + " I" + header.interlacing +
         " A" + header.aspectRatio + " C" + header.colourSpace + "\n";
}

bool isY4mPath(const std::string& path) {
  if (path.size() < 4) return false;
  std::string ending = path.substr(path.size() - 4);
  for (char& c : ending) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ending == ".y4m";
}

}  // namespace mvweave
