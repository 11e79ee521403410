// Pads: the platform's unit of composition, in the small model this library
// keeps of them.
//
// A pad has a class name, a view (whose bounds rectangle gives position and
// size), a dictionary of attributes and child pads, which it owns. save()
// writes the whole pad to a pad file; load() reads one back whole. The pad
// file format is this library's own:
//
//   MKPAD 1\n
//   then one pad, recursively:
//     "pad" <class>\n
//     "bounds" <x> <y> <width> <height>\n   or   "bounds none"\n
//     "attributes" <n>\n  then n entries   "<type> <key> <value>"\n
//     "children" <n>\n    then n pads
//     "end"\n
//
// Items on a line are separated by one blank. Texts (class, keys, string
// values) are written as <length>:<bytes>, so any byte but NUL may appear in
// them. Numbers are decimal, without leading zeros or a plus sign. Values by
// type: 2 and 5 a signed number, 7 an unsigned one, 4 a text, 3 the 16
// lowercase hexadecimal digits of the real's IEEE 754 bits (so it reads back
// exactly, whatever the locale); a nested dictionary (1) is written as its
// entry count, and its entries follow on the next lines. Pads and
// dictionaries nest at most kMkPadFileMaxNesting deep. load() refuses
// (returns null) any file that does not follow this form exactly.
#pragma once

#include "mkcore/MkDictionary.h"
#include "mkcore/MkPadView.h"
#include "mkcore/MkcoreExport.h"
#include "mkres/MwObject.h"

// <windows.h> makes GetClassName a macro (GetClassNameA or GetClassNameW).
// The pad's method keeps its one name here whichever header comes first, and
// the A and W spellings below catch calls written after <windows.h>.
#pragma push_macro("GetClassName")
#undef GetClassName

// How deep pads and dictionaries may nest in a pad file, counted together.
enum { kMkPadFileMaxNesting = 100 };

enum MKSAVEMODE {
  MK_SAVE_NORMAL = 0,
};

class MKCORE_API MkSimplePad : public MwObject {
 public:
  // A pad of class `className` (null is taken as empty) with a view on the
  // process's desktop, bounds 0, 0, 0, 0, no attributes and no children.
  explicit MkSimplePad(const char* className);
  MkSimplePad(const MkSimplePad&) = delete;
  MkSimplePad& operator=(const MkSimplePad&) = delete;
  virtual ~MkSimplePad();

  // Writes the pad to `file`, replacing it. `flag` and `mode` are not
  // interpreted (callers pass 0 and 0). Nonzero when the whole pad was
  // written; 0 when it could not be (also for a pad nested deeper than the
  // file allows), and then no file is left behind.
  char save(char* file, char flag, MKSAVEMODE mode);

  MkPadView* get_view();

  const char* GetClassName() const;
#if defined(_WIN32)
  const char* GetClassNameA() const { return GetClassName(); }
  const char* GetClassNameW() const { return GetClassName(); }
#endif
  // The pad's own attributes, owned by the pad.
  MkDictionary* GetAttributes();
  // Takes over `child` (deleted at once when there is no room to keep it).
  void AddChild(MkSimplePad* child);
  unsigned int GetChildCount() const;
  MkSimplePad* GetChild(unsigned int index);

  // True when both pads have the same class, bounds, attributes (same keys in
  // the same order with equal types and values) and children, recursively.
  bool SameContent(MkSimplePad* other);

 private:
  char* className_;
  MkPadView* view_;
  MkDictionary* attributes_;
  MkSimplePad** children_;
  unsigned int childCount_;
};

// Reads a pad file written by save(). `flag` is not interpreted (callers pass
// 1). Returns a new pad owned by the caller, or null when the file is missing
// or not a well-formed pad file.
MKCORE_API MkSimplePad* load(char* file, char flag);

#pragma pop_macro("GetClassName")
