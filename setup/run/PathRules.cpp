#include "setup/run/PathRules.h"

namespace setup {

namespace {

bool IsCp932LeadByte(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

PathRules SystemPathRules(Language language) {
  return os::SystemPathRules(language == Language::kJapanese);
}

std::vector<std::size_t> CharacterStarts(const std::string& text, const PathRules& rules) {
  std::vector<std::size_t> starts;
  for (std::size_t i = 0; i < text.size(); ++i) {
    starts.push_back(i);
    if (rules.doubleByte && IsCp932LeadByte(static_cast<unsigned char>(text[i])) &&
        i + 1 < text.size()) {
      ++i;
    }
  }
  return starts;
}

bool DeriveInstallRoot(const std::string& mainProgram, const PathRules& rules, std::string* root) {
  std::string marker;
  marker.append(1, rules.separator).append("bin").append(1, rules.separator).append("mk.exe");

  std::vector<std::size_t> starts = CharacterStarts(mainProgram, rules);
  std::string text = mainProgram;
  if (rules.foldCase) {
    for (std::size_t i : starts) text[i] = LowerAscii(text[i]);
  }
  // The marker is ASCII, so a match that begins on a character boundary never
  // takes half of a double-byte character.
  for (std::size_t start : starts) {
    if (text.size() - start < marker.size()) break;
    std::size_t k = 0;
    while (k < marker.size() && LowerAscii(text[start + k]) == marker[k]) ++k;
    if (k == marker.size()) {
      *root = text.substr(0, start);
      RemoveTrailingSeparators(root, rules);
      return true;
    }
  }
  return false;
}

void RemoveTrailingSeparators(std::string* path, const PathRules& rules) {
  std::vector<std::size_t> starts = CharacterStarts(*path, rules);
  while (!starts.empty() && starts.back() == path->size() - 1 && path->back() == rules.separator) {
    path->pop_back();
    starts.pop_back();
  }
}

}  // namespace setup
