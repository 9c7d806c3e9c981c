"""Command line: ``python -m velmora demo`` prints one message of each kind as JSON."""

from __future__ import annotations

import argparse
import json
import sys


def demo(args: argparse.Namespace) -> int:
    from velmora._demo import EXAMPLES

    for name, build in EXAMPLES.items():
        print(f"# {name}")
        print(json.dumps(build(), indent=2, ensure_ascii=False))
    return 0


def main(argv: list[str] | None = None) -> int:
    parser = argparse.ArgumentParser(prog="python -m velmora", description="velmora's command line")
    commands = parser.add_subparsers(dest="command", required=True)
    demo_parser = commands.add_parser("demo", help="print one message of each kind as Block Kit JSON")
    demo_parser.set_defaults(run=demo)
    args = parser.parse_args(argv)
    return args.run(args)


if __name__ == "__main__":
    sys.exit(main())
