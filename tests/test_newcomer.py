"""What a newcomer meets first: the package's face, signatures and help, the demo's coverage."""

from __future__ import annotations

import inspect
import pydoc
import subprocess
import sys
from pathlib import Path
from urllib.request import url2pathname

import pytest
from support import run_python

import velmora
import velmora.messages
from registry import builder_classes, entries, message_classes


def test_dir_of_the_package_names_each_public_name_once() -> None:
    code = (
        "import velmora\n"
        "velmora.validate, velmora.InvalidBlocks\n"  # loaded: now in the module's globals too
        "names = dir(velmora)\n"
        "hidden = {'TYPE_CHECKING', 'lazy_attributes', '_lazy', '_validate', '__getattr__', '__dir__'}\n"
        "assert hidden <= set(vars(velmora)), sorted(vars(velmora))  # there, and kept out of dir()\n"
        "assert len(names) == len(set(names)) and not hidden & set(names), names\n"
        "assert set(velmora.__all__) <= set(names)\n"
    )
    subprocess.run([sys.executable, "-c", code], check=True)


def shown_by_help(cls: type, text: str) -> bool:
    """Whether help(cls) shows `text`, such as "name(signature)". Python 3.13 puts a long
    signature one parameter a line, 3.12 keeps it on one: help's " |" margins and all
    whitespace are left out of the comparison."""

    def squeezed(shown: str) -> str:
        return "".join("".join(line.strip().removeprefix("|").split()) for line in shown.splitlines())

    return squeezed(text) in squeezed(pydoc.render_doc(cls, renderer=pydoc.plaintext))


@pytest.mark.parametrize("cls", builder_classes(), ids=lambda cls: cls.__name__)
def test_every_builder_shows_its_parameters_and_a_docstring(cls: type) -> None:
    names = [name for name in vars(cls) if not name.startswith("_")]
    assert names
    for name in names:
        builder = getattr(cls, name)
        params = inspect.signature(builder).parameters.values()
        assert not {p.kind for p in params} & {inspect.Parameter.VAR_KEYWORD}, name
        # *args only where a builder takes any number of pieces, under their own name
        assert all(p.name in ("elements", "parts") for p in params if p.kind is inspect.Parameter.VAR_POSITIONAL), name
        assert builder.__doc__ and builder.__doc__.strip(), name
    assert shown_by_help(cls, f"{names[0]}{inspect.signature(getattr(cls, names[0]))}")


def test_every_message_class_has_a_registry_entry() -> None:
    listed = {entry.resolve() for entry in entries() if entry.message and not entry.generic}
    assert listed and listed == set(message_classes())


@pytest.mark.parametrize("cls", message_classes(), ids=lambda cls: cls.__name__)
def test_every_message_class_shows_its_signature_and_is_in_the_demo(cls: type) -> None:
    from velmora._demo import EXAMPLES

    signature = inspect.signature(cls)
    assert list(signature.parameters)[-1] == "kwargs"  # the rest goes to BaseVelmora
    assert shown_by_help(cls, f"{cls.__name__}{signature}")
    assert cls.__doc__ and "BaseVelmora" in cls.__doc__
    assert any(heading.startswith(f"{cls.__name__} ({cls.__module__})") for heading in EXAMPLES)


@pytest.mark.parametrize("buffer", [3, [1, 2], "png", None])
def test_an_upload_of_something_that_is_not_bytes_is_refused(tmp_path, buffer) -> None:
    from velmora.interface import OfflineBot
    from velmora.messages.image.image_msg import ImageMessage

    bot = OfflineBot(tmp_path)
    message = "an image buffer must be bytes, a bytearray, a memoryview or a file opened in binary mode, not "
    with pytest.raises(TypeError) as info:
        bot.image_upload(buffer=buffer, file_name="cat.png")
    assert str(info.value) == message + type(buffer).__name__
    if buffer is not None:  # a falsy buffer leaves the message to its URL
        with pytest.raises(TypeError):
            ImageMessage(image_buffer=buffer, slack_bot=bot).build_blocks()
    assert list(tmp_path.iterdir()) == []


def test_an_upload_takes_every_bytes_like_object_and_binary_files(tmp_path) -> None:
    import io

    from velmora.interface import OfflineBot

    bot = OfflineBot(tmp_path)
    for buffer in [b"\x89PNG", bytearray(b"\x89PNG"), memoryview(b"\x89PNG"), io.BytesIO(b"\x89PNG")]:
        assert Path(url2pathname(bot.image_upload(buffer=buffer)[len("file://") :])).read_bytes() == b"\x89PNG"
    with pytest.raises(TypeError, match="not str$"):
        bot.image_upload(buffer=io.StringIO("text"))


def test_every_message_class_is_exported_by_name_and_loaded_on_first_use() -> None:
    classes = message_classes()
    assert sorted(velmora.messages.__all__) == sorted(cls.__name__ for cls in classes)
    assert all(getattr(velmora.messages, cls.__name__) is cls for cls in classes)
    done = run_python(
        """
        import sys, velmora.messages, velmora.blocks
        assert not [m for m in sys.modules if m.startswith("velmora.messages.")], sys.modules
        assert "pandas" not in sys.modules
        velmora.messages.HeaderMessage, velmora.blocks.Header, velmora.blocks.Divider
        assert "pandas" not in sys.modules
        assert velmora.blocks.Table.__module__ == "velmora.blocks.table" and "pandas" not in sys.modules
        """
    )
    assert done.returncode == 0, done.stderr
