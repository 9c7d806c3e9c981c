"""Message classes: one per use case, each building its blocks from constructor arguments."""
