#pragma once
// Which document of the page on display the user is reading: in a frameset,
// the frame last used (clicked, focused, scrolled, typed in) or that a link
// loaded a new document into, else the frame named "content". Print, Print
// All and File > Open act on it. Fed with the documents' own reports; no
// engine needed.

#include <map>
#include <string>

namespace quiro {

/// What a document (the top one or a frame's) reports through the frame
/// reporter script.
struct FrameReport {
  enum class Kind { Load, Use };
  Kind kind = Kind::Load;  ///< Load: the document has loaded; Use: the user clicked, typed, focused or scrolled in it
  bool top = false;        ///< the top document, not a frame's
  std::string name;        ///< the frame's name ("" for the top document)
  std::string href;        ///< the document's address as the engine has it
  int frames = 0;          ///< for the top document: how many frames it has
};

class ReadingFrame {
 public:
  /// A new top document starts loading: no frame of it is known yet.
  void TopStarted() { *this = ReadingFrame(); }
  /// A report from a document of the page on display (the caller has checked
  /// that it is one).
  void Report(const FrameReport& report);

  /// The name of the frame being read; "" when the page on display is no
  /// frameset (or none of its frames is known), which means the page itself.
  std::string Name() const;
  /// That frame's address as the engine has it; "" for the page itself.
  std::string Url() const;
  /// The address last reported for the frame named `name` ("" when none).
  std::string FrameUrl(const std::string& name) const;

 private:
  /// The frame being read (name and address), or nullptr for the page itself.
  const std::pair<const std::string, std::string>* Reading() const;

  int m_topFrames = 0;
  std::map<std::string, std::string> m_frameHrefs;  // addresses by frame name
  bool m_frameUsed = false;
  std::string m_usedName;
};

}  // namespace quiro
