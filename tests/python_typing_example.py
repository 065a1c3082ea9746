"""A short use of the package, for the type checker (mypy --strict): every
name, argument and result as the stub gives it."""
import os
from typing import List, Optional, Tuple

import numpy

import mvweave


def luma_means(path: str, cameras: int) -> List[float]:
    layout = mvweave.Layout(cameras, gop_length=8, num_gop=3)
    means: List[float] = []
    with mvweave.Interleaved(path, layout, 352, 288, chroma_format=420) as sequence:
        for camera in range(cameras):
            y, u, v = sequence.frame(camera, 0)
            chroma: Optional[numpy.typing.NDArray[numpy.uint8 | numpy.uint16]] = u
            means.append(float(y.mean()) + (0.0 if chroma is None or v is None else 0.0))
    return means


def tile_strides(path: str) -> List[Tuple[int, ...]]:
    layout = mvweave.Layout(4, gop_length=1, num_gop=2, packing="2x2")
    name: str = layout.packing
    with mvweave.Interleaved(path, layout if name != "frames" else None, 64, 48) as sequence:
        return [plane.strides for plane in sequence.frame(3, 0) if plane is not None]


def merged(config: str) -> Tuple[List[str], Optional[str]]:
    notes: List[mvweave.Note] = []
    try:
        mvweave.merge(config, os.fsencode(config), notes=notes)
    except FileNotFoundError as missing:
        return [], str(missing.filename)
    except mvweave.Error as error:
        return [str(note) for note in notes], error.message
    order: List[Tuple[int, int]] = list(mvweave.Layout(2))
    return [note.text for note in notes] + [str(len(order))], None
