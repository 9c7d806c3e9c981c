"""Write docs/demo.png: every message of `python -m velmora demo`, drawn by velmora.preview.

Run by `make screenshots`; the picture is committed and shown in the README.
"""
import sys

from velmora._demo import EXAMPLES
from velmora.preview._browser import capture
from velmora.preview._page import article, document

out = sys.argv[1] if len(sys.argv) > 1 else "docs/demo.png"
page = document([article(build(), caption=name) for name, build in EXAMPLES.items()], "velmora demo")
capture(page, out, 600)
print(f"wrote {out}")
