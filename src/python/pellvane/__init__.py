"""Pellvane Photo Validator for Python: tells whether a JPEG is an original from a camera.

Each result is a dict holding exactly what one line of ``pellvane-validate --json`` holds
(docs/report-format.md): the file, the codec's facts, the status ("analysed" or
"refused"), the trust rating class, every test's row with its evidence, and the picture.

    >>> import pellvane
    >>> result = pellvane.analyze("photo.jpg")
    >>> result["class"], [row["test"] for row in result["rows"]]

``pellvane.dask`` spreads the same analysis over a Dask cluster.
"""

import os
from typing import List, Union

from ._pellvane import ResultIterator, __version__, analyze, analyze_bytes, analyze_many

__all__ = ["ResultIterator", "__version__", "analyze", "analyze_bytes", "analyze_many", "jpeg_files"]

_JPEG_EXTENSIONS = (".jpg", ".jpeg")


def jpeg_files(folder: Union[str, "os.PathLike[str]"]) -> List[str]:
    """The .jpg and .jpeg files under a folder, at any depth, sorted as the command line sorts them.

    Links to folders are not followed and folders that cannot be read are passed over, as
    ``pellvane-validate FOLDER`` does.
    """
    found: List[str] = []
    for root, _dirs, files in os.walk(os.fspath(folder), followlinks=False):
        for name in files:
            path = os.path.join(root, name)
            if os.path.splitext(name)[1].lower() in _JPEG_EXTENSIONS and os.path.isfile(path):
                found.append(path)
    # Byte order of the UTF-8 names, which is the order of their code points.
    return sorted(found)
