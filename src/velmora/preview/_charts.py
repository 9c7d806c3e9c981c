"""Slack's native charts (the "data_visualization" block) drawn as inline SVG.

Line, area and bar charts share one frame: a y axis with round ticks and grid lines, the
categories along the bottom (slanted when they would overlap), each series in its colour, and a
legend. A pie chart is drawn as slices with a legend of shares. Every number in the SVG is one
this module computed and every text from the block is escaped; a point whose value is not a
finite number is left out, as Slack would refuse it anyway.
"""

from __future__ import annotations

import math
from collections.abc import Sequence

from velmora.preview._inline import dicts, esc, text_of, unknown
from velmora.preview._mrkdwn import text_object

# One colour per series or slice, in order (Slack allows up to 12).
PALETTE = (
    "#1d9bd1",
    "#2bac76",
    "#e8912d",
    "#de4e8a",
    "#7c4dd6",
    "#e2b53d",
    "#36c5f0",
    "#e01e5a",
    "#0b4c8c",
    "#6a9c2f",
    "#a0522d",
    "#868686",
)
WIDTH = 520
PLOT_HEIGHT = 200
TOP, RIGHT = 12, 12
CHAR = 6.6  # width of one character of the 11px axis text, near enough to lay labels out
SLANT = 40  # degrees, for category labels that would overlap

Point = tuple[str, float]


def _number(value: object) -> float | None:
    """A finite value as a float (held within ±1e300, so that spans between values stay finite)."""
    if isinstance(value, bool) or not isinstance(value, (int, float)):
        return None
    try:
        number = float(value)
    except OverflowError:  # an int past any float
        return None
    return max(-1e300, min(1e300, number)) if math.isfinite(number) else None


def _f(value: float) -> str:
    """A coordinate as SVG takes it."""
    return f"{value:.1f}".rstrip("0").rstrip(".")


SUFFIXES = ((1e12, "T"), (1e9, "B"), (1e6, "M"), (1e3, "K"))


def axis_labels(scale: list[float]) -> list[str]:
    """The ticks' labels as an axis shows them: 800K, 1M, 1.2M; 0, 0.25, 0.5; 2e+18.

    Each tick is shortened by its own size, with the decimals its step needs.
    """
    step = (scale[-1] - scale[0]) / (len(scale) - 1) if len(scale) > 1 else 1.0
    if step < 1e-4 or max(abs(t) for t in scale) >= 1e15:
        for digits in range(3, 18):  # as few digits as tell the ticks apart
            labels = [f"{t:.{digits}g}" for t in scale]
            if len(set(labels)) == len(labels):
                break
        return labels
    labels = []
    for tick in scale:
        size, suffix = next(((size, suffix) for size, suffix in SUFFIXES if abs(tick) >= size), (1.0, ""))
        decimals = max(0, 1 - math.floor(math.log10(step / size)))
        text = f"{tick / size:.{decimals}f}"
        labels.append((text.rstrip("0").rstrip(".") if "." in text else text) + suffix)
    return labels


def exact_number(value: float) -> str:
    """A value as a tooltip shows it, with thousands separated."""
    return f"{int(value):,}" if value == int(value) and abs(value) < 1e15 else f"{value:,.6g}"


def ticks(low: float, high: float) -> list[float]:
    """Round values from at or below `low` to at or above `high`, four or five steps apart."""
    if high == low:
        low, high = (low - 1, high + 1) if low == 0 else (min(0.0, low * 2), max(0.0, high * 2))
    raw = (high - low) / 4
    if raw < 1e-300:  # too fine a span for round steps: its two ends
        return [low, high]
    magnitude = 10.0 ** math.floor(math.log10(raw))
    step = next(m * magnitude for m in (1, 2, 2.5, 5, 10) if m * magnitude >= raw * (1 - 1e-9))
    first, last = math.floor(low / step), math.ceil(high / step)
    first += (first + 1) * step <= low  # where division rounded across a step
    last -= (last - 1) * step >= high
    return [_clean(i * step, step) for i in range(first, last + 1)]


def _clean(value: float, step: float) -> float:
    """`value` without the noise of float steps (0.30000000000000004 as 0.3)."""
    cleaned = float(f"{value:.12g}")
    return cleaned if abs(cleaned - value) < step * 1e-6 else value


def _series(chart: dict[str, object]) -> tuple[list[str], list[tuple[str, dict[str, float]]]]:
    """The categories in axis order and each series' name with its values by category."""
    axis = chart.get("axis_config")
    given = axis.get("categories") if isinstance(axis, dict) else None
    categories = [text_of(c) for c in given] if isinstance(given, list) else []
    series = []
    for item in dicts(chart.get("series")):
        values: dict[str, float] = {}
        for point in dicts(item.get("data")):
            label, value = text_of(point.get("label")), _number(point.get("value"))
            if value is not None:
                values.setdefault(label, value)
        series.append((text_of(item.get("name")), values))
    if not categories:  # no axis given: the labels in the order the series first use them
        categories = list(dict.fromkeys(label for _, values in series for label in values))
    return list(dict.fromkeys(categories)), series


def _legend(names: Sequence[str], notes: Sequence[str] = ()) -> str:
    items = []
    for i, name in enumerate(names):
        note = f' <span class="legend-note">{esc(notes[i])}</span>' if i < len(notes) else ""
        items.append(
            f'<span class="legend-item"><span class="legend-mark" '
            f'style="background:{PALETTE[i % len(PALETTE)]}"></span>{esc(name)}{note}</span>'
        )
    return f'<div class="legend">{"".join(items)}</div>'


class _Frame:
    """Where the parts of a line, area or bar chart go: the plot, the ticks, the categories."""

    def __init__(self, scale: list[float], tick_width: int, categories: list[str], x_label: str, y_label: str) -> None:
        self.scale, self.count = scale, max(len(categories), 1)
        self.left = 8 + tick_width * CHAR + (18 if y_label else 0)
        self.slot = (WIDTH - self.left - RIGHT) / self.count
        longest = max((len(c) for c in categories), default=0)
        self.slanted = longest * CHAR > self.slot - 4
        if self.slanted:  # a slanted label reaches left of its category: make room for the first ones
            reach = max(
                len(c) * CHAR * math.cos(math.radians(SLANT)) - self.slot * (i + 0.5) for i, c in enumerate(categories)
            )
            if reach > self.left:
                self.left = reach + 4
                self.slot = (WIDTH - self.left - RIGHT) / self.count
        self.width = WIDTH - self.left - RIGHT
        # too many categories even slanted: a label for every nth
        self.every = math.ceil(self.count * 12 / self.width) if self.slanted and self.count * 12 > self.width else 1
        self.bottom = TOP + PLOT_HEIGHT
        below = longest * CHAR * math.sin(math.radians(SLANT)) + 18 if self.slanted else 20
        self.height = self.bottom + below + (20 if x_label else 0)

    def x(self, index: int) -> float:
        return self.left + self.slot * (index + 0.5)

    def y(self, value: float) -> float:
        low, high = self.scale[0], self.scale[-1]
        return self.bottom - (value - low) / (high - low) * PLOT_HEIGHT


def _grid(frame: _Frame, tick_labels: list[str], categories: list[str], x_label: str, y_label: str) -> list[str]:
    """Grid lines with their values, the category labels and the axis labels."""
    out = []
    for t, label in zip(frame.scale, tick_labels):
        out.append(
            f'<line x1="{_f(frame.left)}" x2="{_f(WIDTH - RIGHT)}" y1="{_f(frame.y(t))}" y2="{_f(frame.y(t))}" '
            f'stroke="{"#bbbbbb" if t == 0 else "#e8e8e8"}"/>'
        )
        out.append(f'<text x="{_f(frame.left - 6)}" y="{_f(frame.y(t) + 4)}" text-anchor="end">{label}</text>')
    under = frame.bottom + (14 if frame.slanted else 16)
    for i, category in enumerate(categories):
        if i % frame.every:
            continue
        x = _f(frame.x(i))
        turn = f' transform="rotate(-{SLANT} {x} {_f(under)})"' if frame.slanted else ""
        anchor = "end" if frame.slanted else "middle"
        out.append(f'<text x="{x}" y="{_f(under)}" text-anchor="{anchor}"{turn}>{esc(category)}</text>')
    if x_label:
        out.append(
            f'<text class="axis-label" x="{_f(frame.left + frame.width / 2)}" y="{_f(frame.height - 4)}" '
            f'text-anchor="middle">{esc(x_label)}</text>'
        )
    if y_label:
        middle, at = (
            TOP + PLOT_HEIGHT / 2,
            frame.left - 14 - max(len(t) for t in tick_labels) * CHAR,
        )  # beside the ticks
        out.append(
            f'<text class="axis-label" x="{_f(at)}" y="{_f(middle)}" text-anchor="middle" '
            f'transform="rotate(-90 {_f(at)} {_f(middle)})">{esc(y_label)}</text>'
        )
    return out


def _marks(frame: _Frame, kind: str, categories: list[str], series: list[tuple[str, dict[str, float]]]) -> list[str]:
    """Each series in its colour: grouped bars, or a line (over a filled area) with its points."""
    out = []
    zero = frame.y(min(max(0.0, frame.scale[0]), frame.scale[-1]))
    group = frame.slot * 0.7
    for s, (name, by) in enumerate(series):
        colour = PALETTE[s % len(PALETTE)]
        points = [(i, by[c]) for i, c in enumerate(categories) if c in by]
        tips = {i: f"<title>{esc(name)} · {esc(categories[i])}: {exact_number(v)}</title>" for i, v in points}
        if kind == "bar":
            width = group / len(series)
            for i, v in points:
                out.append(
                    f'<rect x="{_f(frame.x(i) - group / 2 + s * width)}" y="{_f(min(frame.y(v), zero))}" '
                    f'width="{_f(width)}" height="{_f(abs(zero - frame.y(v)))}" fill="{colour}">{tips[i]}</rect>'
                )
            continue
        for run in _runs(points):
            line = " ".join(f"{_f(frame.x(i))},{_f(frame.y(v))}" for i, v in run)
            if kind == "area":
                first, last = _f(frame.x(run[0][0])), _f(frame.x(run[-1][0]))
                out.append(
                    f'<path d="M{first},{_f(zero)} L{line.replace(" ", " L")} L{last},{_f(zero)} Z" '
                    f'fill="{colour}" fill-opacity="0.25"/>'
                )
            out.append(f'<polyline points="{line}" fill="none" stroke="{colour}" stroke-width="2"/>')
        for i, v in points:
            out.append(f'<circle cx="{_f(frame.x(i))}" cy="{_f(frame.y(v))}" r="3" fill="{colour}">{tips[i]}</circle>')
    return out


def _axes(chart: dict[str, object], kind: str) -> str:
    """A line, area or bar chart: its SVG and its legend."""
    categories, series = _series(chart)
    shown = set(categories)
    values = [v for _, by in series for label, v in by.items() if label in shown]
    low, high = (min(values), max(values)) if values else (0.0, 1.0)
    if kind != "line":  # bars and areas stand on zero
        low, high = min(low, 0.0), max(high, 0.0)
    scale = ticks(low, high)
    tick_labels = axis_labels(scale)
    axis = chart.get("axis_config")
    x_label = text_of(axis.get("x_label")) if isinstance(axis, dict) else ""
    y_label = text_of(axis.get("y_label")) if isinstance(axis, dict) else ""
    frame = _Frame(scale, max(len(t) for t in tick_labels), categories, x_label, y_label)
    drawn = _grid(frame, tick_labels, categories, x_label, y_label) + _marks(frame, kind, categories, series)
    svg = (
        f'<svg class="plot" viewBox="0 0 {WIDTH} {_f(frame.height)}" width="{WIDTH}" height="{_f(frame.height)}">'
        f"{''.join(drawn)}</svg>"
    )
    return svg + _legend([name for name, _ in series])


def _runs(points: list[tuple[int, float]]) -> list[list[tuple[int, float]]]:
    """Points in runs of neighbouring categories: a line breaks where a category has no value."""
    runs: list[list[tuple[int, float]]] = []
    for point in points:
        if runs and runs[-1][-1][0] == point[0] - 1:
            runs[-1].append(point)
        else:
            runs.append([point])
    return runs


def _pie(chart: dict[str, object]) -> str:
    """A pie chart: slices clockwise from the top, and a legend with each share."""
    segments = [(text_of(s.get("label")), _number(s.get("value"))) for s in dicts(chart.get("segments"))]
    shown = [(label, value) for label, value in segments if value is not None and value > 0]
    total = sum(value for _, value in shown)
    cx, cy, r = 110, 110, 100
    out = []
    angle = 0.0
    for i, (label, value) in enumerate(shown):
        colour = PALETTE[i % len(PALETTE)]
        share = value / total
        tip = f"<title>{esc(label)}: {exact_number(value)} ({share:.0%})</title>"
        if share >= 0.999999:
            out.append(f'<circle cx="{cx}" cy="{cy}" r="{r}" fill="{colour}">{tip}</circle>')
            continue
        start, angle = angle, angle + share * 2 * math.pi
        x0, y0 = cx + r * math.sin(start), cy - r * math.cos(start)
        x1, y1 = cx + r * math.sin(angle), cy - r * math.cos(angle)
        large = 1 if share > 0.5 else 0
        out.append(
            f'<path d="M{cx},{cy} L{_f(x0)},{_f(y0)} A{r},{r} 0 {large} 1 {_f(x1)},{_f(y1)} Z" '
            f'fill="{colour}" stroke="#ffffff" stroke-width="1">{tip}</path>'
        )
    svg = f'<svg class="pie" viewBox="0 0 220 220" width="220" height="220">{"".join(out)}</svg>'
    notes = [f"{value / total:.0%}" for _, value in shown]
    return f'<div class="pie-row">{svg}{_legend([label for label, _ in shown], notes)}</div>'


def chart(block: dict[str, object]) -> str:
    """A data_visualization block: its title above the chart it holds."""
    title = block.get("title")
    heading = text_object(title) if isinstance(title, dict) else esc(text_of(title))
    inside = block.get("chart")
    kind = inside.get("type") if isinstance(inside, dict) else None
    if not isinstance(inside, dict) or kind not in ("line", "area", "bar", "pie"):
        drawn = unknown("chart", inside)
    elif kind == "pie":
        drawn = _pie(inside)
    else:
        drawn = _axes(inside, kind)
    return f'<div class="chart"><div class="chart-title">{heading}</div>{drawn}</div>'
