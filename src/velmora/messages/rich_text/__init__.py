"""Rich-text messages."""
