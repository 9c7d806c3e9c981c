"""Table messages: a DataFrame sent as a Block Kit table block."""
