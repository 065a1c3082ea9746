// Writes small sample camera sequences for the demo and for trying the tools:
// raw YUV 4:2:0 files cam0.yuv, cam1.yuv, ... in the working directory. Every
// picture shows which camera and frame it is: the tint (chroma) tells the
// camera, a light square moves right frame by frame and sits lower for each
// camera, and the background gradient shifts with the frame.
//
// Usage: make_sample_cameras [CAMERAS [FRAMES [WIDTH HEIGHT]]]
//        (defaults: 3 cameras of 25 CIF frames, 352x288)
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Picture {
  int width;
  int height;
};

void drawFrame(const Picture& picture, int camera, int frame, std::vector<unsigned char>& yuv) {
  const int w = picture.width;
  const int h = picture.height;
  unsigned char* luma = yuv.data();
  const size_t lumaSize = static_cast<size_t>(w) * h;
  const size_t chromaSize = static_cast<size_t>(w / 2) * (h / 2);
  unsigned char* cb = luma + lumaSize;
  unsigned char* cr = cb + chromaSize;
  const int square = h / 6;
  const int left = (frame * 8) % (w - square);
  const int top = (camera * square * 3 / 2) % (h - square);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const bool inSquare = x >= left && x < left + square && y >= top && y < top + square;
      luma[y * w + x] =
          inSquare ? 235 : static_cast<unsigned char>(40 + ((x + y + frame * 4) % 128));
    }
  }
  const unsigned char tintCb[] = {90, 160, 128, 200, 60};
  const unsigned char tintCr[] = {170, 90, 128, 60, 200};
  for (size_t i = 0; i < chromaSize; ++i) {
    cb[i] = tintCb[camera % 5];
    cr[i] = tintCr[camera % 5];
  }
}

bool writeCamera(const Picture& picture, int camera, int frames) {
  const std::string path = "cam" + std::to_string(camera) + ".yuv";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    std::fprintf(stderr, "cannot create %s\n", path.c_str());
    return false;
  }
  std::vector<unsigned char> yuv(picture.width * picture.height * 3 / 2);
  bool written = true;
  for (int frame = 0; frame < frames && written; ++frame) {
    drawFrame(picture, camera, frame, yuv);
    written = std::fwrite(yuv.data(), 1, yuv.size(), file) == yuv.size();
  }
  if (std::fclose(file) != 0) written = false;
  if (!written) std::fprintf(stderr, "cannot write %s\n", path.c_str());
  return written;
}

}  // namespace

int main(int argc, char** argv) {
  const int cameras = argc > 1 ? std::atoi(argv[1]) : 3;
  const int frames = argc > 2 ? std::atoi(argv[2]) : 25;
  const Picture picture{argc > 4 ? std::atoi(argv[3]) : 352, argc > 4 ? std::atoi(argv[4]) : 288};
  if (cameras < 1 || frames < 0 || picture.width < 16 || picture.height < 16 || picture.width % 2 ||
      picture.height % 2) {
    std::fprintf(stderr,
                 "usage: make_sample_cameras [CAMERAS [FRAMES [WIDTH HEIGHT]]]\n"
                 "       (WIDTH and HEIGHT even, at least 16)\n");
    return 2;
  }
  for (int camera = 0; camera < cameras; ++camera) {
    if (!writeCamera(picture, camera, frames)) return 1;
  }
  std::printf("wrote %d camera sequences of %d frames, %dx%d\n", cameras, frames, picture.width,
              picture.height);
  return 0;
}
