#include "platform/linux/glib/g_ref.h"

#include <gtest/gtest.h>

namespace axb::platform::atspi {
namespace {

guint referencesTo(const GRef<GObject>& object) {
  return object.get()->ref_count;
}

// AT-SPI hands over its collection matches as an array of references, null ones included.
TEST(GRefArrayTest, ReleasesTheReferencesItWasHandedWithTheArray) {
  const auto object = GRef<GObject>::adopt(G_OBJECT(g_object_new(G_TYPE_OBJECT, nullptr)));
  GObject* handedOver[] = {G_OBJECT(g_object_ref(object.get())), nullptr,
                           G_OBJECT(g_object_ref(object.get()))};
  {
    GArray* array = g_array_new(FALSE, FALSE, sizeof(GObject*));
    g_array_append_vals(array, handedOver, 3);
    const GRefArray<GObject> matches(array);
    ASSERT_EQ(matches.size(), 3u);
    EXPECT_EQ(matches.at(2), object.get());
    EXPECT_EQ(referencesTo(object), 3u);
  }
  EXPECT_EQ(referencesTo(object), 1u);
  EXPECT_FALSE(GRefArray<GObject>(nullptr));
}

}  // namespace
}  // namespace axb::platform::atspi
