// ImageMessage: one image block, from a URL or from an image buffer uploaded first.
#include "_core/core.hpp"

namespace {

using vm::k;
using vm::Ref;

vm::Global message_class;
vm::Global upload_names;  // ("buffer", "file_name")

constexpr vm::Params<0> init_params{"ImageMessage.__init__", {}, 0};

int init(PyObject* self, PyObject* args, PyObject* kwargs) {
  vm::Bound<0> a;
  Ref given;
  if (!vm::bind_init(init_params, args, kwargs, a, given)) return -1;
  // Every keyword argument, these three included, goes to the base; they are read first so
  // that nothing the base does to its keywords changes them.
  PyObject* names[] = {k.image_url, k.image_buffer, k.image_name};
  Ref values[3];
  for (std::size_t i = 0; i < 3; ++i) {
    PyObject* value = PyDict_GetItemWithError(given.get(), names[i]);
    if (!value && PyErr_Occurred()) return -1;
    values[i] = Ref::borrow(value ? value : Py_None);
  }
  if (vm::call_base_init(message_class.get(), self, given.get()) < 0) return -1;
  for (std::size_t i = 0; i < 3; ++i) {
    if (!vm::set_attr(self, names[i], values[i].get())) return -1;
  }
  Ref preview = vm::first_truthy_attr(self, {k.preview, k.header, k.sub_header, k.image_name},
                                      k.default_preview);
  return vm::set_attr(self, k.preview, preview.get()) ? 0 : -1;
}

// self.slack_bot.image_upload(buffer=self.image_buffer, file_name=self.image_name)
Ref upload_image_buffer(PyObject* self) {
  return vm::call_with_attrs(vm::get_attr(vm::get_attr(self, k.slack_bot).get(), k.image_upload), self,
                             {k.image_buffer, k.image_name}, upload_names.get());
}

// The URL to show: a truthy buffer is uploaded (again on every build) and wins over the URL.
Ref image_source(PyObject* self) {
  Ref buffer = vm::get_attr(self, k.image_buffer);
  if (!buffer) return {};
  int upload = PyObject_IsTrue(buffer.get());
  if (upload < 0) return {};
  if (upload) return vm::call_on_class(self, k.upload_image_buffer);
  Ref url = vm::get_attr(self, k.image_url);
  if (!url) return {};
  int usable = PyObject_IsTrue(url.get());
  if (usable < 0) return {};
  if (!usable) return vm::raise_value_error("No image url or image buffer provided");
  return url;
}

// Image.image(url) without a name, so that the block keeps its default alt text;
// Image.image(url, name) otherwise.
Ref build_blocks(PyObject* self) {
  Ref url = image_source(self);
  if (!url) return {};
  Ref image = vm::global_attr(k.Image, k.image);
  if (!image) return {};
  Ref name = vm::get_attr(self, k.image_name);
  if (!name) return {};
  if (name.get() == Py_None) return vm::check_list_result(vm::call(image.get(), {url.get()}));
  return vm::check_list_result(vm::call(image.get(), {url.get(), name.get()}));
}

PyMethodDef methods[] = {
    vm::method<upload_image_buffer>("upload_image_buffer",
                                    "upload_image_buffer($self, /)\n--\n\n"
                                    "Uploads image_buffer through slack_bot.image_upload and returns the\n"
                                    "uploaded image's URL."),
    vm::method<build_blocks>("build_blocks",
                             "build_blocks($self, /)\n--\n\n"
                             "The image block: the uploaded buffer when it is non-empty, else image_url."),
    {nullptr, nullptr, 0, nullptr}};

int setup(PyObject* module) noexcept {
  if (!vm::import_from(module, "blocks", 3, {"Image"}) ||
      !vm::import_from(module, "interface", 3, {"BaseVelmora"})) {
    return -1;
  }
  upload_names.set(vm::names({k.buffer, k.file_name}));
  if (!upload_names.get()) return -1;
  return vm::add_message_class(module, "velmora.messages.image.image_msg.ImageMessage",
                               "ImageMessage(**kwargs)\n--\n\n"
                               "One image block from `image_url`, or from `image_buffer` uploaded\n"
                               "through the bot under `image_name`. Every keyword argument, these\n"
                               "three included, also goes to BaseVelmora.",
                               vm::init_entry<init>, methods, &message_class)
             ? 0
             : -1;
}

}  // namespace

VM_MODULE("The image message.", setup)
