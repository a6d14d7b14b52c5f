#pragma once
// The document of the single-document window. It stores nothing; it carries
// the title of the page on display, and the frame caption follows it.

#include <sigc++/sigc++.h>

#include <string>

class CQuiroDoc {
 public:
  CQuiroDoc();
  CQuiroDoc(const CQuiroDoc&) = delete;
  CQuiroDoc& operator=(const CQuiroDoc&) = delete;

  /// Starts a new, empty document; the title is "Untitled" again.
  bool OnNewDocument();

  const std::string& GetTitle() const { return m_strTitle; }
  /// Sets the title and tells whoever shows it.
  void SetTitle(const std::string& title);

  /// Emitted with the new title after every SetTitle.
  sigc::signal<void(const std::string&)>& signal_title_changed() { return m_titleChanged; }

 private:
  std::string m_strTitle;
  sigc::signal<void(const std::string&)> m_titleChanged;
};
