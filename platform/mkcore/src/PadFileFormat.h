// Pieces of the pad file format shared by its writer and its reader (the
// format itself is described in mkcore/MkSimplePad.h).
#pragma once

namespace mkcore {

constexpr char kPadFileHeader[] = "MKPAD 1\n";

// A pad file larger than this is not read: no pad of this model comes near it,
// and it keeps a hostile file from exhausting memory.
constexpr unsigned long kPadFileMaxBytes = 64ul * 1024 * 1024;

}  // namespace mkcore
