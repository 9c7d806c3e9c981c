"""Context messages: small texts and images."""
