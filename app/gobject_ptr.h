#pragma once

// Owning handles for the GLib objects the shell holds outside gtkmm: one
// reference of a GObject, a g_free'd string, a GError. Each releases what it
// holds exactly once, when it goes.
//
// A reference handed to an asynchronous call as its user data leaves the
// handle with release() and is adopted again, by a new handle, in the
// callback.

#include <glib-object.h>

#include <memory>

namespace quiro {

struct GObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};

/// One reference of a GObject of type T.
template <class T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref>;

/// Adopts a reference the caller already owns (a constructor's or a getter's
/// "transfer full" result).
template <class T>
GObjectPtr<T> AdoptRef(T* object) {
  return GObjectPtr<T>(object);
}

/// Takes a new reference of `object`.
template <class T>
GObjectPtr<T> NewRef(T* object) {
  return GObjectPtr<T>(object != nullptr ? static_cast<T*>(g_object_ref(object)) : nullptr);
}

/// A weak reference of a GObject: it does not keep the object alive, and
/// knows when it has gone.
template <class T>
class GWeakPtr {
 public:
  explicit GWeakPtr(T* object = nullptr) { g_weak_ref_init(&m_ref, object); }
  GWeakPtr(const GWeakPtr&) = delete;
  GWeakPtr& operator=(const GWeakPtr&) = delete;
  ~GWeakPtr() { g_weak_ref_clear(&m_ref); }

  /// Follows `object` (may be null) from now on.
  void Reset(T* object) { g_weak_ref_set(&m_ref, object); }

  /// A reference of the object while it lives, else null.
  GObjectPtr<T> Get() const { return GObjectPtr<T>(static_cast<T*>(g_weak_ref_get(&m_ref))); }

 private:
  mutable GWeakRef m_ref;
};

struct GFreeDeleter {
  void operator()(gpointer p) const { g_free(p); }
};

/// A string GLib allocated and the caller frees.
using GCharPtr = std::unique_ptr<gchar, GFreeDeleter>;

/// A GError an operation may set through Out(); cleared when the holder goes.
class CGError {
 public:
  CGError() = default;
  CGError(const CGError&) = delete;
  CGError& operator=(const CGError&) = delete;
  ~CGError() { g_clear_error(&m_pError); }

  /// The out parameter to hand to the operation.
  GError** Out() { return &m_pError; }
  GError* Get() const { return m_pError; }
  explicit operator bool() const { return m_pError != nullptr; }
  const char* Message() const { return m_pError != nullptr ? m_pError->message : ""; }

 private:
  GError* m_pError = nullptr;
};

}  // namespace quiro
