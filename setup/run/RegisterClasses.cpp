// The class step: the module's class list merged into, or taken out of, the
// installation's nametab.lst.
#include "setup/files/ClassList.h"
#include "setup/run/SetupRun.h"

namespace setup {

namespace {

// A line whose first field begins with ";;;" marks a section.
bool IsSectionMarker(const ClassLine& line) {
  return line.first && line.first->compare(0, 3, ";;;") == 0;
}

// A marker ";;;" + name + ";" makes `name` the current section; one that does
// not end in ";" leaves the current section as it was.
void ReadMarker(const std::string& field, std::string* section) {
  if (field.size() > 3 && field.back() == ';') *section = field.substr(3, field.size() - 4);
}

int CountLines(const ClassList* list) {
  int count = 0;
  for (const ClassLine* line = list->head; line != nullptr; line = line->next) ++count;
  return count;
}

const char* FieldOrNull(const std::optional<std::string>& field) {
  return field ? field->c_str() : nullptr;
}

}  // namespace

int SetupRun::RegisterClasses() {
  ClassListPtr module(ReadClassList(sourceNametab.c_str()));
  ClassListPtr installed(ReadClassList(paths.NametabPath().c_str()));
  if (module == nullptr || installed == nullptr) {
    Fail(kTextFileNotFound);
    return 0;
  }

  const int count = CountLines(module.get());
  ClassListEditor editor(installed.get());
  std::string section;
  std::string status;
  int k = 0;
  for (const ClassLine* line = module->head; line != nullptr; line = line->next) {
    ++k;
    if (IsSectionMarker(*line)) {
      ReadMarker(*line->first, &section);
    } else {
      if (!section.empty()) {
        if (mode == Mode::Install) {
          status = Text(kTextRegistClass);
          editor.Add(section.c_str(), FieldOrNull(line->first), FieldOrNull(line->second),
                     FieldOrNull(line->third));
        } else {
          status = Text(kTextDeleteClass);
          if (line->first && line->second) {
            editor.Remove(section.c_str(), line->first->c_str());
          }
        }
      }
      frontEnd_->SetLabel(Label::kSource, sourceNametab.c_str());
      frontEnd_->SetLabel(Label::kDestination, paths.NametabPath().c_str());
      if (line->first) status += *line->first;
      frontEnd_->SetLabel(Label::kStatus, status.c_str());
      frontEnd_->Pause(kReadablePause);
    }
    frontEnd_->SetProgress(100 * k / count);
  }

  // Written also when nothing changed: writing re-aligns the columns.
  if (!WriteClassList(installed.get(), paths.NametabPath().c_str())) {
    Fail(kTextCannotWrite);
    return 0;
  }
  frontEnd_->SetLabel(Label::kStatus, Text(kTextFinish));
  frontEnd_->Pause(kReadablePause);
  return 1;
}

}  // namespace setup
