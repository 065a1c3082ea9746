"""The Python module against the tools: Layout line by line against their
--layout listings, Interleaved frames against the camera files in three
formats, memory that stays flat over a large file, and the runs' errors."""
import os
import pathlib
import random
import resource
import subprocess
import tempfile
import unittest

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


class LayoutTest(InFolder):
    def listing(self, tool, config):
        run = subprocess.run([os.path.join(BIN, tool), "--zero-on-success", "--layout", config],
                             capture_output=True, text=True, check=True)
        lines = run.stdout.splitlines()
        self.assertEqual(lines[0], "index,camera,frame")
        return [tuple(map(int, line.split(","))) for line in lines[1:]]

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


class RunTest(InFolder):
    def test_a_missing_file_raises_the_tools_message_and_creates_nothing(self):
        self.write("cam0.yuv", b"\0" * 12)
        config = self.config("merge.cfg", "Output", "multiview.yuv", "Input",
                             ["cam0.yuv", "missing.yuv"], {"Width": 4, "Height": 2})
        with self.assertRaises(mvweave.Error) as raised:
            mvweave.merge(config)
        self.assertEqual(str(raised.exception), "ERROR: Could not open input file! "
                         f"{self.path('missing.yuv')} (camera 1): No such file or directory")
        config = self.config("split.cfg", "Input", "multiview.yuv", "Output", ["back0.yuv"], {})
        with self.assertRaisesRegex(mvweave.Error, "^ERROR: Could not open input file! "):
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
        self.assertEqual(notes, [
            f"mvweave: {cam1} (camera 1): 30 bytes is not a whole number of 12-byte frames "
            "(Width 4, Height 2, 4:2:0 8-bit); check Width, Height and the picture format",
            f"mvweave: {cam1} (camera 1): holds 2 frames and 6 bytes; the layout takes 3: the "
            "last one will be zeros, the first of them after 6 bytes of data",
            f"WARNING: Input file too short, missing data filled with zeros: {cam1}"])
        with open(self.path("multiview.yuv"), "rb") as merged:
            self.assertEqual(merged.read(), b"\1" * 12 + b"\2" * 12 + b"\1" * 24 + b"\2" * 18 +
                             b"\0" * 6)


if __name__ == "__main__":
    unittest.main()
