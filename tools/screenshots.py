"""Write the README's pictures, drawn by velmora.preview, into a folder (default docs/):
demo.png (every message of `python -m velmora demo`), chart.png (a line chart made by
Chart.line from a DataFrame) and modal.png (a modal form). The chart and the modal are the
README's own examples.

Run by `make screenshots`; the pictures are committed and shown in the README.
"""

import sys
from pathlib import Path

import pandas as pd

from velmora._demo import EXAMPLES
from velmora.blocks import Chart
from velmora.preview import screenshot
from velmora.preview._browser import capture
from velmora.preview._page import article, document, read

WEEKS = pd.date_range("2026-01-05", periods=6, freq="W-MON", name="week")
SIGNUPS_DF = pd.DataFrame({"web": [120, 135, 128, 160, 171, 190], "mobile": [80, 95, 110, 150, 148, 182]}, index=WEEKS)
[SIGNUPS] = Chart.line(SIGNUPS_DF, title="Weekly sign-ups", y_label="sign-ups")
FORM = {
    "type": "modal",
    "title": {"type": "plain_text", "text": "Time off"},
    "submit": {"type": "plain_text", "text": "Request"},
    "blocks": [
        {
            "type": "input",
            "block_id": "days",
            "label": {"type": "plain_text", "text": "Days"},
            "element": {"type": "number_input", "action_id": "days", "is_decimal_allowed": False, "initial_value": "3"},
        },
        {
            "type": "input",
            "block_id": "from",
            "label": {"type": "plain_text", "text": "From"},
            "element": {"type": "datepicker", "action_id": "from", "initial_date": "2026-03-02"},
        },
        {
            "type": "input",
            "block_id": "note",
            "optional": True,
            "label": {"type": "plain_text", "text": "Note"},
            "element": {
                "type": "plain_text_input",
                "action_id": "note",
                "multiline": True,
                "placeholder": {"type": "plain_text", "text": "Anything your team should know"},
            },
        },
    ],
}


def main(folder: Path) -> None:
    demo = document([article(read(build()), caption=name) for name, build in EXAMPLES.items()], "velmora demo")
    capture(demo, folder / "demo.png", 600)
    screenshot([SIGNUPS], folder / "chart.png")
    screenshot(FORM, folder / "modal.png")
    print(f"wrote {folder / 'demo.png'}, {folder / 'chart.png'} and {folder / 'modal.png'}")


if __name__ == "__main__":
    main(Path(sys.argv[1] if len(sys.argv) > 1 else "docs"))
