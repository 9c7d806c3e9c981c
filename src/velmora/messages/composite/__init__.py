"""Messages that combine several elements: buttons, check boxes, radio buttons, a time
picker, a DataFrame as a text table."""
