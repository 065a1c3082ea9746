// The Python module mvweave, over the library: the interleaved layout, the
// frames of an interleaved sequence as numpy views of a memory map of the
// file, and the runs of both tools in process.
//
//   layout = mvweave.Layout(3, gop_length=8, num_gop=3)
//   sequence = mvweave.Interleaved("multiview.yuv", layout, 352, 288)
//   y, u, v = sequence.frame(camera=1, n=5)
//   mvweave.merge("layout.cfg", "cameras.cfg")
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "frame_source.h"
#include "mvweave/mvweave.h"
#include "picture_format.h"
#include "y4m.h"

namespace py = pybind11;

namespace mvweave {
namespace {

// What the tools would have said: their message, then the detail.
struct Failure : std::runtime_error {
  explicit Failure(const Status& status)
      : std::runtime_error(messageOf(status) + (messageOf(status).empty() ? "" : " ") +
                           detailOf(status)) {}
};

// A layout as mvunweave reads an interleaved file: FirstFrm x N frames
// before block 0. The arithmetic is the library's.
struct PyLayout {
  Layout layout;
  uint32_t firstFrm;

  [[nodiscard]] uint64_t skipped() const { return uint64_t{firstFrm} * layout.cameras; }
  [[nodiscard]] uint64_t size() const {
    uint64_t frames = 0;
    if (!framesInSequence(layout, frames)) throw std::overflow_error("more than 2^64 frames");
    return frames;
  }
  [[nodiscard]] uint64_t position(uint32_t camera, uint64_t frame) const {
    uint64_t position = 0;
    if (!positionOf(layout, camera, frame, position)) {
      throw py::index_error("camera " + std::to_string(camera) + " has no frame " +
                            std::to_string(frame) + " in the layout");
    }
    return skipped() + position;
  }
  [[nodiscard]] std::pair<uint32_t, uint64_t> source(uint64_t index) const {
    uint32_t camera = 0;
    uint64_t frame = 0;
    if (index < skipped() || !frameAt(layout, index - skipped(), camera, frame)) {
      throw py::index_error("no frame of the layout at index " + std::to_string(index));
    }
    return {camera, frame};
  }
};

// (camera, frame) in the order of the interleaved file.
struct LayoutIterator {
  PyLayout layout;
  uint64_t done;

  std::pair<uint32_t, uint64_t> next() {
    if (done == layout.size()) throw py::stop_iteration();
    return layout.source(layout.skipped() + done++);
  }
};

// A file's name as the system takes it, from a str, bytes or a path object;
// like Python's own open(), a name with a null byte in it is refused rather
// than cut short.
std::string systemPath(const py::handle& name) {
  const auto path = py::module_::import("os").attr("fsencode")(name).cast<std::string>();
  if (path.find('\0') != std::string::npos) throw py::value_error("embedded null byte");
  return path;
}

[[noreturn]] void raiseOsError(const std::string& path, OsError error = errno) {
  errno = error;
  PyErr_SetFromErrnoWithFilename(PyExc_OSError, path.c_str());
  throw py::error_already_set();
}

using Given = std::optional<uint32_t>;

// "width=32, bit_depth=10": the arguments that were given.
std::string givenText(Given width, Given height, Given chroma, Given bitDepth) {
  std::string text;
  const auto add = [&text](const char* name, Given value) {
    if (value)
      text += (text.empty() ? "" : ", ") + std::string(name) + "=" + std::to_string(*value);
  };
  add("width", width);
  add("height", height);
  add("chroma_format", chroma);
  add("bit_depth", bitDepth);
  return text;
}

// An interleaved sequence, raw or Y4M, read through memory maps: each frame
// is mapped when it is asked for and unmapped when its planes are gone, so
// that reading one camera of a long file takes no copy and constant memory.
class Interleaved {
 public:
  // The picture format as given; what is not given comes from a Y4M file's
  // header, and for a raw file is 4:2:0 8-bit (width and height it needs).
  Interleaved(const std::string& path, const PyLayout& layout, Given width, Given height,
              Given chroma, Given bitDepth)
      : path_(path), layout_(layout) {
    format_ = {width.value_or(0), height.value_or(0), chroma.value_or(420), bitDepth.value_or(8),
               true};
    if (openSource(format_)) {
      const auto differs = [](Given asked, uint32_t header) { return asked && *asked != header; };
      if (differs(width, format_.width) || differs(height, format_.height) ||
          differs(chroma, format_.chroma) || differs(bitDepth, format_.bitDepth)) {
        throw py::value_error(
            path_ + ": its Y4M header says " + std::to_string(format_.width) + "x" +
            std::to_string(format_.height) + " " + describe(format_) +
            ", not what was given: " + givenText(width, height, chroma, bitDepth));
      }
    } else if (!width || !height) {
      throw py::value_error(path_ + ": a raw file needs its width and height");
    }
    if (Status status = frameSizeOf(format_, frameSize_); !status.ok()) {
      throw py::value_error(detailOf(status));
    }
    if (frameSize_ == 0) throw py::value_error(path_ + ": a width or height of 0");
    uint64_t size = 0;
    if (!source_.y4m() && source_.lengthFromStart(size) && size % frameSize_ != 0) {
      warnOfPartialFrame(size);
    }
  }

  // The Y, U and V planes of frame n of a camera (U and V None in 4:0:0).
  py::tuple frame(uint32_t camera, uint64_t n) {
    const uint64_t offset = frameOffset(layout_.position(camera, n));
    const uint64_t page = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
    const uint64_t mapStart = offset / page * page;
    const size_t length = static_cast<size_t>(offset - mapStart + frameSize_);
    void* const map = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, source_.handle(),
                             static_cast<off_t>(mapStart));
    if (map == MAP_FAILED) raiseOsError(path_);
    // The planes keep the mapping, and it goes when the last of them does.
    const py::capsule owner(new std::pair<void*, size_t>(map, length), [](void* mapping) {
      auto* const mapped = static_cast<std::pair<void*, size_t>*>(mapping);
      ::munmap(mapped->first, mapped->second);
      delete mapped;
    });
    const char* data = static_cast<const char*>(map) + (offset - mapStart);
    py::object planes[3] = {py::none(), py::none(), py::none()};
    size_t index = 0;
    for (const PlaneShape& shape : planesOf(format_)) {
      planes[index++] = plane(data, shape.width, shape.height, owner);
      data += size_t{shape.width} * shape.height * sampleBytes(format_);
    }
    return py::make_tuple(planes[0], planes[1], planes[2]);
  }

 private:
  // As the tools say it: most often the width, height or format is wrong.
  void warnOfPartialFrame(uint64_t size) const {
    const std::string text = path_ + ": " + std::to_string(size) +
                             " bytes is not a whole number of " + std::to_string(frameSize_) +
                             "-byte frames (" + std::to_string(format_.width) + "x" +
                             std::to_string(format_.height) + " " + describe(format_) +
                             "); check the width, height and picture format";
    if (PyErr_WarnEx(PyExc_UserWarning, text.c_str(), 1) != 0) throw py::error_already_set();
  }

  py::array plane(const char* data, uint32_t width, uint32_t height, const py::capsule& owner) {
    const auto bytes = static_cast<py::ssize_t>(sampleBytes(format_));
    py::array array(py::dtype(bytes == 1 ? "u1" : "<u2"), {py::ssize_t{height}, py::ssize_t{width}},
                    {bytes * width, bytes}, data, owner);
    array.attr("setflags")(py::arg("write") = false);
    return array;
  }

  // Opens the file as the tools do; a Y4M file's header gives `format`
  // (false for a raw file), and its frame lines are indexed later, as far
  // as frames are asked for.
  bool openSource(PictureFormat& format) {
    source_ = FrameSource();
    Status status = source_.open(*files_, path_);
    if (status.ok()) status = source_.recogniseFormat();
    if (status.osError != 0) raiseOsError(path_, status.osError);
    if (!status.ok()) throw py::value_error(detailOf(status));
    if (!source_.y4m()) return false;
    if (!formatOfY4mHeader(*source_.y4m(), format)) {
      throw py::value_error(path_ + ": no Y4M header the tools read");
    }
    return true;
  }

  // Where a frame's data begins, while the file still holds all of it: the
  // file may have been shortened since the last frame, and mapping past its
  // end would end the process (SIGBUS).
  uint64_t frameOffset(uint64_t position) {
    struct stat status {};
    if (::fstat(source_.handle(), &status) != 0) raiseOsError(path_);
    const auto size = static_cast<uint64_t>(status.st_size);
    if (!source_.y4m()) {
      if (position >= size / frameSize_) throw py::index_error(pastTheEnd(position));
      return position * frameSize_;
    }
    reindexIfRewritten(status);
    if (!index_) {
      index_ = std::make_unique<Y4mFrameIndex>(
          [this](uint64_t at, char* buffer, size_t count, size_t& got) {
            return files_->readAt(source_.handle(), at, buffer, count, got);
          },
          source_.offset(), size, frameSize_);
    }
    for (auto found = Y4mFrameIndex::Next::kFrame;
         frames_.size() <= position && found == Y4mFrameIndex::Next::kFrame;) {
      uint64_t data = 0;
      if (const OsError error = index_->next(found, data)) raiseOsError(path_, error);
      if (found == Y4mFrameIndex::Next::kFrame) frames_.push_back(data);
    }
    if (frames_.size() <= position || frames_[position] + frameSize_ > size) {
      throw py::index_error(pastTheEnd(position));
    }
    return frames_[position];
  }

  // A Y4M file written again since its frames were indexed (a merge run
  // anew) may have other headers and frame lines: indexed again, from its
  // header, which must still give the same format.
  void reindexIfRewritten(const struct stat& status) {
    const auto seconds = static_cast<int64_t>(status.st_mtim.tv_sec);
    const auto nanoseconds = static_cast<int64_t>(status.st_mtim.tv_nsec);
    const bool same = seconds == indexedAt_[0] && nanoseconds == indexedAt_[1];
    indexedAt_[0] = seconds;
    indexedAt_[1] = nanoseconds;
    if (same) return;
    index_.reset();  // the file's length has changed too
    if (frames_.empty()) return;
    frames_.clear();
    PictureFormat now = format_;
    if (!openSource(now) || now.width != format_.width || now.height != format_.height ||
        now.chroma != format_.chroma || now.bitDepth != format_.bitDepth) {
      throw py::value_error(path_ + ": written again since, in another format");
    }
  }

  [[nodiscard]] std::string pastTheEnd(uint64_t position) const {
    return path_ + " holds no frame at index " + std::to_string(position);
  }

  std::string path_;
  PyLayout layout_;
  std::unique_ptr<FileSystem> files_ = makeSystemFileSystem();
  FrameSource source_;  // the file, open while this lives
  PictureFormat format_;
  uint32_t frameSize_ = 0;
  std::vector<uint64_t> frames_;          // Y4M: where the data of each frame begins
  std::unique_ptr<Y4mFrameIndex> index_;  // Y4M: finds the frames not yet in frames_
  int64_t indexedAt_[2] = {-1, -1};       // Y4M: the file's time of change when indexed
};

// What a run tells, as the lines the tool would have printed.
class NoteLines final : public Observer {
 public:
  explicit NoteLines(const char* tool) : tool_(tool) {}

  void note(const Note& note) override {
    std::string name = note.file;
    if (note.line != 0) name += ":" + std::to_string(note.line);
    if (note.camera) name += " (camera " + std::to_string(*note.camera) + ")";
    if (note.kind == Note::Kind::kInputRanShort) {
      lines.push_back("WARNING: Input file too short, missing data filled with zeros: " +
                      note.file);
      if (note.text.empty()) return;
    }
    lines.push_back(tool_ + ": " + (name.empty() ? "" : name + ": ") + note.text);
  }

  std::vector<std::string> lines;

 private:
  const std::string tool_;
};

// One of the tools' runs on its configuration files. Nothing is printed:
// the notes and warnings the tool would have written go into `notes` when
// it is a list.
void run(InterleavedFile interleaved, const py::args& configs, const py::object& notes) {
  const auto files = makeSystemFileSystem();
  NoteLines observer(interleaved == InterleavedFile::kWritten ? "mvweave" : "mvunweave");
  if (configs.empty()) throw py::type_error("name at least one configuration file");
  std::vector<std::string> paths;
  for (const py::handle config : configs) paths.push_back(systemPath(config));
  Configuration configuration;
  Status status = readConfigFiles(*files, paths, interleaved, configuration);
  if (status.ok()) {
    for (const Note& note : notesOn(configuration, interleaved)) observer.note(note);
    const py::gil_scoped_release unlocked;
    status = mvweave::run(configuration, interleaved, observer, *files);
  }
  if (py::isinstance<py::list>(notes)) {
    for (const std::string& line : observer.lines) notes.attr("append")(py::str(line));
  }
  if (!status.ok()) throw Failure(status);
}

}  // namespace
}  // namespace mvweave

PYBIND11_MODULE(mvweave, module) {
  using namespace mvweave;
  module.doc() =
      "The interleaved multiview layout, frames of interleaved sequences as numpy "
      "views, and the runs of mvweave and mvunweave.";
  py::register_exception<Failure>(module, "Error");

  py::class_<PyLayout>(module, "Layout",
                       "The interleaved layout of N cameras; first_frm x N frames of the "
                       "interleaved file come before block 0, as mvunweave reads it.")
      .def(py::init([](uint32_t cameras, uint32_t gopLength, uint32_t numGop, uint32_t numFrm,
                       uint32_t firstFrm) {
             return PyLayout{Layout{cameras, gopLength, numGop, numFrm}, firstFrm};
           }),
           py::arg("cameras"), py::arg("gop_length") = 8, py::arg("num_gop") = 1,
           py::arg("num_frm") = 0, py::arg("first_frm") = 0)
      .def("__len__", &PyLayout::size, "The frames the layout moves.")
      .def("position", &PyLayout::position, py::arg("camera"), py::arg("frame"),
           "Where frame `frame` of a camera sits in the interleaved file.")
      .def("source", &PyLayout::source, py::arg("index"),
           "The (camera, frame) at an index of the interleaved file.")
      .def("__iter__",
           [](const PyLayout& layout) {
             return LayoutIterator{layout, 0};
           })
      .def_property_readonly("cameras", [](const PyLayout& l) { return l.layout.cameras; })
      .def_property_readonly("gop_length", [](const PyLayout& l) { return l.layout.gopLength; })
      .def_property_readonly("num_gop", [](const PyLayout& l) { return l.layout.numGop; })
      .def_property_readonly("num_frm", [](const PyLayout& l) { return l.layout.numFrm; })
      .def_property_readonly("first_frm", [](const PyLayout& l) { return l.firstFrm; })
      .def("__repr__", [](const PyLayout& l) {
        return "mvweave.Layout(" + std::to_string(l.layout.cameras) +
               ", gop_length=" + std::to_string(l.layout.gopLength) +
               ", num_gop=" + std::to_string(l.layout.numGop) +
               ", num_frm=" + std::to_string(l.layout.numFrm) +
               ", first_frm=" + std::to_string(l.firstFrm) + ")";
      });

  py::class_<LayoutIterator>(module, "LayoutIterator")
      .def("__iter__", [](LayoutIterator& iterator) -> LayoutIterator& { return iterator; })
      .def("__next__", &LayoutIterator::next);

  py::class_<Interleaved>(module, "Interleaved",
                          "An interleaved sequence, raw or Y4M, read through memory maps.")
      .def(py::init([](const py::object& path, const PyLayout& layout, Given width, Given height,
                       Given chroma, Given bitDepth) {
             return std::make_unique<Interleaved>(systemPath(path), layout, width, height, chroma,
                                                  bitDepth);
           }),
           py::arg("path"), py::arg("layout"), py::arg("width") = py::none(),
           py::arg("height") = py::none(), py::arg("chroma_format") = py::none(),
           py::arg("bit_depth") = py::none(),
           "The picture format as given; what is not given comes from a Y4M file's header, "
           "and is 4:2:0 8-bit for a raw file, which needs its width and height.")
      .def("frame", &Interleaved::frame, py::arg("camera"), py::arg("n"),
           "The Y, U and V planes of frame n of a camera, as read-only numpy views "
           "(uint8, or uint16 above 8 bits; U and V are None in 4:0:0). They read the file "
           "as it is: shortening it while they live ends the process (SIGBUS), as with any "
           "memory map; copy them (numpy.array(plane)) to keep them.");

  // merge() is mvweave's run, split() mvunweave's.
  for (const InterleavedFile interleaved : {InterleavedFile::kWritten, InterleavedFile::kRead}) {
    const bool merges = interleaved == InterleavedFile::kWritten;
    module.def(
        merges ? "merge" : "split",
        [interleaved](const py::args& configs, const py::object& notes) {
          run(interleaved, configs, notes);
        },
        py::arg("notes") = py::none(),
        merges ? "mvweave's run on its configuration files; raises mvweave.Error on failure. "
                 "The notes and warnings it would write are appended to `notes`, a list."
               : "mvunweave's run on its configuration files; raises mvweave.Error on failure. "
                 "The notes and warnings it would write are appended to `notes`, a list.");
  }
}
