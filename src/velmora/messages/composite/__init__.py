"""Messages that combine several elements: buttons."""
