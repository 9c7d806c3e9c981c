"""Image messages."""
