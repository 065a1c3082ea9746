// The binary part of the Python package mvweave (mvweave._mvweave), over
// the library: the interleaved layout, the frames of an interleaved
// sequence as numpy views of a memory map of the file, and the runs of both
// tools in process. mvweave/__init__.py holds the package's own Python
// (Error, Note) and its manual; mvweave/__init__.pyi its types.
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cerrno>
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "frame_source.h"
#include "layout_record.h"
#include "mvweave/mvweave.h"
#include "packing.h"
#include "picture_checks.h"
#include "picture_format.h"
#include "run_notes.h"
#include "y4m.h"

namespace py = pybind11;

namespace mvweave {
namespace {

// Text from files and paths as Python shows a file name (os.fsdecode):
// bytes that are no UTF-8 stay as surrogates, never an error.
py::str pythonText(const std::string& text) {
  PyObject* const decoded =
      PyUnicode_DecodeFSDefaultAndSize(text.data(), static_cast<Py_ssize_t>(text.size()));
  if (decoded == nullptr) throw py::error_already_set();
  return py::reinterpret_steal<py::str>(decoded);
}

py::object textOrNone(const std::string& text) {
  return text.empty() ? py::object(py::none()) : py::object(pythonText(text));
}

template <typename Number>
py::object numberOrNone(std::optional<Number> number) {
  return number ? py::object(py::cast(*number)) : py::object(py::none());
}

// A file's name as the system takes it, from a str, bytes or a path object;
// like Python's own open(), a name with a null byte in it is refused rather
// than cut short.
std::string systemPath(const py::handle& name) {
  auto path = py::module_::import("os").attr("fsencode")(name).cast<std::string>();
  if (path.find('\0') != std::string::npos) throw py::value_error("embedded null byte");
  return path;
}

// The system's failure as the matching OSError (FileNotFoundError,
// PermissionError, ...), with errno and the file's name.
[[noreturn]] void raiseOsError(OsError error, const std::string& path) {
  errno = error;
  PyErr_SetFromErrnoWithFilenameObject(PyExc_OSError, pythonText(path).ptr());
  throw py::error_already_set();
}

// What a Status says: a failure of the system as an OSError, anything else
// as mvweave.Error with the tools' message, the file, the camera and the
// configuration line.
[[noreturn]] void raise(const Status& status) {
  if (status.osError > 0 && status.osError != ECANCELED)
    raiseOsError(status.osError, status.subject);
  const std::string message = messageOf(status);
  const std::string detail = detailOf(status);
  const std::string text = message + (message.empty() || detail.empty() ? "" : " ") + detail;
  const py::object type = py::module_::import("mvweave").attr("Error");
  const py::object error =
      type(pythonText(text), textOrNone(message), textOrNone(status.subject),
           numberOrNone(status.camera),
           numberOrNone(status.line != 0 ? std::optional(status.line) : std::nullopt),
           textOrNone(detail));
  PyErr_SetObject(type.ptr(), error.ptr());
  throw py::error_already_set();
}

py::object noteObject(const Note& note) {
  static constexpr const char* kKinds[] = {"note", "input ran short", "output removed"};
  return py::module_::import("mvweave").attr("Note")(
      kKinds[static_cast<int>(note.kind)], textOrNone(note.file), numberOrNone(note.camera),
      numberOrNone(note.line != 0 ? std::optional(note.line) : std::nullopt),
      pythonText(note.text));
}

// A warning as the tools would note it, from where the caller stands.
void warn(const Note& note) {
  py::module_::import("warnings")
      .attr("warn")(py::str(noteObject(note)), py::module_::import("builtins").attr("UserWarning"),
                    2);
}

// What the library notes, as warnings.
class Warnings final : public Observer {
 public:
  void note(const Note& note) override { warn(note); }
};

// A layout as mvunweave reads an interleaved file. Frames one after
// another: FirstFrm x N frames before block 0, the arithmetic the
// library's. Packed: one picture for each frame of a camera, holding that
// frame of every camera, and FirstFrm pictures before the first. Every
// position, the last included, must fit in 64 bits.
struct PyLayout {
  Layout layout;
  uint32_t firstFrm = 0;
  Packing packing;

  // A packing without cameras has nothing to tile: it reads as frames.
  [[nodiscard]] Grid grid() const { return gridOf(packing, layout.cameras); }
  [[nodiscard]] bool packed() const { return grid().tiled(); }
  [[nodiscard]] uint64_t skipped() const {
    return packed() ? firstFrm : uint64_t{firstFrm} * layout.cameras;
  }
  // The frames, or pictures, it moves; false beyond 64 bits.
  bool moved(uint64_t& count) const {
    if (!packed()) return framesInSequence(layout, count);
    count = framesPerCamera(layout);
    return true;
  }
  [[nodiscard]] uint64_t size() const {
    uint64_t count = 0;
    (void)moved(count);  // it fits: see makeLayout()
    return count;
  }
  [[nodiscard]] uint64_t position(uint32_t camera, uint64_t frame) const {
    uint64_t position = 0;
    const bool inside = packed() ? camera < layout.cameras && frame < framesPerCamera(layout)
                                 : positionOf(layout, camera, frame, position);
    if (!inside) {
      throw py::index_error("camera " + std::to_string(camera) + " has no frame " +
                            std::to_string(frame) + " in the layout");
    }
    return skipped() + (packed() ? frame : position);
  }
  [[nodiscard]] std::pair<uint32_t, uint64_t> source(uint64_t index) const {
    refuseIfPacked();
    uint32_t camera = 0;
    uint64_t frame = 0;
    if (index < skipped() || !frameAt(layout, index - skipped(), camera, frame)) {
      throw py::index_error("no frame of the layout at index " + std::to_string(index));
    }
    return {camera, frame};
  }
  // A picture of a packed sequence holds a frame of every camera, so no
  // index names one (camera, frame).
  void refuseIfPacked() const {
    if (!packed()) return;
    throw py::type_error("a layout packed " + nameOf(packing) +
                         " holds a frame of every camera in each picture: picture i is frame "
                         "i - first_frm of them all");
  }
};

PyLayout makeLayout(const Layout& layout, uint32_t firstFrm, const Packing& packing) {
  const PyLayout made{layout, firstFrm, packing};
  uint64_t moved = 0;
  if (!made.moved(moved) || moved > UINT64_MAX - made.skipped()) {
    PyErr_SetString(PyExc_OverflowError,
                    made.packed() ? "the layout's positions do not fit in 64 bits (first_frm "
                                    "plus the pictures it moves)"
                                  : "the layout's positions do not fit in 64 bits (first_frm x "
                                    "cameras plus the frames it moves)");
    throw py::error_already_set();
  }
  return made;
}

// ValueError, after `where`, for a grid that is not one tile per camera.
void checkTiles(const Packing& packing, uint32_t cameras, const std::string& where) {
  const Grid grid = gridOf(packing, cameras);
  if (!grid.tiled() || grid.tiles() == cameras) return;
  throw py::value_error(pythonText(
      where + "packing '" + nameOf(packing) + "' has " + std::to_string(grid.tiles()) +
      " tiles for " + std::to_string(cameras) + " cameras; a grid CxR holds one tile per camera"));
}

// mvweave.Layout(...): the packing by its name, with a tile for every
// camera.
PyLayout layoutNamed(uint32_t cameras, uint32_t gopLength, uint32_t numGop, uint32_t numFrm,
                     uint32_t firstFrm, const std::string& name) {
  Packing packing;
  if (!packingNamed(name, packing)) {
    throw py::value_error("packing '" + name +
                          "' is none of 'frames', 'side-by-side', 'top-bottom' or 'CxR' (C "
                          "columns by R rows, both above 0)");
  }
  checkTiles(packing, cameras, "");
  return makeLayout({cameras, gopLength, numGop, numFrm}, firstFrm, packing);
}

using Given = std::optional<uint32_t>;

// "width=32, bit_depth=10": the arguments that were given.
std::string givenText(Given width, Given height, Given chroma, Given bitDepth) {
  std::string text;
  const auto add = [&text](const char* name, Given value) {
    if (value) {
      text += (text.empty() ? "" : ", ") + std::string(name) + "=" + std::to_string(*value);
    }
  };
  add("width", width);
  add("height", height);
  add("chroma_format", chroma);
  add("bit_depth", bitDepth);
  return text;
}

// "175x143 4:2:0 8-bit".
std::string sizeOf(const PictureFormat& format) {
  return std::to_string(format.width) + "x" + std::to_string(format.height) + " " +
         describe(format);
}

// The file's time of change and length, to tell that it was written since.
struct Stamp {
  int64_t seconds = -1;
  int64_t nanoseconds = -1;
  uint64_t length = 0;
  bool operator!=(const Stamp& other) const {
    return seconds != other.seconds || nanoseconds != other.nanoseconds || length != other.length;
  }
};

// An interleaved sequence, raw or Y4M, read through memory maps: each frame
// is mapped when it is asked for and unmapped when its planes are gone, so
// that reading one camera of a long file takes no copy and constant memory.
// A packed sequence's frames are pictures, and a camera's planes are views
// of its tiles inside them. The file is open from construction to close(),
// and only then.
class Interleaved {
 public:
  // One camera's picture format as given; what is not given comes from a
  // Y4M file's header (a packed one holds a tile for every camera), and for
  // a raw file is 4:2:0 8-bit (width and height it needs). What the tools
  // would note about the file against the layout is warned of here.
  Interleaved(std::string path, const std::optional<PyLayout>& layout, Given width, Given height,
              Given chroma, Given bitDepth)
      : path_(std::move(path)) {
    PictureFormat header;
    const bool y4m = openSource(header);
    settleLayout(layout);
    tiles_ = layout_.packed() ? layout_.grid() : Grid{1, 1};
    if (y4m) {
      format_ = cameraFormatOf(header);
      const auto differs = [](Given asked, uint32_t taken) { return asked && *asked != taken; };
      if (differs(width, format_.width) || differs(height, format_.height) ||
          differs(chroma, format_.chroma) || differs(bitDepth, format_.bitDepth)) {
        throw py::value_error(
            pythonText(path_ + ": its Y4M header says " + sizeOf(header) + tilesText() +
                       ", not what was given: " + givenText(width, height, chroma, bitDepth)));
      }
    } else if (!width || !height) {
      throw py::value_error(pythonText(path_ + ": a raw file needs its width and height"));
    } else {
      format_ = {*width, *height, chroma.value_or(420), bitDepth.value_or(8), true};
    }
    settleFrameSize();
    warnAsTheToolsNote();
  }

  // The Y, U and V planes of frame n of a camera (U and V None in 4:0:0):
  // each a view of the camera's tile in its plane of the file's frame,
  // which is all of it unless the sequence is packed.
  py::tuple frame(uint32_t camera, uint64_t n) {
    const uint64_t offset = frameOffset(layout_.position(camera, n));
    const auto page = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
    const uint64_t mapStart = offset / page * page;
    const auto length = static_cast<size_t>(offset - mapStart + frameSize_);
    void* const map = ::mmap(nullptr, length, PROT_READ, MAP_SHARED, source().handle(),
                             static_cast<off_t>(mapStart));
    if (map == MAP_FAILED) raiseOsError(errno, path_);
    // The planes keep the mapping, and it goes when the last of them does.
    const py::capsule owner(new std::pair<void*, size_t>(map, length), [](void* mapping) {
      auto* const mapped = static_cast<std::pair<void*, size_t>*>(mapping);
      ::munmap(mapped->first, mapped->second);
      delete mapped;
    });
    // Tiles are numbered row by row; a frame is the one tile of its picture.
    const uint32_t column = layout_.packed() ? camera % tiles_.columns : 0;
    const uint32_t row = layout_.packed() ? camera / tiles_.columns : 0;
    const size_t bytes = sampleBytes(format_);
    const char* plane = static_cast<const char*>(map) + (offset - mapStart);
    py::object planes[3] = {py::none(), py::none(), py::none()};
    size_t index = 0;
    for (const PlaneShape& tile : planesOf(format_)) {
      // Each plane is tiled on its own: its rows run across every column.
      const size_t rowBytes = size_t{tile.width} * tiles_.columns * bytes;
      const char* corner =
          plane + size_t{row} * tile.height * rowBytes + size_t{column} * tile.width * bytes;
      planes[index++] = view(corner, tile, rowBytes, owner);
      plane += rowBytes * tile.height * tiles_.rows;
    }
    return py::make_tuple(planes[0], planes[1], planes[2]);
  }

  // Closes the file; views already made stay valid.
  void close() { sources_.clear(); }

 private:
  FrameSource& source() {
    if (sources_.empty()) throw py::value_error("I/O operation on a closed mvweave.Interleaved");
    return sources_[0];
  }

  // The layout given, which must agree with the one a Y4M sequence records;
  // none given, the recorded one.
  void settleLayout(const std::optional<PyLayout>& given) {
    LayoutRecord record;
    Warnings warnings;
    const bool recorded = source().y4m() && recordOf(*source().y4m(), path_, record, warnings);
    if (!given && !recorded) {
      throw py::value_error(pythonText(path_ + " records no layout: give it an mvweave.Layout"));
    }
    if (!given) {
      // A Layout has a tile per camera; a record may have written any grid.
      const Packing packing = record.packing.value_or(Packing{});
      checkTiles(packing, *record.cameras, path_ + " records ");
      layout_ = makeLayout({*record.cameras, *record.gopLength, *record.numGop, *record.numFrm}, 0,
                           packing);
      return;
    }
    layout_ = *given;
    if (!recorded) return;
    Request asked;
    asked.cameras.resize(given->layout.cameras);
    asked.gopLength = given->layout.gopLength;
    asked.numGop = given->layout.numGop;
    asked.numFrm = given->layout.numFrm;
    asked.packing = given->packing;
    Layout layout;
    Packing packing;
    if (Status status = applyRecord(record, path_, asked, layout, packing); !status.ok()) {
      raise(status);
    }
  }

  // One camera's picture, from the picture of a Y4M header: a tile of it
  // where the sequence is packed, which the header's size must divide into.
  PictureFormat cameraFormatOf(const PictureFormat& header) {
    if (!layout_.packed()) return header;
    if (Status status = checkY4mTiles(source(), layout_.packing, tiles_); !status.ok()) {
      throw py::value_error(pythonText(detailOf(status)));
    }
    PictureFormat camera = header;
    camera.width /= tiles_.columns;
    camera.height /= tiles_.rows;
    return camera;
  }

  // The size of the file's frames: a camera's frame, or a picture of a
  // tile for every camera, which needs chroma planes that can be tiled.
  void settleFrameSize() {
    uint32_t cameraFrame = 0;
    if (Status status = frameSizeOf(format_, cameraFrame); !status.ok()) {
      throw py::value_error(pythonText(detailOf(status)));
    }
    if (cameraFrame == 0) throw py::value_error(pythonText(path_ + ": a width or height of 0"));
    fileFormat_ = format_;
    if (layout_.packed()) {
      if (Status status =
              packedFormatOf(format_, layout_.packing, layout_.layout.cameras, fileFormat_);
          !status.ok()) {
        throw py::value_error(pythonText(path_ + ": " + detailOf(status)));
      }
    }
    if (Status status = frameSizeOf(fileFormat_, frameSize_); !status.ok()) {
      throw py::value_error(pythonText(detailOf(status)));
    }
  }

  // ", 2 x 1 pictures of 64x48": what the header's picture holds, when
  // packed.
  [[nodiscard]] std::string tilesText() const {
    if (!layout_.packed()) return "";
    return ", " + std::to_string(tiles_.columns) + " x " + std::to_string(tiles_.rows) +
           " pictures of " + std::to_string(format_.width) + "x" + std::to_string(format_.height);
  }

  // What the tools note about an interleaved file before a split: a size
  // that is no whole number of frames, fewer or more frames than the layout
  // reads (pictures, where it is packed).
  void warnAsTheToolsNote() {
    const std::string packing = layout_.packed() ? nameOf(layout_.packing) : "";
    for (const Note& note :
         geometryNotes(sources_, layout_.packed() ? format_ : fileFormat_, frameSize_, packing)) {
      warn(note);
    }
    std::vector<LengthNote> notes;
    if (Status status = lengthNotes(sources_, layout_.layout, layout_.firstFrm, frameSize_,
                                    InterleavedFile::kRead, notes, false, layout_.packed());
        !status.ok()) {
      raise(status);
    }
    for (const LengthNote& note : notes) warn(note.note);
  }

  // A read-only view of a plane's tile: rows of `tile.width` samples,
  // `rowBytes` apart.
  py::array view(const char* data, const PlaneShape& tile, size_t rowBytes,
                 const py::capsule& owner) {
    const auto bytes = static_cast<py::ssize_t>(sampleBytes(format_));
    py::array array(py::dtype(bytes == 1 ? "u1" : "<u2"),
                    {py::ssize_t{tile.height}, py::ssize_t{tile.width}},
                    {static_cast<py::ssize_t>(rowBytes), bytes}, data, owner);
    array.attr("setflags")(py::arg("write") = false);
    return array;
  }

  // Opens the file as the tools do; a Y4M file's header gives `format`
  // (false for a raw file), and its frame lines are indexed later, as far
  // as frames are asked for.
  bool openSource(PictureFormat& format) {
    sources_.clear();
    sources_.emplace_back();
    Status status = sources_[0].open(*files_, path_);
    if (status.ok()) status = sources_[0].recogniseFormat();
    if (!status.ok()) raise(status);
    stamp_ = stampOf();
    if (!sources_[0].y4m()) return false;
    if (!formatOfY4mHeader(*sources_[0].y4m(), format)) {
      throw py::value_error(pythonText(path_ + ": no Y4M header the tools read"));
    }
    return true;
  }

  Stamp stampOf() {
    struct stat status {};
    if (::fstat(source().handle(), &status) != 0) raiseOsError(errno, path_);
    return {static_cast<int64_t>(status.st_mtim.tv_sec),
            static_cast<int64_t>(status.st_mtim.tv_nsec), static_cast<uint64_t>(status.st_size)};
  }

  // Where a frame's data begins, while the file still holds all of it: the
  // file may have been shortened since the last frame, and mapping past its
  // end would end the process (SIGBUS).
  uint64_t frameOffset(uint64_t position) {
    const uint64_t size = checkedStamp().length;
    if (!source().y4m()) {
      if (position >= size / frameSize_) throw py::index_error(pastTheEnd(position));
      return position * frameSize_;
    }
    if (!index_) {
      index_ = std::make_unique<Y4mFrameIndex>(
          [this](uint64_t at, char* buffer, size_t count, size_t& got) {
            return files_->readAt(source().handle(), at, buffer, count, got);
          },
          source().offset(), size, frameSize_);
    }
    for (auto found = Y4mFrameIndex::Next::kFrame;
         frames_.size() <= position && found == Y4mFrameIndex::Next::kFrame;) {
      uint64_t data = 0;
      if (const OsError error = index_->next(found, data)) raiseOsError(error, path_);
      if (found == Y4mFrameIndex::Next::kFrame) frames_.push_back(data);
    }
    if (frames_.size() <= position || frames_[position] + frameSize_ > size) {
      throw py::index_error(pythonText(pastTheEnd(position)));
    }
    return frames_[position];
  }

  // A Y4M file written since its header was read (a merge run anew) may
  // have another header and other frame lines: read again before any
  // frame, it must still give the same format, else every read is refused
  // until it does.
  Stamp checkedStamp() {
    const Stamp now = stampOf();
    if (!source().y4m() || !(now != stamp_)) return now;
    PictureFormat again = fileFormat_;
    if (!openSource(again) || again.width != fileFormat_.width ||
        again.height != fileFormat_.height || again.chroma != fileFormat_.chroma ||
        again.bitDepth != fileFormat_.bitDepth) {
      stamp_ = Stamp{};  // looked at again next time
      throw py::value_error(pythonText(path_ + ": written again since, in another format than " +
                                       sizeOf(fileFormat_)));
    }
    frames_.clear();
    index_.reset();
    return stamp_;
  }

  [[nodiscard]] std::string pastTheEnd(uint64_t position) const {
    return path_ + " holds no frame at index " + std::to_string(position);
  }

  std::string path_;
  PyLayout layout_;
  std::unique_ptr<FileSystem> files_ = makeSystemFileSystem();
  std::vector<FrameSource> sources_;      // the file, while it is open
  Stamp stamp_;                           // when its header was read
  Grid tiles_;                            // columns x rows of a picture; 1 x 1 unless packed
  PictureFormat format_;                  // one camera's frame
  PictureFormat fileFormat_;              // the file's frames: format_, or a packed picture
  uint32_t frameSize_ = 0;                // the file's frames' bytes
  std::vector<uint64_t> frames_;          // Y4M: where the data of each frame begins
  std::unique_ptr<Y4mFrameIndex> index_;  // Y4M: finds the frames not yet in frames_
};

// A run's observer: it keeps the notes, and stops the run when Python has a
// signal to handle (Ctrl+C raises KeyboardInterrupt in the handler, which
// is kept and raised when the run has removed what it wrote). Asked before
// every frame at most every 20 ms; asked at once when a signal interrupts a
// call that waits.
class PythonRun final : public Observer {
 public:
  void note(const Note& note) override { notes.push_back(note); }
  bool cancelled() override {
    const auto now = std::chrono::steady_clock::now();
    if (now < nextLook_) return signalled();
    nextLook_ = now + std::chrono::milliseconds(20);
    return signalHandled();
  }
  // For the file layer, when a signal interrupted a call.
  bool signalHandled() {
    if (signalled()) return true;
    const py::gil_scoped_acquire locked;
    if (PyErr_CheckSignals() == 0) return false;
    raised_ = std::make_unique<py::error_already_set>();
    return true;
  }
  [[nodiscard]] bool signalled() const { return raised_ != nullptr; }
  // Raises what the signal's handler raised.
  [[noreturn]] void raiseSignalled() {
    raised_->restore();
    raised_.reset();
    throw py::error_already_set();
  }

  std::vector<Note> notes;

 private:
  std::chrono::steady_clock::time_point nextLook_;
  std::unique_ptr<py::error_already_set> raised_;
};

// One of the tools' runs on its configuration files, without the GIL:
// nothing is printed; the notes the tool would have written go into
// `notes` when it is a list, as mvweave.Note values.
void run(InterleavedFile interleaved, const py::args& configs, const py::object& notes) {
  if (configs.empty()) throw py::type_error("name at least one configuration file");
  std::vector<std::string> paths;
  for (const py::handle config : configs) paths.push_back(systemPath(config));
  PythonRun observer;
  const auto files = makeSystemFileSystem([&observer] { return observer.signalHandled(); });
  Status status;
  {
    const py::gil_scoped_release unlocked;
    Configuration configuration;
    status = readConfigFiles(*files, paths, interleaved, configuration);
    if (status.ok()) {
      for (const Note& note : notesOn(configuration, interleaved)) observer.note(note);
      status = mvweave::run(configuration, interleaved, observer, *files);
    }
  }
  if (py::isinstance<py::list>(notes)) {
    for (const Note& note : observer.notes) notes.attr("append")(noteObject(note));
  }
  if (observer.signalled()) observer.raiseSignalled();
  if (!status.ok()) raise(status);
}

}  // namespace
}  // namespace mvweave

PYBIND11_MODULE(_mvweave, module) {
  using namespace mvweave;
  module.doc() = "The binary part of the package mvweave: see help(mvweave).";
  // Its types are the package's, and named so in every signature.
  const py::object ownName = module.attr("__name__");
  module.attr("__name__") = "mvweave";

  py::class_<PyLayout>(module, "Layout",
                       "The interleaved layout of N cameras; first_frm x N frames of the "
                       "interleaved file come before block 0, as mvunweave reads it. Packed "
                       "('side-by-side', 'top-bottom' or 'CxR'), the file holds one picture for "
                       "each frame of a camera, a tile for every camera, and first_frm pictures "
                       "come first. OverflowError where a position would not fit in 64 bits.")
      .def(py::init(&layoutNamed), py::arg("cameras"), py::arg("gop_length") = 8,
           py::arg("num_gop") = 1, py::arg("num_frm") = 0, py::arg("first_frm") = 0, py::kw_only(),
           py::arg("packing") = "frames")
      .def("__len__", &PyLayout::size, "The frames the layout moves; packed, the pictures.")
      .def("position", &PyLayout::position, py::arg("camera"), py::arg("frame"),
           "Where frame `frame` of a camera sits in the interleaved file; packed, the index of "
           "the picture that holds it.")
      .def("source", &PyLayout::source, py::arg("index"),
           "The (camera, frame) at an index of the interleaved file; TypeError for a packed "
           "layout, whose pictures hold a frame of every camera.")
      .def(
          "__iter__",
          [](const py::object& layout) -> py::iterator {
            const auto& self = layout.cast<const PyLayout&>();
            self.refuseIfPacked();
            const py::object range = py::module_::import("builtins").attr("range");
            return py::iter(py::module_::import("builtins")
                                .attr("map")(layout.attr("source"),
                                             range(self.skipped(), self.skipped() + self.size())));
          },
          "(camera, frame) in the order of the interleaved file; TypeError for a packed "
          "layout.")
      .def_property_readonly("cameras", [](const PyLayout& l) { return l.layout.cameras; })
      .def_property_readonly("gop_length", [](const PyLayout& l) { return l.layout.gopLength; })
      .def_property_readonly("num_gop", [](const PyLayout& l) { return l.layout.numGop; })
      .def_property_readonly("num_frm", [](const PyLayout& l) { return l.layout.numFrm; })
      .def_property_readonly("first_frm", [](const PyLayout& l) { return l.firstFrm; })
      .def_property_readonly("packing", [](const PyLayout& l) { return nameOf(l.packing); })
      .def("__repr__", [](const PyLayout& l) {
        const bool frames = l.packing.kind == Packing::Kind::kFrames;
        return "mvweave.Layout(" + std::to_string(l.layout.cameras) +
               ", gop_length=" + std::to_string(l.layout.gopLength) +
               ", num_gop=" + std::to_string(l.layout.numGop) +
               ", num_frm=" + std::to_string(l.layout.numFrm) +
               ", first_frm=" + std::to_string(l.firstFrm) +
               (frames ? "" : ", packing='" + nameOf(l.packing) + "'") + ")";
      });

  py::class_<Interleaved>(module, "Interleaved",
                          "An interleaved sequence, raw or Y4M, read through memory maps; a "
                          "context manager that closes the file.")
      .def(py::init([](const py::object& path, const std::optional<PyLayout>& layout, Given width,
                       Given height, Given chroma, Given bitDepth) {
             return std::make_unique<Interleaved>(systemPath(path), layout, width, height, chroma,
                                                  bitDepth);
           }),
           py::arg("path"), py::arg("layout") = py::none(), py::arg("width") = py::none(),
           py::arg("height") = py::none(), py::arg("chroma_format") = py::none(),
           py::arg("bit_depth") = py::none(),
           "The layout as given, or as a Y4M sequence records it; one camera's picture format "
           "as given, what is not given from a Y4M file's header (divided into a tile for "
           "every camera where the layout is packed), and 4:2:0 8-bit for a raw file, which "
           "needs its width and height. What the tools would note about the file against the "
           "layout is warned of (UserWarning).")
      .def("frame", &Interleaved::frame, py::arg("camera"), py::arg("n"),
           "The Y, U and V planes of frame n of a camera, as read-only numpy views "
           "(uint8, or uint16 above 8 bits; U and V are None in 4:0:0); packed, views of the "
           "camera's tiles, whose rows are a packed picture's row apart. They read the file "
           "as it is: shortening it while they live ends the process (SIGBUS), as with any "
           "memory map; copy them (numpy.array(plane)) to keep them.")
      .def("close", &Interleaved::close, "Closes the file; the planes already read stay valid.")
      .def("__enter__", [](const py::object& self) { return self; })
      .def("__exit__", [](Interleaved& self, const py::args&) { self.close(); });

  module.attr("__name__") = ownName;

  // merge() is mvweave's run, split() mvunweave's.
  for (const InterleavedFile interleaved : {InterleavedFile::kWritten, InterleavedFile::kRead}) {
    const bool merges = interleaved == InterleavedFile::kWritten;
    module.def(
        merges ? "merge" : "split",
        [interleaved](const py::args& configs, const py::object& notes) {
          run(interleaved, configs, notes);
        },
        py::arg("notes") = py::none(),
        merges ? "mvweave's run on its configuration files; see help(mvweave)."
               : "mvunweave's run on its configuration files; see help(mvweave).");
  }
}
