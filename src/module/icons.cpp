// The two tree icons, small 8-bit RGB PNG pictures carried as base64 text.
#include "module/kvt.h"
#include "module/icons.h"

namespace kvt {
namespace {

Register icons{
    // A yellow folder, for directory items of the parameter tree.
    statement(769, "_directory_icon = PyEmbeddedImage(\"" KVT_DIRECTORY_ICON_PNG "\")"),
    // A grey-and-white page, for book items.
    statement(776, "_book_icon = PyEmbeddedImage(\"" KVT_BOOK_ICON_PNG "\")"),
};

}  // namespace
}  // namespace kvt
