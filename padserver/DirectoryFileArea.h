// The file area of one front end: the pads/ and misc/ folders of its data
// directory. A replacement is a new file renamed over the old one
// (FileReplacement.h); a reader keeps the file it opened, whatever replaces
// it meanwhile.
#pragma once

#include "padserver/DataDirectory.h"
#include "padserver/FileArea.h"

namespace padserver {

class DirectoryFileArea : public FileArea {
 public:
  // `data` must have been prepared (DataDirectory::Prepare).
  explicit DirectoryFileArea(DataDirectory data) : data_(std::move(data)) {}

  Status Replace(Folder folder, const std::string& name,
                 std::unique_ptr<FileWriter>& writer) override;
  Status Open(Folder folder, const std::string& name, std::unique_ptr<FileReader>& reader) override;
  Status Remove(Folder folder, const std::string& name) override;
  // The plain files, leaving out the temporary ones.
  Status List(Folder folder, std::vector<std::string>& names) override;
  Status MiscUsage(const std::string& except, std::uint64_t& files, std::uint64_t& bytes) override;

 private:
  std::string Path(Folder folder, const std::string& name) const;

  DataDirectory data_;
};

}  // namespace padserver
