#include "app/gobject_ptr.h"

#include <gtest/gtest.h>

namespace {

// Counts how often an object is finalized.
GObject* CountedObject(int* finalized) {
  GObject* object = G_OBJECT(g_object_new(G_TYPE_OBJECT, nullptr));
  g_object_weak_ref(object, [](gpointer count, GObject*) { ++*static_cast<int*>(count); }, finalized);
  return object;
}

TEST(GObjectPtr, EveryReferenceIsReleasedExactlyOnce) {
  int finalized = 0;
  {
    quiro::GObjectPtr<GObject> owner = quiro::AdoptRef(CountedObject(&finalized));
    {
      quiro::GObjectPtr<GObject> second = quiro::NewRef(owner.get());
      EXPECT_EQ(owner->ref_count, 2u);
    }
    EXPECT_EQ(owner->ref_count, 1u);
    // A reference handed to a callback as its data and adopted there.
    gpointer handedOn = quiro::NewRef(owner.get()).release();
    EXPECT_EQ(owner->ref_count, 2u);
    quiro::GObjectPtr<GObject> adopted(static_cast<GObject*>(handedOn));
    EXPECT_EQ(finalized, 0);
  }
  EXPECT_EQ(finalized, 1);
  EXPECT_EQ(quiro::NewRef<GObject>(nullptr), nullptr);
}

TEST(GObjectPtr, AWeakReferenceSeesTheObjectGo) {
  int finalized = 0;
  quiro::GObjectPtr<GObject> object(CountedObject(&finalized));
  quiro::GWeakPtr<GObject> weak;
  EXPECT_EQ(weak.Get(), nullptr);
  weak.Reset(object.get());
  EXPECT_EQ(weak.Get().get(), object.get());
  EXPECT_EQ(object->ref_count, 1u);  // the reference Get returned has gone again
  object.reset();
  EXPECT_EQ(finalized, 1);
  EXPECT_EQ(weak.Get(), nullptr);
}

TEST(GObjectPtr, AnErrorIsKeptUntilItsHolderGoes) {
  quiro::CGError error;
  EXPECT_FALSE(error);
  EXPECT_STREQ(error.Message(), "");
  gchar* contents = nullptr;
  EXPECT_FALSE(g_file_get_contents("/nonexistent/quiro-test", &contents, nullptr, error.Out()));
  ASSERT_TRUE(error);
  EXPECT_TRUE(g_error_matches(error.Get(), G_FILE_ERROR, G_FILE_ERROR_NOENT));
  EXPECT_STRNE(error.Message(), "");
}

}  // namespace
