"""The Python module against the tools: Layout line by line against their
--layout listings, Interleaved frames against the camera files in three
formats, memory that stays flat over a large file, the runs' errors, notes
and Ctrl+C, and what Python users expect of files and errors."""
import errno
import os
import pathlib
import random
import resource
import signal
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import warnings

import numpy as np

import mvweave

BIN = os.environ.get("MVWEAVE_BIN", "")


class InFolder(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.addCleanup(self.folder.cleanup)

    def path(self, name):
        return os.path.join(self.folder.name, name)

    def write(self, name, data):
        with open(self.path(name), "w" if isinstance(data, str) else "wb") as file:
            file.write(data)
        return self.path(name)

    def config(self, name, sequence_key, sequence, camera_key, cameras, settings):
        lines = [f'{sequence_key} = "{self.path(sequence)}"']
        lines += [f'{camera_key} = "{self.path(camera)}"' for camera in cameras]
        lines += [f"{key} = {value}" for key, value in settings.items()]
        return self.write(name, "\n".join(lines) + "\n")

    def listing(self, tool, config, header="index,camera,frame"):
        """A tool's --layout lines as numbers: index (or picture), camera, frame."""
        run = subprocess.run([os.path.join(BIN, tool), "--zero-on-success", "--layout", config],
                             capture_output=True, text=True, check=True)
        lines = run.stdout.splitlines()
        self.assertEqual(lines[0], header)
        return [tuple(map(int, line.split(",")[:3])) for line in lines[1:]]


class LayoutTest(InFolder):
    def test_agrees_with_the_listings_line_by_line(self):
        random.seed(28)
        for _ in range(40):
            n, l, g, f, first = (random.randint(0, 4), random.randint(0, 5), random.randint(0, 4),
                                 random.randint(0, 30), random.randint(0, 3))
            settings = {"GOPLength": l, "NumGOP": g, "NumFrm": f, "FirstFrm": first}
            cameras = [f"cam{c}.yuv" for c in range(n)]
            layout = mvweave.Layout(n, gop_length=l, num_gop=g, num_frm=f, first_frm=first)
            split = self.listing("mvunweave", self.config(
                "split.cfg", "Input", "multiview.yuv", "Output", cameras, settings))
            what = f"N={n} L={l} G={g} F={f} FirstFrm={first}"
            self.assertEqual(len(split), len(layout), what)
            self.assertEqual([(c, frame) for _, c, frame in split], list(layout), what)
            for index, c, frame in split:
                self.assertEqual(layout.position(c, frame), index, what)
                self.assertEqual(layout.source(index), (c, frame), what)
            # mvweave shifts the camera frames instead of the positions.
            merge = self.listing("mvweave", self.config(
                "merge.cfg", "Output", "multiview.yuv", "Input", cameras, settings))
            unshifted = mvweave.Layout(n, gop_length=l, num_gop=g, num_frm=f)
            self.assertEqual(merge, [(unshifted.position(c, frame - first), c, frame)
                                     for _, c, frame in merge], what)
            self.assertEqual(len(merge), len(unshifted), what)
            # Shown as it is made, and read back the same.
            again = eval(repr(layout), {"mvweave": mvweave})  # pylint: disable=eval-used
            self.assertEqual((again.cameras, again.gop_length, again.num_gop, again.num_frm,
                              again.first_frm), (n, l, g, f, first), what)


class PackedLayoutTest(InFolder):
    def test_a_packed_layout_counts_pictures_as_the_listings_do(self):
        random.seed(29)
        for _ in range(20):
            n = random.randint(1, 4)
            packing = random.choice(["side-by-side", "top-bottom"] +
                                    [f"{c}x{n // c}" for c in range(1, n + 1) if n % c == 0])
            l, g, f, first = (random.randint(0, 4), random.randint(0, 3), random.randint(0, 20),
                              random.randint(0, 3))
            settings = {"GOPLength": l, "NumGOP": g, "NumFrm": f, "FirstFrm": first,
                        "Packing": packing}
            layout = mvweave.Layout(n, gop_length=l, num_gop=g, num_frm=f, first_frm=first,
                                    packing=packing)
            listing = self.listing("mvunweave", self.config(
                "split.cfg", "Input", "multiview.yuv", "Output",
                [f"cam{c}.yuv" for c in range(n)], settings), "picture,camera,frame,x,y")
            what = f"N={n} L={l} G={g} F={f} FirstFrm={first} Packing={packing}"
            self.assertEqual(len({picture for picture, *_ in listing}), len(layout), what)
            for picture, c, frame in listing:
                self.assertEqual(layout.position(c, frame), picture, what)

    def test_packing_by_name_shown_and_refused(self):
        for name, cameras, shown in [("frames", 3, "frames"), ("side-by-side", 3, "side-by-side"),
                                     ("top-bottom", 1, "top-bottom"), ("02x2", 4, "2x2")]:
            layout = mvweave.Layout(cameras, gop_length=2, first_frm=1, packing=name)
            self.assertEqual(layout.packing, shown, name)
            again = eval(repr(layout), {"mvweave": mvweave})  # pylint: disable=eval-used
            self.assertEqual((again.packing, again.cameras, again.first_frm), (shown, cameras, 1))
        self.assertNotIn("packing", repr(mvweave.Layout(3)))
        self.assertIn("packing='3x1'", repr(mvweave.Layout(3, packing="3x1")))
        for name in ["", "Frames", "diagonal", "0x2", "2x", "x2", "2x2x1", "2 x 2", "-2x-2"]:
            with self.assertRaisesRegex(ValueError, "is none of 'frames', 'side-by-side'"):
                mvweave.Layout(4, packing=name)
        with self.assertRaisesRegex(ValueError, "packing '2x2' has 4 tiles for 3 cameras"):
            mvweave.Layout(3, packing="2x2")
        with self.assertRaisesRegex(ValueError, "packing '1x1' has 1 tiles for 0 cameras"):
            mvweave.Layout(0, packing="1x1")

    def test_a_picture_holds_every_camera_so_no_index_names_one(self):
        layout = mvweave.Layout(4, gop_length=2, num_gop=2, first_frm=3, packing="2x2")
        self.assertEqual(len(layout), 5)
        self.assertEqual([layout.position(c, 4) for c in range(4)], [7] * 4)
        for camera, frame in [(4, 0), (0, 5)]:
            with self.assertRaises(IndexError):
                layout.position(camera, frame)
        with self.assertRaisesRegex(TypeError, "picture i is frame i - first_frm"):
            layout.source(3)
        with self.assertRaises(TypeError):
            iter(layout)
        # Without cameras there is nothing to tile: it reads as frames.
        self.assertEqual(list(mvweave.Layout(0, packing="side-by-side")), [])


class InterleavedTest(InFolder):
    def merged(self, sequence, width, height, chroma, depth, frames_per_camera=9):
        plane = width * height
        chroma_plane = {420: ((width + 1) // 2) * ((height + 1) // 2), 422: ((width + 1) // 2) * height,
                        444: plane, 400: 0}[chroma]
        frame = (plane + 2 * chroma_plane) * (2 if depth > 8 else 1)
        cameras = []
        for c in range(3):
            cameras.append(np.random.default_rng(c).integers(
                0, 256, frames_per_camera * frame, dtype=np.uint8).tobytes())
            self.write(f"cam{c}.yuv", cameras[-1])
        mvweave.merge(self.config("merge.cfg", "Output", sequence, "Input",
                                  [f"cam{c}.yuv" for c in range(3)],
                                  {"Width": width, "Height": height, "ChromaFormat": chroma,
                                   "BitDepth": depth, "GOPLength": 4, "NumGOP": 2}))
        return cameras, frame

    def test_reads_every_frame_as_the_camera_files_hold_it(self):
        for sequence, width, height, chroma, depth in [("multiview.yuv", 176, 144, 420, 8),
                                                      ("multiview.yuv", 64, 48, 422, 10),
                                                      ("multiview.y4m", 175, 143, 420, 8),
                                                      ("multiview.yuv", 32, 16, 400, 12)]:
            cameras, frame = self.merged(sequence, width, height, chroma, depth)
            layout = mvweave.Layout(3, gop_length=4, num_gop=2)
            interleaved = mvweave.Interleaved(self.path(sequence), layout, width, height,
                                              chroma_format=chroma, bit_depth=depth)
            for c in range(3):
                for n in range(9):
                    planes = interleaved.frame(c, n)
                    self.assertEqual(planes[0].shape, (height, width))
                    self.assertEqual(planes[0].dtype, np.uint16 if depth > 8 else np.uint8)
                    data = b"".join(p.tobytes() for p in planes if p is not None)
                    self.assertEqual(data, cameras[c][n * frame:(n + 1) * frame],
                                     f"{sequence} {chroma} {depth}-bit camera {c} frame {n}")
            with self.assertRaises(IndexError):
                interleaved.frame(0, 9)
        # A Y4M file gives its own format; one that disagrees is refused, and
        # a raw file needs its size.
        from_header = mvweave.Interleaved(self.path("multiview.y4m"), layout)
        self.assertEqual(from_header.frame(2, 8)[2].shape, ((143 + 1) // 2, (175 + 1) // 2))
        with self.assertRaisesRegex(ValueError, "its Y4M header says 175x143 4:2:0 8-bit, not "
                                    "what was given: bit_depth=10"):
            mvweave.Interleaved(self.path("multiview.y4m"), layout, bit_depth=10)
        with self.assertRaisesRegex(ValueError, "needs its width and height"):
            mvweave.Interleaved(self.path("multiview.yuv"), layout, width=32)

    def test_a_frame_past_the_end_of_the_file(self):
        self.merged("multiview.yuv", 16, 16, 420, 8)
        os.truncate(self.path("multiview.yuv"), 20 * 384)
        interleaved = mvweave.Interleaved(self.path("multiview.yuv"),
                                          mvweave.Layout(3, gop_length=4, num_gop=2), 16, 16)
        interleaved.frame(1, 5)  # at index 19
        with self.assertRaises(IndexError):
            interleaved.frame(2, 5)  # at index 23
        os.truncate(self.path("multiview.yuv"), 19 * 384)  # shortened since
        with self.assertRaises(IndexError):
            interleaved.frame(1, 5)
        # A size that cannot be the file's is said at once, not frames later.
        layout = mvweave.Layout(3, gop_length=4, num_gop=2)
        with self.assertWarnsRegex(UserWarning, "7296 bytes is not a whole number of 864-byte"):
            mvweave.Interleaved(self.path("multiview.yuv"), layout, 24, 24)
        with self.assertRaisesRegex(ValueError, "a width or height of 0"):
            mvweave.Interleaved(self.path("multiview.yuv"), layout, 16, 0)

    def test_a_y4m_file_written_again_is_indexed_again(self):
        def write(tags, values):
            frames = b"".join(b"FRAME\n" + bytes([v]) * 24 for v in values)
            self.write("again.y4m", b"YUV4MPEG2 W4 H4 F25:1 C420jpeg" + tags + b"\n" + frames)
        write(b"", [1, 2, 3])
        os.utime(self.path("again.y4m"), ns=(10**18, 10**18))
        interleaved = mvweave.Interleaved(pathlib.Path(self.path("again.y4m")),
                                          mvweave.Layout(1, gop_length=2, num_gop=1))
        self.assertEqual(interleaved.frame(0, 2)[0].tobytes(), bytes([3]) * 16)
        write(b" XCOLORRANGE=FULL", [4, 5, 6])
        self.assertEqual(interleaved.frame(0, 1)[0].tobytes(), bytes([5]) * 16)

    def test_memory_stays_flat_over_a_large_file(self):
        frame = 1920 * 1080 * 3 // 2
        with open(self.path("large.yuv"), "wb") as file:
            file.truncate(2 * 86 * frame)  # 534 MB, sparse
        layout = mvweave.Layout(2, gop_length=5, num_gop=17)
        interleaved = mvweave.Interleaved(self.path("large.yuv"), layout, 1920, 1080)
        before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
        total = 0
        for n in range(86):
            y, u, v = interleaved.frame(1, n)
            total += int(y.sum()) + int(u.sum()) + int(v.sum())
            del y, u, v
        grown_kib = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - before
        self.assertEqual(total, 0)
        self.assertLess(grown_kib, 32 * 1024, "read 267 MB of frames")


def frame_bytes(width, height, chroma, depth):
    """Bytes of a 4:2:0 or 4:2:2 frame, and the shapes of its planes."""
    chroma_shape = ((height + 1) // 2 if chroma == 420 else height, (width + 1) // 2)
    shapes = [(height, width), chroma_shape, chroma_shape]
    return sum(h * w for h, w in shapes) * (2 if depth > 8 else 1), shapes


class PackedInterleavedTest(InFolder):
    """A packed sequence read tile by tile, against the camera files it was packed from."""

    def packed(self, sequence, packing, cameras, width, height, chroma, depth, by_program=False,
               frames_per_camera=3):
        """Random camera files packed into `sequence`, by merge() or by the mvweave program."""
        frame, _ = frame_bytes(width, height, chroma, depth)
        data = []
        for c in range(cameras):
            data.append(np.random.default_rng(c).integers(
                0, 256, frames_per_camera * frame, dtype=np.uint8).tobytes())
            self.write(f"cam{c}.yuv", data[-1])
        config = self.config("merge.cfg", "Output", sequence, "Input",
                             [f"cam{c}.yuv" for c in range(cameras)],
                             {"Width": width, "Height": height, "ChromaFormat": chroma,
                              "BitDepth": depth, "GOPLength": 1,
                              "NumGOP": frames_per_camera - 1, "Packing": packing})
        if by_program:
            subprocess.run([os.path.join(BIN, "mvweave"), "--zero-on-success", config], check=True,
                           capture_output=True)
        else:
            mvweave.merge(config)
        return [[data[c][n * frame:(n + 1) * frame] for n in range(frames_per_camera)]
                for c in range(cameras)]

    CASES = [  # sequence, packing, cameras, width, height, chroma, depth, by the program
        ("multiview.yuv", "side-by-side", 3, 8, 6, 420, 8, False),
        ("multiview.y4m", "side-by-side", 2, 6, 3, 422, 10, True),
        ("multiview.yuv", "top-bottom", 3, 5, 4, 420, 8, True),
        ("multiview.y4m", "top-bottom", 2, 6, 5, 422, 10, False),
        ("multiview.y4m", "2x2", 4, 8, 6, 420, 8, True),
        ("multiview.yuv", "2x2", 4, 6, 4, 422, 10, False),
    ]

    def test_each_tile_is_the_cameras_frame_as_a_strided_read_only_view(self):
        for sequence, packing, cameras, width, height, chroma, depth, by_program in self.CASES:
            with self.subTest(sequence=sequence, packing=packing, chroma=chroma, depth=depth):
                originals = self.packed(sequence, packing, cameras, width, height, chroma, depth,
                                        by_program)
                columns = {"side-by-side": cameras, "top-bottom": 1, "2x2": 2}[packing]
                layout = mvweave.Layout(cameras, gop_length=1, num_gop=2, packing=packing)
                _, shapes = frame_bytes(width, height, chroma, depth)
                sample = 2 if depth > 8 else 1
                # A Y4M sequence gives its layout and format; a raw one needs them.
                given = ({} if sequence.endswith(".y4m") else
                         {"layout": layout, "width": width, "height": height,
                          "chroma_format": chroma, "bit_depth": depth})
                with mvweave.Interleaved(self.path(sequence), **given) as interleaved:
                    for c in range(cameras):
                        for n in range(3):
                            planes = interleaved.frame(c, n)
                            self.assertEqual([p.shape for p in planes], shapes)
                            self.assertEqual([p.strides for p in planes],
                                             [(w * columns * sample, sample) for _, w in shapes])
                            self.assertEqual(b"".join(p.tobytes() for p in planes),
                                             originals[c][n], f"camera {c} frame {n}")
                            self.assertFalse(any(p.flags.writeable for p in planes))
                    with self.assertRaises(ValueError):
                        planes[0][0, 0] = 0
                    with self.assertRaises(IndexError):
                        interleaved.frame(cameras, 0)

    def test_views_share_the_memory_map_of_the_file(self):
        self.packed("multiview.yuv", "2x2", 4, 4, 2, 420, 8)
        layout = mvweave.Layout(4, gop_length=1, num_gop=2, packing="2x2")
        with mvweave.Interleaved(self.path("multiview.yuv"), layout, 4, 2) as interleaved:
            y, u, v = interleaved.frame(3, 1)  # picture 1, the tile at column 1, row 1
        self.assertIs(u.base, y.base)  # one mapping that the planes keep
        self.assertIs(v.base, y.base)
        # An 8x4 picture of 48 bytes: camera 3's luma begins on row 2 at x 4, its V on
        # row 1 of the 4x2 V plane at x 2.
        with open(self.path("multiview.yuv"), "r+b") as file:
            os.pwrite(file.fileno(), b"\xaa", 48 + 2 * 8 + 4)
            os.pwrite(file.fileno(), b"\xbb", 48 + 32 + 8 + 4 + 2)
        self.assertEqual((y[0, 0], v[0, 0]), (0xaa, 0xbb))

    def test_first_frm_skips_pictures_and_warnings_count_pictures(self):
        originals = self.packed("multiview.yuv", "side-by-side", 2, 4, 2, 420, 8,
                                frames_per_camera=4)
        with warnings.catch_warnings():
            warnings.simplefilter("error")  # four pictures are what the layout reads
            interleaved = mvweave.Interleaved(
                self.path("multiview.yuv"),
                mvweave.Layout(2, gop_length=1, num_gop=2, first_frm=1, packing="side-by-side"),
                4, 2)
        self.assertEqual(b"".join(p.tobytes() for p in interleaved.frame(1, 2)), originals[1][3])
        with self.assertRaises(IndexError):
            interleaved.frame(1, 3)
        for num_gop, warned in [(4, "holds 4 frames; the layout takes 5: the last one is missing"),
                                (1, "holds 4 frames; the layout reads 2: 2 are left out")]:
            with self.assertWarnsRegex(UserWarning, warned):
                mvweave.Interleaved(self.path("multiview.yuv"), mvweave.Layout(
                    2, gop_length=1, num_gop=num_gop, packing="side-by-side"), 4, 2)

    def test_the_record_gives_the_packing_and_a_layout_must_agree_with_it(self):
        originals = self.packed("multiview.y4m", "side-by-side", 2, 4, 2, 420, 8)
        with mvweave.Interleaved(self.path("multiview.y4m")) as interleaved:
            self.assertEqual(interleaved.frame(1, 2)[0].tobytes(), originals[1][2][:8])
        same_grid = mvweave.Layout(2, gop_length=1, num_gop=2, packing="2x1")
        mvweave.Interleaved(self.path("multiview.y4m"), same_grid, width=4).close()
        for packing in ["frames", "top-bottom"]:
            with self.assertRaises(mvweave.Error) as raised:
                mvweave.Interleaved(self.path("multiview.y4m"), mvweave.Layout(
                    2, gop_length=1, num_gop=2, packing=packing))
            self.assertEqual(raised.exception.message,
                             "ERROR: Layout differs from the Y4M header!")
            self.assertIn("written with Packing 2x1; the configuration says " + packing,
                          str(raised.exception))
        with self.assertRaisesRegex(ValueError, r"its Y4M header says 8x2 4:2:0 8-bit, 2 x 1 "
                                    r"pictures of 4x2, not what was given: width=8"):
            mvweave.Interleaved(self.path("multiview.y4m"), width=8)

    def test_a_packed_y4m_file_written_again_is_read_again(self):
        self.packed("multiview.y4m", "2x2", 4, 4, 2, 420, 8)
        os.utime(self.path("multiview.y4m"), ns=(10**18, 10**18))
        interleaved = mvweave.Interleaved(self.path("multiview.y4m"))
        interleaved.frame(0, 0)
        with open(self.path("multiview.y4m"), "r+b") as file:
            data = file.read()
            file.seek(0)
            file.write(data.replace(b"XMVWEAVE", b"XCOLORRANGE=FULL XMVWEAVE"))
        # Camera 3's V tile is the last row's second half: the file's last two bytes.
        self.assertEqual(interleaved.frame(3, 2)[2].tobytes(), data[-2:])

    def test_pictures_that_cannot_be_tiled_are_refused(self):
        def y4m(name, size, record):
            return self.write(name, b"YUV4MPEG2 %s C420jpeg XMVWEAVE=1,%s\nFRAME\n"
                              % (size, record) + b"\0" * 64)
        cases = [  # the file, the layout and size given, what is said
            (y4m("seven.y4m", b"W7 H2", b"N2,L1,G0,P2x1"), {},
             "its header says 7x2, which is no grid of 2 x 1 equal pictures"),
            (y4m("nine.y4m", b"W6 H6", b"N4,L1,G0,P3x3"), {},
             "nine.y4m records packing '3x3' has 9 tiles for 4 cameras"),
            (self.write("packed.yuv", b"\0" * 64), {"layout": mvweave.Layout(
                2, packing="side-by-side"), "width": 5, "height": 2},
             "Width 5 is odd, and 4:2:0 8-bit chroma planes of half the width cannot be tiled "
             "side by side"),
            (self.path("packed.yuv"), {"layout": mvweave.Layout(2, packing="top-bottom"),
                                      "width": 4, "height": 3},
             "Height 3 is odd"),
        ]
        for path, given, said in cases:
            with self.subTest(said=said), self.assertRaisesRegex(ValueError, said):
                mvweave.Interleaved(path, **given)
        # 4:2:2 chroma planes are as high as the picture: an odd height is tiled.
        self.write("odd.yuv", bytes(range(48)))
        with mvweave.Interleaved(self.path("odd.yuv"), mvweave.Layout(
                2, gop_length=1, num_gop=0, packing="top-bottom"), 4, 3, 422) as interleaved:
            _, u, _ = interleaved.frame(1, 0)
        self.assertEqual(u.tobytes(), bytes(range(24 + 6, 24 + 12)))


class RunTest(InFolder):
    def test_a_missing_file_raises_the_matching_os_error_and_creates_nothing(self):
        self.write("cam0.yuv", b"\0" * 12)
        config = self.config("merge.cfg", "Output", "multiview.yuv", "Input",
                             ["cam0.yuv", "missing.yuv"], {"Width": 4, "Height": 2})
        with self.assertRaises(FileNotFoundError) as raised:
            mvweave.merge(config)
        self.assertEqual((raised.exception.errno, raised.exception.filename),
                         (errno.ENOENT, self.path("missing.yuv")))
        config = self.config("split.cfg", "Input", "multiview.yuv", "Output", ["back0.yuv"], {})
        with self.assertRaises(FileNotFoundError):
            mvweave.split(os.fsencode(config))  # a name as bytes is that name
        with self.assertRaisesRegex(ValueError, "embedded null byte"):
            mvweave.split(config + "\0.cfg")
        with self.assertRaises(TypeError):
            mvweave.merge()
        self.assertEqual(sorted(os.listdir(self.folder.name)), ["cam0.yuv", "merge.cfg", "split.cfg"])

    def test_notes_and_warnings_go_to_a_list_when_one_is_given(self):
        self.write("cam0.yuv", b"\1" * 36)
        self.write("cam1.yuv", b"\2" * 30)
        config = self.config("merge.cfg", "Output", "multiview.yuv", "Input",
                             ["cam0.yuv", "cam1.yuv"],
                             {"Width": 4, "Height": 2, "GOPLength": 2, "NumGOP": 1})
        notes = []
        mvweave.merge(config, notes=notes)
        cam1 = self.path("cam1.yuv")
        self.assertEqual([(note.kind, note.file, note.camera) for note in notes],
                         [("note", cam1, 1)] * 2 + [("input ran short", cam1, 1)])
        self.assertEqual([str(note) for note in notes], [
            f"{cam1} (camera 1): 30 bytes is not a whole number of 12-byte frames "
            "(Width 4, Height 2, 4:2:0 8-bit); check Width, Height and the picture format",
            f"{cam1} (camera 1): holds 2 frames and 6 bytes; the layout takes 3: the "
            "last one will be zeros, the first of them after 6 bytes of data",
            f"{cam1} (camera 1)"])
        with open(self.path("multiview.yuv"), "rb") as merged:
            self.assertEqual(merged.read(), b"\1" * 12 + b"\2" * 12 + b"\1" * 24 + b"\2" * 18 +
                             b"\0" * 6)


def frames(camera, count, first=0):
    """12-byte frames of a 4x2 picture, each a line naming its camera and frame."""
    return b"".join(b"c%df%08d\n" % (camera, f) for f in range(first, first + count))


class PythonHabitsTest(InFolder):
    """What Python users expect: Ctrl+C, files closed, OSError, fsdecode names."""

    def merge_config(self, cameras, output="multiview.yuv", **settings):
        return self.config("merge.cfg", "Output", output, "Input", cameras,
                           {"Width": 4, "Height": 2, "GOPLength": 1, **settings})

    def interrupted(self, config, ready):
        """SIGINT to this thread once ready() (or after 10 s); how soon after it merge()
        raised KeyboardInterrupt."""
        main = threading.get_ident()
        sent = []

        def interrupt():
            deadline = time.monotonic() + 10
            while time.monotonic() < deadline and not ready():
                time.sleep(0.01)
            sent.append(time.monotonic())
            signal.pthread_kill(main, signal.SIGINT)

        threading.Thread(target=interrupt, daemon=True).start()
        with self.assertRaises(KeyboardInterrupt):
            mvweave.merge(config)
        return time.monotonic() - sent[0]

    def test_ctrl_c_stops_a_run_within_a_second_and_removes_what_it_wrote(self):
        os.mkfifo(self.path("slow.fifo"))
        self.write("cam1.yuv", frames(1, 40))
        config = self.merge_config(["slow.fifo", "cam1.yuv"], NumGOP=39)

        def slow_camera():  # five frames, then nothing for a long while
            with open(self.path("slow.fifo"), "wb") as fifo:
                fifo.write(frames(0, 5))
                fifo.flush()
                time.sleep(5)

        threading.Thread(target=slow_camera, daemon=True).start()
        output = self.path("multiview.yuv")
        self.assertLess(self.interrupted(
            config, lambda: os.path.exists(output) and os.path.getsize(output) >= 48), 1.0)
        self.assertFalse(os.path.exists(output))
        # A camera whose decoder never started: the run waits to open it.
        os.mkfifo(self.path("never.fifo"))
        started = time.monotonic()
        self.assertLess(self.interrupted(self.merge_config(["never.fifo"]),
                                         lambda: time.monotonic() > started + 0.3), 1.0)
        self.assertFalse(os.path.exists(output))

    def test_a_failed_construction_leaves_no_file_open_and_close_does(self):
        self.write("raw.yuv", frames(0, 6))
        self.write("four.y4m", b"YUV4MPEG2 W4 H2 C420jpeg\nFRAME\n" + frames(0, 1))
        layout = mvweave.Layout(1, gop_length=2, num_gop=2)
        failing = [lambda: mvweave.Interleaved(self.path("raw.yuv"), layout),
                   lambda: mvweave.Interleaved(self.path("raw.yuv"), layout, 4, 0),
                   lambda: mvweave.Interleaved(self.path("four.y4m"), layout, width=8),
                   lambda: mvweave.Interleaved(self.path("raw.yuv"), layout, 4, 2, bit_depth=20)]
        open_files = len(os.listdir("/proc/self/fd"))
        for _ in range(250):
            for construct in failing:
                with self.assertRaises(ValueError):
                    construct()
        self.assertEqual(len(os.listdir("/proc/self/fd")), open_files)
        with mvweave.Interleaved(self.path("raw.yuv"), layout, 4, 2) as sequence:
            y, _, _ = sequence.frame(0, 4)
            self.assertEqual(len(os.listdir("/proc/self/fd")), open_files + 1)
        self.assertEqual(len(os.listdir("/proc/self/fd")), open_files)
        self.assertEqual(y.tobytes(), frames(0, 1, 4)[:8])  # the views outlive the file
        with self.assertRaisesRegex(ValueError, "closed"):
            sequence.frame(0, 0)

    def test_each_failure_of_the_system_is_its_os_error(self):
        os.mkdir(self.path("folder"))
        self.write("cam0.yuv", frames(0, 3))
        layout = mvweave.Layout(1)
        for cause, camera in [(FileNotFoundError, "missing.yuv"),
                              (IsADirectoryError, "folder"),
                              (NotADirectoryError, "cam0.yuv/x.yuv")]:
            with self.assertRaises(cause) as raised:
                mvweave.merge(self.merge_config([camera]))
            self.assertEqual(raised.exception.filename, self.path(camera), cause)
            self.assertIsNotNone(raised.exception.errno, cause)
            with self.assertRaises(cause):
                mvweave.Interleaved(self.path(camera), layout, 4, 2)
        # Where the system says no (not as root, who may do anything).
        script = ("import mvweave, sys\ntry: mvweave.merge(sys.argv[1])\n"
                  "except PermissionError as e: print(e.errno, e.filename)")
        run = subprocess.run([sys.executable, "-c", script, self.merge_config(["cam0.yuv"])],
                             preexec_fn=lambda: os.setuid(65534) if os.getuid() == 0 else None,
                             capture_output=True, text=True, check=True,
                             env={**os.environ, "PYTHONPATH": os.environ.get("PYTHONPATH", "")})
        self.assertEqual(run.stdout, f"{errno.EACCES} {self.path('merge.cfg')}\n")

    def test_other_failures_are_errors_with_where_they_happened(self):
        self.write("bad.cfg", "Width = 4\nGOPLen = 2\n")
        good = self.merge_config(["cam0.yuv"])
        self.write("cam0.yuv", frames(0, 3))
        with self.assertRaises(mvweave.Error) as raised:
            mvweave.merge(self.path("bad.cfg"), good)  # the first that fails stops the call
        error = raised.exception
        self.assertEqual((error.message, error.file, error.line, error.camera),
                         ("ERROR: unknown identifier in configFile!", self.path("bad.cfg"), 2, None))
        self.assertEqual(error.detail, f'{self.path("bad.cfg")}:2: unknown key "GOPLen"; '
                         'did you mean "GOPLength"?')
        self.assertFalse(os.path.exists(self.path("multiview.yuv")))
        self.write("odd.y4m", b"YUV4MPEG2 W4 H2 C411\nFRAME\n" + frames(0, 1))
        with self.assertRaises(mvweave.Error) as raised:
            mvweave.merge(self.merge_config(["cam0.yuv", "odd.y4m"]))
        self.assertEqual((raised.exception.message, raised.exception.camera),
                         ("ERROR: Unsupported picture format!", 1))

    def test_names_that_are_no_utf8_show_as_python_shows_them(self):
        name = os.fsencode(self.folder.name) + b"/caf\xe9.yuv"
        shown = os.fsdecode(name)
        with open(name, "wb") as file:
            file.write(frames(0, 3) + b"odd")
        with self.assertWarns(UserWarning) as warned:
            mvweave.Interleaved(name, mvweave.Layout(1, gop_length=2), 4, 2)
        self.assertIn(f"{shown}: 39 bytes is not a whole number of 12-byte frames",
                      [str(w.message) for w in warned.warnings][0])
        missing = os.fsencode(self.path("missing")) + b"\xff.yuv"
        config = self.write("merge.cfg", b'Input = "' + missing + b'"\nWidth = 4\nHeight = 2\n')
        with self.assertRaises(FileNotFoundError) as raised:
            mvweave.merge(config)
        self.assertEqual(raised.exception.filename, os.fsdecode(missing))
        bad = os.fsencode(self.folder.name) + b"/k\xe9y.cfg"
        with open(bad, "wb") as file:
            file.write(b"W\xe9dth = 3\n")
        with self.assertRaises(mvweave.Error) as raised:
            mvweave.merge(bad)
        self.assertEqual(raised.exception.file, os.fsdecode(bad))
        self.assertIn(os.fsdecode(bad) + ':1: unknown key "W\udce9dth"', str(raised.exception))

    def test_a_y4m_file_written_again_in_another_format_is_never_read_with_the_old_one(self):
        def write(width, value):
            picture = bytes([value]) * (width * 4 * 3 // 2)
            self.write("again.y4m", b"YUV4MPEG2 W%d H4 C420jpeg\n" % width +
                       (b"FRAME\n" + picture) * 3)
        write(4, 1)
        layout = mvweave.Layout(1, gop_length=2)
        sequence = mvweave.Interleaved(self.path("again.y4m"), layout)
        write(8, 2)  # before the first read
        with self.assertRaisesRegex(ValueError, "written again since, in another format"):
            sequence.frame(0, 0)
        write(4, 3)  # the same format again: read as it is now
        self.assertEqual(sequence.frame(0, 1)[0].tobytes(), bytes([3]) * 16)
        write(8, 4)  # after a read, every read is refused, not only the first
        for _ in range(2):
            with self.assertRaisesRegex(ValueError, "written again since, in another format"):
                sequence.frame(0, 2)

    def test_an_interleaved_file_is_checked_against_its_layout_as_the_tools_check_it(self):
        self.write("three.yuv", b"".join(frames(c, 9) for c in range(3)))
        with self.assertWarnsRegex(UserWarning, r"three.yuv: holds 27 frames; the layout reads "
                                   r"18 \(2 cameras x 9\): 9 are left out"):
            mvweave.Interleaved(self.path("three.yuv"), mvweave.Layout(2), 4, 2)
        with self.assertWarnsRegex(UserWarning, r"holds 27 frames; the layout takes 36 \(4 "
                                   r"cameras x 9\): the last 9 are missing"):
            mvweave.Interleaved(self.path("three.yuv"), mvweave.Layout(4), 4, 2)
        with warnings.catch_warnings():
            warnings.simplefilter("error")
            mvweave.Interleaved(self.path("three.yuv"), mvweave.Layout(3), 4, 2)

    def test_a_layout_whose_positions_do_not_fit_64_bits_is_refused(self):
        edge = {"gop_length": 2**32 - 1, "num_gop": 2**31}
        last = 2 * (1 + 2**31 * (2**32 - 1)) - 1
        fits = mvweave.Layout(2, **edge)
        self.assertEqual(fits.position(1, 2**31 * (2**32 - 1)), last)
        self.assertEqual(fits.source(last), (1, 2**31 * (2**32 - 1)))
        with self.assertRaises(OverflowError):
            mvweave.Layout(2, first_frm=2**32 - 1, **edge)
        self.assertEqual(mvweave.Layout(2, first_frm=2**32 - 1).position(1, 8), 2**33 + 15)

    def test_the_stub_names_what_the_package_holds(self):
        import ast
        stub = ast.parse((pathlib.Path(mvweave.__file__).parent / "__init__.pyi").read_text())
        classes = {node.name: node for node in stub.body if isinstance(node, ast.ClassDef)}
        functions = {node.name for node in stub.body if isinstance(node, ast.FunctionDef)}
        self.assertEqual(sorted(set(classes) | functions), sorted(mvweave.__all__))
        for name, node in classes.items():
            typed = {item.name for item in node.body if isinstance(item, ast.FunctionDef)}
            typed |= {item.target.id for item in node.body if isinstance(item, ast.AnnAssign)}
            public = {attribute for attribute in dir(getattr(mvweave, name))
                      if not attribute.startswith("_") or attribute in typed}
            if name not in ("Error", "Note"):  # attributes of instances, not of the class
                self.assertEqual(typed - {"__init__"}, public - {"__init__"}, name)

    def test_a_sequence_that_records_its_layout_needs_none(self):
        for c in range(3):
            self.write(f"cam{c}.y4m", b"YUV4MPEG2 W4 H2 C420jpeg\n" +
                       b"".join(b"FRAME\n" + frames(c, 1, f) for f in range(5)))
        mvweave.merge(self.config("merge.cfg", "Output", "multiview.y4m", "Input",
                                  [f"cam{c}.y4m" for c in range(3)], {"GOPLength": 2, "NumGOP": 2}))
        with mvweave.Interleaved(self.path("multiview.y4m")) as sequence:
            self.assertEqual(sequence.frame(2, 4)[0].tobytes(), frames(2, 1, 4)[:8])
        with self.assertRaises(mvweave.Error) as raised:
            mvweave.Interleaved(self.path("multiview.y4m"), mvweave.Layout(3, gop_length=4))
        self.assertEqual(raised.exception.message, "ERROR: Layout differs from the Y4M header!")
        self.assertIn("written with GOPLength 2; the configuration says 4", str(raised.exception))
        self.write("raw.yuv", frames(0, 3))
        with self.assertRaisesRegex(ValueError, "records no layout"):
            mvweave.Interleaved(self.path("raw.yuv"), width=4, height=2)

    def test_help_is_a_short_manual_in_public_names(self):
        import pydoc
        text = pydoc.render_doc(mvweave, renderer=pydoc.plaintext)
        for words in ["Ctrl+C", "context manager", "OSError", "mvweave.Error"]:
            self.assertIn(words, text)
        for internal in ["mvweave._mvweave.", "PyLayout", "LayoutIterator", "std::"]:
            self.assertNotIn(internal, text)


if __name__ == "__main__":
    unittest.main()
