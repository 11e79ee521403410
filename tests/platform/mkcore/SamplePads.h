// Dictionaries and pads that the mkcore tests build, save and compare.
#pragma once

#include <memory>
#include <string>

#include "mkcore/MkDictionary.h"
#include "mkcore/MkSimplePad.h"

// The kernel calls take keys and texts as char*; they copy and never write.
inline char* Txt(const char* text) { return const_cast<char*>(text); }

using DictionaryPtr = std::unique_ptr<MkDictionary>;
using PadPtr = std::unique_ptr<MkSimplePad>;

// A readable rendering of a dictionary, "key:type=value" per entry in order,
// nested dictionaries in braces and reals exactly (as hexadecimal bits). Two
// dictionaries hold the same entries exactly when their renderings match.
std::string Describe(MkDictionary* dictionary);

// A dictionary with one entry of each type: "flag" (2), "scale" (3), "name"
// (4), "count" (5), "id" (7) and "inner" (1) with two entries.
DictionaryPtr BuildSampleDictionary();

// A pad with attributes of every type (awkward texts and reals among them),
// nested dictionaries two deep, and two children, one with a child of its own
// and one without bounds.
PadPtr BuildSamplePad();

// A small pad and the exact file that save() writes for it.
PadPtr BuildSmallPad();
extern const char kSmallPadFile[];
