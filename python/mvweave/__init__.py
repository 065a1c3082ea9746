"""Multiview sequences: the interleaved layout, frames as numpy views, and the
runs of mvweave and mvunweave, in process.

Layout(cameras, gop_length=8, num_gop=1, num_frm=0, first_frm=0, *,
       packing="frames")
    Where every frame of every camera sits in the interleaved sequence, as
    the configuration keys GOPLength, NumGOP, NumFrm, FirstFrm and Packing
    say: position(camera, frame), source(index), len() and iteration in file
    order. A layout whose positions would not fit in 64 bits raises
    OverflowError.
    Packed ("side-by-side", "top-bottom" or "CxR": C columns by R rows, the
    cameras row by row, one tile each), picture k of the sequence holds
    frame k of every camera: len() counts pictures, position(camera, frame)
    is first_frm + frame, and source() and iteration raise TypeError, for
    no index names one (camera, frame). A name that is no packing, or a grid
    that is not one tile per camera, raises ValueError.

Interleaved(path, layout=None, width=None, height=None, chroma_format=None,
            bit_depth=None)
    An interleaved sequence, raw or Y4M (a Y4M file gives its own format;
    one that mvweave wrote gives its layout and packing too, and a layout
    given must agree with it).
    frame(camera, n) gives the Y, U and V planes as read-only numpy views of
    a memory map: no copy, constant memory. In a packed sequence they are
    the camera's tiles of picture n, strided (a row is a packed picture's
    row from the next); width and height are then one camera's, and a Y4M
    header's size is divided by the grid (ValueError where it cannot be,
    or where the chroma planes cannot be tiled). What the tools would note
    about the file against the layout (frames or pictures not whole, fewer
    or more than the layout reads) is warned of (UserWarning). It holds the
    file open until close(); use it as a context manager:

        with mvweave.Interleaved("multiview.y4m", layout) as sequence:
            y, u, v = sequence.frame(camera=1, n=5)

merge(*config_files, notes=None), split(*config_files, notes=None)
    The runs of mvweave and mvunweave on their configuration files, read as
    the tools read them. Nothing is printed: with notes=[] the notes the
    tool would write are appended as Note values. Ctrl+C (any signal Python
    handles) stops a run within a second, also while it waits for a pipe;
    the run removes what it wrote, as the tools do, and KeyboardInterrupt
    (or what the handler raises) is raised.

Errors
    A failure of the system (a missing file, no permission, a full disk)
    raises the matching OSError (FileNotFoundError, PermissionError, ...)
    with errno and filename; any other failure raises mvweave.Error, with
    the tools' message and where it happened. Arguments that cannot be
    right raise ValueError, IndexError or TypeError. File names that are no
    UTF-8 are shown as os.fsdecode() shows them.
"""
from dataclasses import dataclass
from typing import Optional


class Error(Exception):
    """A run, or a file, that the tools refuse.

    str() is what the tools print. message: the tools' fixed line for
    scripts ("ERROR: Could not open input file!"), or None; file: the file
    concerned, or None; camera: the camera that file is, or None; line: the
    configuration file's line, or None; detail: the line of detail the
    tools print on standard error, or None.
    """

    def __init__(self, text: str, message: Optional[str] = None, file: Optional[str] = None,
                 camera: Optional[int] = None, line: Optional[int] = None,
                 detail: Optional[str] = None) -> None:
        super().__init__(text)
        self.message = message
        self.file = file
        self.camera = camera
        self.line = line
        self.detail = detail


@dataclass(frozen=True)
class Note:
    """What a run tells besides its result, as a value.

    kind: "note" (something that looks wrong; the run went on), "input ran
    short" (an input ended before the layout did: zeros from there on) or
    "output removed" (the run did not complete: an output it wrote is gone);
    file: the file it is about, or None; camera: the camera that file is, or
    None; line: a configuration file's line, or None; text: what a person
    needs to know. str() is the note as the tools print it.
    """

    kind: str
    file: Optional[str]
    camera: Optional[int]
    line: Optional[int]
    text: str

    def __str__(self) -> str:
        name = self.file or ""
        if self.line is not None:
            name += f":{self.line}"
        if self.camera is not None:
            name += f" (camera {self.camera})"
        return f"{name}: {self.text}" if name and self.text else name + self.text


# pylint: disable=wrong-import-position
from mvweave._mvweave import Interleaved, Layout, merge, split  # noqa: E402

__all__ = ["Error", "Interleaved", "Layout", "Note", "merge", "split"]
for _public in (Interleaved, Layout):
    _public.__module__ = __name__
del _public
