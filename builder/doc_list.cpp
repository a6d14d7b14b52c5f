#include "builder/doc_list.h"

#include "textfile/dir_listing.h"

void CDocList::ScanDocumentFolder(const std::string& root, const ExplainFn& explain) {
  CDirListing listing;
  std::string name = listing.First(root);
  if (name == "%1") Explain(explain, "document root " + root + " cannot be listed: no documents");
  while (!name.empty() && name.front() != '%') {
    AddTail(std::make_unique<CDocEntry>(name));
    name = listing.Next();
  }
  if (name != "%1" && name != "%2" && name != "%4") {
    Explain(explain, "folder \"" + name + "\" begins with %: it and the folders after it are not catalogued");
  }
  listing.Close();
}

void CDocList::ReadCatalogue(const std::string& root, const std::string& iniPath,
                             const std::string& defaultType, const ExplainFn& explain) {
  Position position = GetHeadPosition();
  while (position) {
    const Position current = position;
    CDocEntry& entry = GetNext(position);
    const int score = entry.ReadIniSection(iniPath, defaultType);
    if (score >= 2) {
      if (explain) {
        explain("document " + entry.partNum + ": kept, described by its INI section (type " + entry.Type +
                ")");
      }
      continue;
    }
    const int pageScore = entry.ReadIndexPage(root, defaultType);
    if (pageScore < 0) {
      if (explain) {
        explain("document " + entry.partNum + ": dropped, " +
                (score < 0 ? std::string("its INI section has no TITLE")
                           : std::string("its INI section gives only TITLE")) +
                (pageScore == -100 ? " and its index page cannot be opened"
                                   : " and its index page has no title"));
      }
      RemoveAt(current);
    } else if (explain) {
      explain("document " + entry.partNum + ": kept, described by its index page (type " + entry.Type + ")");
    }
  }
}

bool CDocList::HasType(const std::string& type) const {
  for (const auto& entry : nodes_) {
    if (entry->Type == type) return true;
  }
  return false;
}

int CDocList::CountType(const std::string& type) const {
  int count = 0;
  for (const auto& entry : nodes_) {
    if (entry->Type == type) ++count;
  }
  return count;
}

CDocList::Position CDocList::FindFirstOfType(const std::string& type) {
  for (auto it = nodes_.begin(); it != nodes_.end(); ++it) {
    if ((*it)->Type == type) return Position(it);
  }
  return {};
}

CDocList::Position CDocList::FindNextOfType(const std::string& type, Position position) {
  if (!position) return {};
  for (auto it = std::next(position.it_); it != nodes_.end(); ++it) {
    if ((*it)->Type == type) return Position(it);
  }
  return {};
}

CDocList::Position CDocList::AddTail(std::unique_ptr<CDocEntry> entry) {
  nodes_.push_back(std::move(entry));
  return Position(std::prev(nodes_.end()));
}

CDocList::Position CDocList::GetHeadPosition() { return Wrap(nodes_.begin()); }

CDocEntry& CDocList::GetNext(Position& position) {
  CDocEntry& entry = **position.it_;
  position = Wrap(std::next(position.it_));
  return entry;
}

void CDocList::RemoveAt(Position position) {
  if (position) nodes_.erase(position.it_);
}
