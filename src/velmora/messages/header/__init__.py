"""Header messages."""
