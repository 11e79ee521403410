// File-to-file compression in the gzip format, as pad files travel.
//
// The compressed form is what zlib's gzip file interface writes with mode
// "wb": default level, a 10-byte header without optional fields and with a
// time stamp of 0, deflate data, then the CRC-32 and the length. Both
// functions copy through one 4096-byte block.
#pragma once

// Compresses `source` into `gzipFile` (created or replaced). False when
// `source` cannot be opened or read, or the compressed file cannot be made or
// written completely; `gzipFile` is then left as it was when `source` could
// not be opened, and unusable otherwise.
bool GzipFile(const char* source, const char* gzipFile);

// Decompresses `gzipFile` into `target` (created or truncated). Data that is
// not in the gzip format is copied unchanged. False when `target` cannot be
// made, `gzipFile` cannot be opened, or the data is damaged, cut short or not
// written completely; `target` then holds what was written before.
bool GunzipFile(const char* gzipFile, const char* target);
