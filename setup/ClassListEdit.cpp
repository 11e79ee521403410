// Adding, updating and removing entries of a ClassList, and releasing it.
#include "setup/ClassList.h"

namespace setup {

namespace {

bool FirstFieldIs(const ClassLine* line, const std::string& text) {
  return line->first && *line->first == text;
}

ClassLine* FindMarker(ClassList* list, const std::string& marker) {
  for (ClassLine* line = list->head; line != nullptr; line = line->next) {
    if (FirstFieldIs(line, marker)) return line;
  }
  return nullptr;
}

// Appends a marker line for a new section at the end of the list.
ClassLine* AppendMarker(ClassList* list, const std::string& marker) {
  ClassLine** tail = &list->head;
  while (*tail != nullptr) tail = &(*tail)->next;
  *tail = new ClassLine;
  (*tail)->first = marker;
  return *tail;
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
  if (list == nullptr || section == nullptr || name == nullptr) return;
  if (third != nullptr && second == nullptr) return;

  std::string marker = SectionMarker(section);
  ClassLine* place = FindMarker(list, marker);
  ClassLine* target = nullptr;
  if (place == nullptr) {
    place = AppendMarker(list, marker);
  } else {
    // The section's entries: the lines after the marker that have a value.
    for (ClassLine* line = place->next; line != nullptr && line->second; line = line->next) {
      if (FirstFieldIs(line, name)) {
        target = line;
        break;
      }
      place = line;
    }
  }
  if (target == nullptr) {
    target = new ClassLine;
    target->next = place->next;
    place->next = target;
  }
  target->first = name;
  if (second != nullptr) target->second = second;
  if (third != nullptr) target->third = third;
}

void RemoveClassEntry(ClassList* list, const char* section, const char* name) {
  if (list == nullptr || section == nullptr || name == nullptr) return;
  ClassLine* previous = FindMarker(list, SectionMarker(section));
  if (previous == nullptr) return;
  for (ClassLine* line = previous->next; line != nullptr && line->second; line = line->next) {
    if (FirstFieldIs(line, name)) {
      previous->next = line->next;
      delete line;
      return;
    }
    previous = line;
  }
}

}  // namespace setup
