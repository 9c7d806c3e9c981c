// Image blocks: one picture by its public address.
#include "velmora/blocks.hpp"

namespace {

using vm::k, vm::Ref;

Ref image(PyObject*, vm::Bound<3>& a) {
  bool has_id;
  PyObject* name = a[1] ? a[1] : k.image;
  if (!vm::check_str(name, "image_name") || !vm::check_block_id(a[2], has_id)) return {};
  int has_url = PyObject_IsTrue(a[0]);
  if (has_url < 0) return {};
  if (!has_url) return vm::empty_list();
  return vm::list_of(vm::dict(
      {{k.type, k.image}, {k.block_id, has_id ? a[2] : k.image_block}, {k.image_url, a[0]}, {k.alt_text, name}}));
}

vm::Builder builders[] = {
    vm::builder<image, "Image.image(image_url, image_name='image', *, block_id=None)",
                R"(
                An image block showing the image at `image_url`, with `image_name` as its alt text;
                [] when `image_url` is empty or None. Its block_id is "image_block" unless one is given.)">(),
};

}  // namespace

VM_BUILDER_MODULE("Image blocks.", "Image", "Builders of Block Kit image blocks.", builders, nullptr)
