"""Messages of one actions block."""
