"""Print the requirements of the named extras of pyproject.toml, one per line."""

import sys
import tomllib

with open("pyproject.toml", "rb") as f:
    extras = tomllib.load(f)["project"]["optional-dependencies"]
for name in sys.argv[1:]:
    for requirement in extras[name]:
        print(requirement)
