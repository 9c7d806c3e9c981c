"""Chart messages: a DataFrame, Series or mapping sent as one of Slack's native charts."""
