#include "app/core/reading_frame.h"

namespace quiro {

// A frame that loads a new document after the frameset's first one (a link
// aimed at it) is where the user reads next, and so is a frame the user works
// in; the frame being read stays so while it loads other documents.
void ReadingFrame::Report(const FrameReport& report) {
  if (report.top) {
    if (report.kind == FrameReport::Kind::Load) m_topFrames = report.frames;
    return;
  }
  const bool reloaded = m_frameHrefs.count(report.name) != 0;
  m_frameHrefs[report.name] = report.href;
  if (report.kind == FrameReport::Kind::Use || reloaded || (m_frameUsed && m_usedName == report.name)) {
    m_frameUsed = true;
    m_usedName = report.name;
  }
}

const std::pair<const std::string, std::string>* ReadingFrame::Reading() const {
  if (m_topFrames == 0) return nullptr;
  if (m_frameUsed) {
    auto used = m_frameHrefs.find(m_usedName);
    if (used != m_frameHrefs.end() && !used->second.empty()) return &*used;
  }
  auto content = m_frameHrefs.find("content");
  return content != m_frameHrefs.end() ? &*content : nullptr;
}

std::string ReadingFrame::Name() const {
  const auto* reading = Reading();
  return reading != nullptr ? reading->first : std::string();
}

std::string ReadingFrame::Url() const {
  const auto* reading = Reading();
  return reading != nullptr ? reading->second : std::string();
}

std::string ReadingFrame::FrameUrl(const std::string& name) const {
  auto known = m_frameHrefs.find(name);
  return known != m_frameHrefs.end() ? known->second : std::string();
}

}  // namespace quiro
