#pragma once
// CDocList: the catalogue, an ordered list of the documents that owns them.
// Order is the order in which the folder listing returned the folders; the
// list never sorts. Positions are opaque handles that stay valid while other
// entries are removed; a null position means "none".

#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <string>

#include "builder/doc_entry.h"
#include "builder/explain.h"

class CDocList {
  using Nodes = std::list<std::unique_ptr<CDocEntry>>;

 public:
  class Position {
   public:
    Position() = default;
    explicit operator bool() const { return valid_; }
    bool operator==(const Position& other) const {
      return valid_ == other.valid_ && (!valid_ || it_ == other.it_);
    }

   private:
    friend class CDocList;
    explicit Position(Nodes::iterator it) : it_(it), valid_(true) {}
    Nodes::iterator it_{};
    bool valid_ = false;
  };

  CDocList() = default;
  CDocList(const CDocList&) = delete;
  CDocList& operator=(const CDocList&) = delete;

  /// One CDocEntry(name) per document folder of `root`, in listing order.
  /// A folder whose name begins with "%" ends the scan (it reads as the
  /// listing's end marker).
  void ScanDocumentFolder(const std::string& root, const ExplainFn& explain = {});
  /// Describes every entry by its INI section when that section has TITLE
  /// and one more key, else by its index page; drops the entries that
  /// neither describes.
  void ReadCatalogue(const std::string& root, const std::string& iniPath, const std::string& defaultType,
                     const ExplainFn& explain = {});

  bool HasType(const std::string& type) const;
  int CountType(const std::string& type) const;
  Position FindFirstOfType(const std::string& type);
  /// The first entry of `type` after `position` (not examining it).
  Position FindNextOfType(const std::string& type, Position position);

  bool IsEmpty() const { return nodes_.empty(); }
  std::size_t GetCount() const { return nodes_.size(); }
  Position AddTail(std::unique_ptr<CDocEntry> entry);
  Position GetHeadPosition();
  /// The entry at `position`, which must not be null.
  CDocEntry& GetAt(Position position) const { return **position.it_; }
  /// The entry at `position`; `position` moves on to the next one (null
  /// after the last).
  CDocEntry& GetNext(Position& position);
  /// Calls `visit` for every entry, from the head.
  void ForEachEntry(const std::function<void(const CDocEntry&)>& visit) const {
    for (const auto& entry : nodes_) visit(*entry);
  }
  /// Removes and destroys the entry at `position`.
  void RemoveAt(Position position);

 private:
  Position Wrap(Nodes::iterator it) { return it == nodes_.end() ? Position() : Position(it); }

  Nodes nodes_;
};
