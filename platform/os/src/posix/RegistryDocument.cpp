#include "RegistryDocument.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "os/RegistryApi.h"

namespace os {

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";
const char kFormatLine[] = "Windows Registry Editor Version 5.00";

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

// True when `path` names the key `key` or a key below it.
bool IsKeyOrBelow(const std::string& path, const std::string& key) {
  if (path.size() > key.size() && path[key.size()] != '\\') return false;
  return SameName(path.substr(0, key.size()), key);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& text) {
  std::size_t begin = 0;
  std::size_t end = text.size();
  while (begin < end && IsBlank(text[begin])) ++begin;
  while (end > begin && IsBlank(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

bool OnlyBlanksFrom(const std::string& text, std::size_t position) {
  for (; position < text.size(); ++position) {
    if (!IsBlank(text[position])) return false;
  }
  return true;
}

// Reads a quoted text starting at text[position] == '"'. A backslash escapes
// a backslash or a quote; any other backslash stands for itself, as people
// write paths by hand. Leaves `position` after the closing quote.
bool ReadQuoted(const std::string& text, std::size_t* position, std::string* result) {
  std::size_t i = *position + 1;
  result->clear();
  while (i < text.size()) {
    char c = text[i];
    if (c == '"') {
      *position = i + 1;
      return true;
    }
    if (c == '\\' && i + 1 < text.size() && (text[i + 1] == '\\' || text[i + 1] == '"')) {
      result->push_back(text[i + 1]);
      i += 2;
      continue;
    }
    result->push_back(c);
    ++i;
  }
  return false;
}

std::string Quote(const std::string& text) {
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '\\' || c == '"') quoted.push_back('\\');
    quoted.push_back(c);
  }
  quoted.push_back('"');
  return quoted;
}

bool ReadDword(const std::string& text, std::size_t position, unsigned long* number) {
  static const char kPrefix[] = "dword:";
  for (std::size_t i = 0; kPrefix[i] != '\0'; ++i, ++position) {
    if (position >= text.size() || LowerAscii(text[position]) != kPrefix[i]) return false;
  }
  std::size_t digits = 0;
  unsigned long value = 0;
  for (; position < text.size(); ++position, ++digits) {
    char c = LowerAscii(text[position]);
    int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
    if (digit < 0) break;
    value = value * 16 + static_cast<unsigned long>(digit);
  }
  if (digits == 0 || digits > 8 || !OnlyBlanksFrom(text, position)) return false;
  *number = value;
  return true;
}

// Reads `"name"=...` or `@=...`. False when the line is not a value at all;
// `readable` tells whether its data is a string or a dword.
bool ReadValueLine(const std::string& line, std::string* name, RegistryValue* value,
                   bool* readable) {
  std::size_t position = 0;
  while (position < line.size() && IsBlank(line[position])) ++position;
  if (position >= line.size()) return false;
  if (line[position] == '@') {
    name->clear();
    ++position;
  } else if (line[position] == '"') {
    if (!ReadQuoted(line, &position, name)) return false;
  } else {
    return false;
  }
  while (position < line.size() && IsBlank(line[position])) ++position;
  if (position >= line.size() || line[position] != '=') return false;
  ++position;
  while (position < line.size() && IsBlank(line[position])) ++position;

  *readable = false;
  if (position < line.size() && line[position] == '"') {
    std::size_t end = position;
    if (ReadQuoted(line, &end, &value->text) && OnlyBlanksFrom(line, end)) {
      value->type = REG_SZ;
      *readable = true;
    }
  } else if (ReadDword(line, position, &value->number)) {
    value->type = REG_DWORD;
    *readable = true;
  }
  return true;
}

std::string FormatValueLine(const std::string& name, const RegistryValue& value) {
  std::string line = name.empty() ? "@" : Quote(name);
  line += '=';
  if (value.type == REG_DWORD) {
    char number[16];
    std::snprintf(number, sizeof number, "dword:%08lx", value.number & 0xFFFFFFFFul);
    line += number;
  } else {
    line += Quote(value.text);
  }
  return line;
}

bool EndsWithContinuation(const std::string& line) {
  std::string trimmed = Trim(line);
  return !trimmed.empty() && trimmed.back() == '\\';
}

// `trimmed` is a line without its surrounding blanks.
bool IsSectionHeader(const std::string& trimmed) {
  return trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']';
}

// A line that a continuation may take in: data, never the beginning of a
// section or of a value, so that a backslash at the end of a value's last
// line (or of the file, before a value is added) cannot swallow what follows.
bool CanContinue(const std::string& line) {
  std::string trimmed = Trim(line);
  return !IsSectionHeader(trimmed) && (trimmed.empty() || (trimmed[0] != '"' && trimmed[0] != '@'));
}

bool IsBlankLine(const std::string& line) { return OnlyBlanksFrom(line, 0); }

}  // namespace

RegistryDocument::RegistryDocument() : preamble_{kFormatLine, ""} {}

RegistryDocument RegistryDocument::Parse(const std::string& input) {
  RegistryDocument document;
  document.preamble_.clear();
  std::string text = input;
  if (text.compare(0, 3, kByteOrderMark) == 0) {
    document.byteOrderMark_ = true;
    text.erase(0, 3);
  }
  std::size_t firstBreak = text.find('\n');
  document.crlf_ =
      firstBreak != std::string::npos && firstBreak > 0 && text[firstBreak - 1] == '\r';

  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
    start = end + 1;
  }

  Section* section = nullptr;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    std::string trimmed = Trim(line);
    if (IsSectionHeader(trimmed)) {
      document.sections_.emplace_back();
      section = &document.sections_.back();
      section->header = line;
      std::string inner = Trim(trimmed.substr(1, trimmed.size() - 2));
      section->removal = !inner.empty() && inner[0] == '-';
      section->path = inner;
      continue;
    }
    if (section == nullptr) {
      document.preamble_.push_back(line);
      continue;
    }
    Entry entry;
    entry.lines.push_back(line);
    if (!section->removal && ReadValueLine(line, &entry.name, &entry.value, &entry.readable)) {
      entry.isValue = true;
      // Binary and other values may run over several lines ending in '\'.
      if (!entry.readable) {
        while (EndsWithContinuation(entry.lines.back()) && i + 1 < lines.size() &&
               CanContinue(lines[i + 1])) {
          entry.lines.push_back(lines[++i]);
        }
      }
    }
    section->entries.push_back(std::move(entry));
  }
  return document;
}

std::string RegistryDocument::Serialize() const {
  const char* newline = crlf_ ? "\r\n" : "\n";
  std::string text = byteOrderMark_ ? kByteOrderMark : "";
  for (const std::string& line : preamble_) text += line + newline;
  for (const Section& section : sections_) {
    text += section.header + newline;
    for (const Entry& entry : section.entries) {
      for (const std::string& line : entry.lines) text += line + newline;
    }
  }
  return text;
}

bool RegistryDocument::HasKey(const std::string& path) const {
  for (const Section& section : sections_) {
    if (section.removal) continue;
    if (IsKeyOrBelow(section.path, path)) return true;
  }
  return false;
}

void RegistryDocument::AddKey(const std::string& path) {
  // Sections are set apart by a blank line, as in exported files.
  if (sections_.empty()) {
    if (!preamble_.empty() && !IsBlankLine(preamble_.back())) preamble_.push_back("");
  } else {
    Section& last = sections_.back();
    bool endsBlank = !last.entries.empty() && !last.entries.back().isValue &&
                     IsBlankLine(last.entries.back().lines.back());
    if (!endsBlank) {
      Entry blank;
      blank.lines.push_back("");
      last.entries.push_back(std::move(blank));
    }
  }
  Section section;
  section.header = "[" + path + "]";
  section.path = path;
  sections_.push_back(std::move(section));
}

RegistryDocument::Section* RegistryDocument::LastSection(const std::string& path) {
  Section* found = nullptr;
  for (Section& section : sections_) {
    if (!section.removal && SameName(section.path, path)) found = &section;
  }
  return found;
}

RegistryDocument::Entry* RegistryDocument::FindEntry(const std::string& path,
                                                     const std::string& name) {
  Entry* found = nullptr;
  for (Section& section : sections_) {
    if (section.removal || !SameName(section.path, path)) continue;
    for (Entry& entry : section.entries) {
      if (entry.isValue && SameName(entry.name, name)) found = &entry;
    }
  }
  return found;
}

bool RegistryDocument::FindValue(const std::string& path, const std::string& name,
                                 RegistryValue* value) const {
  const Entry* entry = const_cast<RegistryDocument*>(this)->FindEntry(path, name);
  if (entry == nullptr || !entry->readable) return false;
  *value = entry->value;
  return true;
}

void RegistryDocument::SetValue(const std::string& path, const std::string& name,
                                const RegistryValue& value) {
  Entry replacement;
  replacement.lines.push_back(FormatValueLine(name, value));
  replacement.isValue = true;
  replacement.readable = true;
  replacement.name = name;
  replacement.value = value;

  if (Entry* existing = FindEntry(path, name)) {
    // The existing line keeps its own spelling of the name.
    replacement.name = existing->name;
    replacement.lines[0] = FormatValueLine(existing->name, value);
    *existing = std::move(replacement);
    return;
  }
  Section* section = LastSection(path);
  if (section == nullptr) {
    AddKey(path);
    section = &sections_.back();
  }
  // After the section's last line that is not blank, so that the blank line
  // setting the sections apart stays last.
  std::size_t position = section->entries.size();
  while (position > 0) {
    const Entry& previous = section->entries[position - 1];
    if (previous.isValue || !IsBlankLine(previous.lines.back())) break;
    --position;
  }
  section->entries.insert(section->entries.begin() + static_cast<std::ptrdiff_t>(position),
                          std::move(replacement));
}

bool RegistryDocument::RemoveValue(const std::string& path, const std::string& name) {
  bool removed = false;
  for (Section& section : sections_) {
    if (section.removal || !SameName(section.path, path)) continue;
    for (std::size_t i = 0; i < section.entries.size();) {
      const Entry& entry = section.entries[i];
      if (entry.isValue && SameName(entry.name, name)) {
        section.entries.erase(section.entries.begin() + static_cast<std::ptrdiff_t>(i));
        removed = true;
      } else {
        ++i;
      }
    }
  }
  return removed;
}

bool RegistryDocument::CanHold(const std::string& text) {
  return text.find_first_of("\r\n") == std::string::npos;
}

std::string RegistryDocument::In32BitView(const std::string& path) {
  static const char kSoftware[] = "HKEY_LOCAL_MACHINE\\SOFTWARE";
  static const char kRedirected[] = "HKEY_LOCAL_MACHINE\\SOFTWARE\\WOW6432Node";
  static const char kAppPaths[] =
      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths";
  if (!IsKeyOrBelow(path, kSoftware) || IsKeyOrBelow(path, kRedirected) ||
      IsKeyOrBelow(path, kAppPaths)) {
    return path;
  }
  return kRedirected + path.substr(std::strlen(kSoftware));
}

}  // namespace os
