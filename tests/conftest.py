import sys
from pathlib import Path

# Make tests/support.py importable as `support` whatever the working directory.
sys.path.insert(0, str(Path(__file__).parent))
