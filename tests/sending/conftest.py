"""What the sending tests share: the fake Slack, and the sync and async flavours of each call."""

from __future__ import annotations

import random
from collections.abc import Iterator

import pytest
from fake_slack import FakeSlack


@pytest.fixture
def slack(monkeypatch: pytest.MonkeyPatch) -> Iterator[FakeSlack]:
    from slack_sdk.http_retry.builtin_interval_calculators import BackoffRetryIntervalCalculator

    # No waiting between retries beyond Retry-After: no jitter, no back-off.
    monkeypatch.setattr(random, "random", lambda: 0.0)
    monkeypatch.setattr(BackoffRetryIntervalCalculator, "calculate_sleep_duration", lambda self, attempt: 0.0)
    server = FakeSlack().start()
    yield server
    server.stop()


@pytest.fixture(params=["sync", "async"])
def flavour(request: pytest.FixtureRequest) -> str:
    return request.param  # type: ignore[no-any-return]
