// Class list files: the installation's nametab.lst and a module's
// nametab.<module>, which register classes in named sections.
//
// A line holds up to three fields separated by blanks (space or tab). A field
// is quoted ("a b", no escapes), runs to the end of the line when it begins
// with ";", or is a bare word. A line with fewer than two fields is a header:
// a comment, a section marker ";;;Name;" or a lone word. A line with two or
// three fields is an entry: a class name and its two values. The entries of a
// section are the entry lines right after its marker.
//
// Lines the written form never produces are read so that no field is lost:
// blanks before the first field are skipped, an empty line is a line without
// fields (written back empty), and a quoted field without its closing quote
// runs to the end of the line. Entries that stand before any header are
// written as a group of their own. Lines of any length are read whole, NUL
// bytes included. Quotes cannot carry a double quote, so a value holding one
// is written as it was read: a bare word, or a ";" field last on its line.
//
// A list owns its lines and their strings; FreeClassList releases them.
// Fields compare exactly, byte by byte.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

namespace setup {

// One line of the file. A field that is not there is none (std::nullopt).
struct ClassLine {
  std::optional<std::string> first;
  std::optional<std::string> second;
  std::optional<std::string> third;
  ClassLine* next = nullptr;
};

struct ClassList {
  ClassList() = default;
  ~ClassList();
  ClassList(const ClassList&) = delete;
  ClassList& operator=(const ClassList&) = delete;

  // Size of the line buffer used while reading: starts at 256 and grows by
  // 256 whenever a line does not fit.
  int bufferSize = 256;
  // The path the list was read from.
  std::string path;
  // The first line; null for an empty file.
  ClassLine* head = nullptr;
};

// Reads a class list. Null when the file cannot be opened or a read error
// stops it before its end (a partial list must never be written back).
ClassList* ReadClassList(const char* path);

// Writes `list` in the written form to `path` (the list's own path when
// `path` is null), replacing the file in one step. True when written; on
// false the file is as it was. Refuses a list with a field that no written
// form reads back (a double quote with blanks, or in a ";" value that is not
// last on its line); only edits can make one, never reading a file.
bool WriteClassList(const ClassList* list, const char* path);

// Releases the list, its lines and their strings. Null is accepted.
void FreeClassList(ClassList* list);

// Holds a list from ReadClassList and releases it with FreeClassList.
struct ClassListFree {
  void operator()(ClassList* list) const { FreeClassList(list); }
};
using ClassListPtr = std::unique_ptr<ClassList, ClassListFree>;

// Adds the entry `name` to `section`, or updates the section's first entry of
// that name; a value given as null keeps the value the entry had. A section
// that is missing is appended with its marker at the end of the list. Does
// nothing when `list`, `section` or `name` is null, or when `third` is given
// without `second`.
void AddClassEntry(ClassList* list, const char* section, const char* name, const char* second,
                   const char* third);

// Removes the first entry named `name` among the entries of `section`; never
// a line of another section. Does nothing when any argument is null.
void RemoveClassEntry(ClassList* list, const char* section, const char* name);

// The marker line's field for `section`: ";;;" + section + ";".
std::string SectionMarker(const std::string& section);

// Many edits of one list, each as AddClassEntry and RemoveClassEntry would
// make it, without searching the list for every one: the editor remembers
// where each section's marker stands and, once a section is edited, its
// entries by name. n edits of a list of m lines then cost about n + m rather
// than n × m. While an editor lives, its list must change only through it.
class ClassListEditor {
 public:
  explicit ClassListEditor(ClassList* list);
  ClassListEditor(const ClassListEditor&) = delete;
  ClassListEditor& operator=(const ClassListEditor&) = delete;

  // As AddClassEntry and RemoveClassEntry.
  void Add(const char* section, const char* name, const char* second, const char* third);
  void Remove(const char* section, const char* name);

 private:
  struct Section {
    ClassLine* marker = nullptr;
    // Filled on the section's first edit: the last entry line (the marker
    // when there is none) and the first entry of each name.
    bool indexed = false;
    ClassLine* last = nullptr;
    std::unordered_map<std::string, ClassLine*> entries;
  };

  // Finds each section's first marker and the list's last line.
  void IndexMarkers();
  // The section with `marker`, its entries indexed; null when it has none.
  Section* Find(const std::string& marker);

  ClassList* list_;
  ClassLine* tail_ = nullptr;
  bool stale_ = true;  // the markers must be found again
  std::unordered_map<std::string, Section> sections_;
};

}  // namespace setup
