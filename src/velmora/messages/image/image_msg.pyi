from typing import Any

from ...blocks import Image as Image
from ...interface import BaseVelmora as BaseVelmora

class ImageMessage(BaseVelmora):
    image_url: Any
    image_buffer: Any
    image_name: str | None
    def __init__(self, **kwargs: Any) -> None: ...
    def upload_image_buffer(self) -> Any: ...
    def build_blocks(self) -> list[dict[str, Any]]: ...
