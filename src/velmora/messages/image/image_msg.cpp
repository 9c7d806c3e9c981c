// ImageMessage: one image block, from a URL or from an image buffer uploaded first.
#include "velmora/message.hpp"

namespace {

using vm::k, vm::Ref;

using vm::Keys;

vm::Global upload_names;  // ("buffer", "file_name")

// Every keyword argument, the image's three included, goes to the base, in a copy of its own:
// what the base does to its keywords cannot change the three read afterwards.
Ref copy_for_base(PyObject*, PyObject* given) noexcept {
  return Ref::steal(PyDict_Copy(given));
}

// After the base: image_url, image_buffer and image_name from the keywords (None when absent),
// and the preview: the first truthy of preview, header, sub_header and image_name.
bool read_image(PyObject* self, PyObject* given) noexcept {
  for (PyObject* name : {k.image_url, k.image_buffer, k.image_name}) {
    PyObject* value = PyDict_GetItemWithError(given, name);
    if (!value && PyErr_Occurred()) return false;
    if (!vm::set_attr(self, name, value ? value : Py_None)) return false;
  }
  Ref preview = vm::first_truthy_attr(self, {k.preview, k.header, k.sub_header, k.image_name}, k.default_preview);
  return vm::set_attr(self, k.preview, preview.get());
}

// self.slack_bot.image_upload(buffer=self.image_buffer, file_name=self.image_name)
Ref upload_image_buffer(PyObject* self) noexcept {
  Ref upload = vm::get_attr(vm::get_attr(self, k.slack_bot).get(), k.image_upload);
  Ref buffer = upload ? vm::get_attr(self, k.image_buffer) : Ref{};
  Ref name = buffer ? vm::get_attr(self, k.image_name) : Ref{};
  return vm::call(upload.get(), {buffer.get(), name.get()}, upload_names.get());
}

// The URL to show: a truthy buffer is uploaded (again on every build) and wins over the URL.
Ref image_source(PyObject* self) {
  Ref buffer = vm::get_attr(self, k.image_buffer);
  if (!buffer) return {};
  int upload = PyObject_IsTrue(buffer.get());
  if (upload < 0) return {};
  if (upload) return vm::call_method(self, k.upload_image_buffer);
  Ref url = vm::get_attr(self, k.image_url);
  if (!url) return {};
  int usable = PyObject_IsTrue(url.get());
  if (usable < 0) return {};
  if (!usable) return vm::raise_value_error("No image url or image buffer provided");
  return url;
}

// Image.image(url) without a name, so that the block keeps its default alt text;
// Image.image(url, name) otherwise.
Ref build_blocks(PyObject* self) noexcept {
  Ref url = image_source(self);
  if (!url) return {};
  Ref image = vm::global_attr(k.Image, k.image);
  if (!image) return {};
  Ref name = vm::get_attr(self, k.image_name);
  if (!name) return {};
  if (name.get() == Py_None) return vm::check_list_result(vm::call(image.get(), {url.get()}));
  return vm::check_list_result(vm::call(image.get(), {url.get(), name.get()}));
}

PyMethodDef methods[] = {vm::message_method<upload_image_buffer, "upload_image_buffer()",
                                            "Uploads image_buffer through slack_bot.image_upload and returns the\n"
                                            "uploaded image's URL.">(),
                         vm::table_end};

bool setup(PyObject*) noexcept {
  upload_names.set(vm::names({k.buffer, k.file_name}));
  return upload_names.get() != nullptr;
}

constexpr vm::Message message{
    .name = "ImageMessage",
    .doc = R"(
        One image block from `image_url`, or from `image_buffer` uploaded
        through the bot under `image_name`. Every keyword argument, these
        three included, also goes to BaseVelmora.)",
    .imports = {{{"blocks", {"Image"}}}},
    .build_doc = "The image block: the uploaded buffer when it is non-empty, else image_url.",
    .shown = {&Keys::image_url, &Keys::image_buffer, &Keys::image_name},
    .consume = copy_for_base,
    .finish = read_image,
    .build = build_blocks,
    .methods = methods,
    .setup = setup,
};

}  // namespace

VM_MESSAGE_MODULE(message)
