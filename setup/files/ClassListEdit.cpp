// Adding, updating and removing entries of a ClassList, and releasing it.
#include "setup/files/ClassList.h"

namespace setup {

namespace {

bool FirstFieldIs(const ClassLine* line, const std::string& text) {
  return line->first && *line->first == text;
}

// A first field that may be taken for a section's marker.
bool MayMark(const std::optional<std::string>& field) {
  return field && field->compare(0, 3, ";;;") == 0;
}

}  // namespace

std::string SectionMarker(const std::string& section) { return ";;;" + section + ";"; }

ClassList::~ClassList() {
  while (head != nullptr) {
    ClassLine* next = head->next;
    delete head;
    head = next;
  }
}

void FreeClassList(ClassList* list) { delete list; }

void AddClassEntry(ClassList* list, const char* section, const char* name, const char* second,
                   const char* third) {
  ClassListEditor(list).Add(section, name, second, third);
}

void RemoveClassEntry(ClassList* list, const char* section, const char* name) {
  ClassListEditor(list).Remove(section, name);
}

ClassListEditor::ClassListEditor(ClassList* list) : list_(list) {}

void ClassListEditor::IndexMarkers() {
  sections_.clear();
  tail_ = nullptr;
  for (ClassLine* line = list_->head; line != nullptr; line = line->next) {
    if (MayMark(line->first)) {
      // Only a section's first marker counts.
      auto added = sections_.emplace(*line->first, Section());
      if (added.second) added.first->second.marker = line;
    }
    tail_ = line;
  }
  stale_ = false;
}

ClassListEditor::Section* ClassListEditor::Find(const std::string& marker) {
  if (stale_) IndexMarkers();
  auto found = sections_.find(marker);
  if (found == sections_.end()) return nullptr;
  Section& section = found->second;
  if (!section.indexed) {
    // The section's entries: the lines after the marker that have a value.
    section.entries.clear();
    section.last = section.marker;
    for (ClassLine* line = section.marker->next; line != nullptr && line->second;
         line = line->next) {
      if (line->first) section.entries.emplace(*line->first, line);
      section.last = line;
    }
    section.indexed = true;
  }
  return &section;
}

void ClassListEditor::Add(const char* sectionName, const char* name, const char* second,
                          const char* third) {
  if (list_ == nullptr || sectionName == nullptr || name == nullptr) return;
  if (third != nullptr && second == nullptr) return;

  std::string marker = SectionMarker(sectionName);
  Section* section = Find(marker);
  if (section == nullptr) {
    // A new section: its marker goes at the end of the list.
    ClassLine* line = new ClassLine;
    line->first = marker;
    (tail_ != nullptr ? tail_->next : list_->head) = line;
    tail_ = line;
    section = &sections_[marker];
    section->marker = line;
    section->last = line;
    section->indexed = true;
  }
  auto found = section->entries.find(name);
  ClassLine* target = found != section->entries.end() ? found->second : nullptr;
  if (target == nullptr) {
    target = new ClassLine;
    target->next = section->last->next;
    section->last->next = target;
    if (tail_ == section->last) tail_ = target;
    target->first = name;
    // A line without a value is no entry: later entries go before it.
    if (second != nullptr) {
      section->last = target;
      section->entries.emplace(name, target);
    }
  }
  if (second != nullptr) target->second = second;
  if (third != nullptr) target->third = third;
  // A line whose name looks like a marker may stand before a section's
  // marker and be found in its place, as a search from the head would.
  if (MayMark(target->first)) stale_ = true;
}

void ClassListEditor::Remove(const char* sectionName, const char* name) {
  if (list_ == nullptr || sectionName == nullptr || name == nullptr) return;
  Section* section = Find(SectionMarker(sectionName));
  if (section == nullptr || section->entries.count(name) == 0) return;
  ClassLine* previous = section->marker;
  while (!FirstFieldIs(previous->next, name)) previous = previous->next;
  ClassLine* line = previous->next;
  previous->next = line->next;
  if (tail_ == line) tail_ = previous;
  delete line;
  // A later entry of the same name may now be the first: index again.
  section->indexed = false;
  if (std::string(name).compare(0, 3, ";;;") == 0) stale_ = true;
}

}  // namespace setup
