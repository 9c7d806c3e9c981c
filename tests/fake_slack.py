"""A small stand-in for Slack on 127.0.0.1, for tests that talk HTTP for real.

It serves the Web API (``base_url``), an incoming webhook (``webhook_url``) and an
interaction's ``response_url``. It records every request and answers each as Slack would,
unless a test queued its own answers with :meth:`FakeSlack.answer` (used once each, in order).
"""

from __future__ import annotations

import json
import threading
from dataclasses import dataclass, field
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from typing import Any
from urllib.parse import parse_qs


@dataclass
class Request:
    method: str
    path: str  # "/api/chat.postMessage", "/upload/F0001"
    headers: dict[str, str]
    body: bytes

    @property
    def api(self) -> str:
        """The Web API method ("chat.postMessage"), else "webhook", "response_url" or the path."""
        for prefix, name in (("/hooks/", "webhook"), ("/actions/", "response_url")):
            if self.path.startswith(prefix):
                return name
        return self.path.removeprefix("/api/")

    def json(self) -> Any:
        return json.loads(self.body)

    def form(self) -> dict[str, str]:
        """Form-encoded fields of the body and query string, one value each."""
        fields = parse_qs(self.body.decode(), keep_blank_values=True) if self.body else {}
        return {key: values[-1] for key, values in fields.items()}


@dataclass
class Answer:
    status: int = 200
    body: Any = field(default_factory=lambda: {"ok": True})
    headers: dict[str, str] = field(default_factory=dict)
    drop: bool = False  # close the connection without answering


class FakeSlack:
    def __init__(self) -> None:
        self.requests: list[Request] = []
        self.queued: dict[str, list[Answer]] = {}
        self._lock = threading.Lock()
        fake = self

        class Handler(BaseHTTPRequestHandler):
            def do_POST(self) -> None:
                length = int(self.headers.get("Content-Length") or 0)
                request = Request("POST", self.path, dict(self.headers), self.rfile.read(length))
                with fake._lock:
                    fake.requests.append(request)
                    queue = fake.queued.get(request.api) or []
                    answer = queue.pop(0) if queue else fake.default(request)
                if answer.drop:
                    self.close_connection = True
                    return
                body = answer.body if isinstance(answer.body, bytes) else json.dumps(answer.body).encode()
                self.send_response(answer.status)
                content_type = "text/plain" if isinstance(answer.body, bytes) else "application/json; charset=utf-8"
                self.send_header("Content-Type", content_type)
                self.send_header("Content-Length", str(len(body)))
                for name, value in answer.headers.items():
                    self.send_header(name, value)
                self.end_headers()
                self.wfile.write(body)

            def log_message(self, *args: Any) -> None:  # keep the test output quiet
                pass

        self.server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.url = f"http://127.0.0.1:{self.server.server_port}"
        self.base_url = f"{self.url}/api/"
        self.webhook_url = f"{self.url}/hooks/T0001/B0001/webhook-secret"
        self.response_url = f"{self.url}/actions/T0001/1700000000/response-secret"
        self._thread = threading.Thread(target=self.server.serve_forever, kwargs={"poll_interval": 0.01}, daemon=True)

    def start(self) -> FakeSlack:
        self._thread.start()
        return self

    def stop(self) -> None:
        self.server.shutdown()
        self.server.server_close()
        self._thread.join()

    def answer(self, api: str, *answers: Answer) -> None:
        """Queue answers for the next calls of `api` ("chat.postMessage", "webhook", ...)."""
        with self._lock:
            self.queued.setdefault(api, []).extend(answers)

    def calls(self, api: str) -> list[Request]:
        return [r for r in self.requests if r.api == api]

    def default(self, request: Request) -> Answer:
        if request.api == "chat.postMessage":
            sent = request.json()
            message = {"type": "message", "text": sent.get("text"), "blocks": sent.get("blocks")}
            return Answer(body={"ok": True, "channel": sent["channel"], "ts": "1700000000.000100", "message": message})
        if request.api == "chat.update":
            sent = request.json()
            message = {"type": "message", "text": sent.get("text"), "blocks": sent.get("blocks")}
            return Answer(
                body={
                    "ok": True,
                    "channel": sent["channel"],
                    "ts": sent["ts"],
                    "text": sent.get("text"),
                    "message": message,
                }
            )
        if request.api == "chat.postEphemeral":
            return Answer(body={"ok": True, "message_ts": "1700000000.000200"})
        if request.api in ("views.open", "views.push", "views.update", "views.publish"):
            sent = request.json()
            view_id = sent.get("view_id") or f"V{len(self.calls(request.api)):010d}"
            return Answer(body={"ok": True, "view": {"id": view_id, **sent["view"], "hash": "1700000000.abcd"}})
        if request.api == "webhook":
            return Answer(body=b"ok")
        if request.api == "response_url":
            return Answer(body={"ok": True})
        if request.api == "files.getUploadURLExternal":
            return Answer(body={"ok": True, "upload_url": f"{self.url}/upload/F0001", "file_id": "F0001"})
        if request.path.startswith("/upload/"):
            return Answer(body=f"OK - {len(request.body)}".encode())
        if request.api == "files.completeUploadExternal":
            files = json.loads(request.form()["files"])
            return Answer(body={"ok": True, "files": [self.file(f["id"], f.get("title") or "") for f in files]})
        if request.api == "files.info":
            return Answer(body={"ok": True, "file": self.file(request.form()["file"], "image")})
        return Answer(status=404, body={"ok": False, "error": "unknown_method"})

    @staticmethod
    def file(file_id: str, name: str) -> dict[str, Any]:
        return {
            "id": file_id,
            "name": name,
            "title": name,
            "url_private": f"https://files.slack.com/files-pri/T0001-{file_id}/{name}",
            "permalink": f"https://example.slack.com/files/U0001/{file_id}/{name}",
        }
