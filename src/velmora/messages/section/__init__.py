"""Messages of one section block with one interactive accessory."""
