#include "padserver/DirectoryFileArea.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "padserver/FileReplacement.h"
#include "padserver/ServerLog.h"

namespace padserver {

namespace {

class DirectoryFileWriter : public FileWriter {
 public:
  // Starts replacing the file at `path`.
  Status Open(const std::string& path) { return replacement_.Open(path); }
  bool Write(const char* data, std::size_t size) override { return replacement_.Write(data, size); }
  Status Commit() override { return replacement_.Commit(); }

 private:
  FileReplacement replacement_;
};

class DirectoryFileReader : public FileReader {
 public:
  DirectoryFileReader(int file, std::uint64_t size) : file_(file), size_(size) {}
  ~DirectoryFileReader() override { ::close(file_); }

  std::uint64_t Size() const override { return size_; }
  long Read(char* buffer, std::size_t size) override {
    for (;;) {
      ssize_t got = ::read(file_, buffer, size);
      if (got >= 0 || errno != EINTR) return static_cast<long>(got);
    }
  }

 private:
  int file_;
  std::uint64_t size_;
};

// Calls `visit` with the name and size of every plain file in `directory`
// whose name does not begin with a dot.
template <typename Visit>
Status ForEachFile(const std::string& directory, Visit visit) {
  DIR* listing = ::opendir(directory.c_str());
  if (listing == nullptr) {
    LogSystemFailure("cannot list", directory);
    return Status::Fail(kServerError, "cannot read the file area");
  }
  while (const dirent* entry = ::readdir(listing)) {
    struct stat info;
    if (entry->d_name[0] == '.' ||
        ::fstatat(::dirfd(listing), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0 ||
        !S_ISREG(info.st_mode)) {
      continue;
    }
    visit(entry->d_name, static_cast<std::uint64_t>(info.st_size));
  }
  ::closedir(listing);
  return Status::Ok();
}

}  // namespace

std::string DirectoryFileArea::Path(Folder folder, const std::string& name) const {
  return (folder == Folder::kPads ? data_.PadDirectory() : data_.MiscDirectory()) + "/" + name;
}

Status DirectoryFileArea::Replace(Folder folder, const std::string& name,
                                  std::unique_ptr<FileWriter>& writer) {
  std::unique_ptr<DirectoryFileWriter> made(new DirectoryFileWriter);
  Status status = made->Open(Path(folder, name));
  if (status.IsOk()) writer = std::move(made);
  return status;
}

Status DirectoryFileArea::Open(Folder folder, const std::string& name,
                               std::unique_ptr<FileReader>& reader) {
  int file = ::open(Path(folder, name).c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info;
  if (file < 0 || ::fstat(file, &info) != 0) {
    int error = errno;
    if (file >= 0) ::close(file);
    return error == ENOENT ? Status::Fail(kNotFound, "no such file")
                           : Status::Fail(kServerError, "cannot read the file");
  }
  reader.reset(new DirectoryFileReader(file, static_cast<std::uint64_t>(info.st_size)));
  return Status::Ok();
}

Status DirectoryFileArea::Remove(Folder folder, const std::string& name) {
  const std::string path = Path(folder, name);
  if (::unlink(path.c_str()) == 0 || errno == ENOENT) return Status::Ok();
  LogSystemFailure("cannot remove", path);
  return Status::Fail(kServerError, "cannot remove the file");
}

Status DirectoryFileArea::List(Folder folder, std::vector<std::string>& names) {
  names.clear();
  return ForEachFile(Path(folder, "."),
                     [&](const char* name, std::uint64_t) { names.emplace_back(name); });
}

Status DirectoryFileArea::MiscUsage(const std::string& except, std::uint64_t& files,
                                    std::uint64_t& bytes) {
  files = bytes = 0;
  return ForEachFile(data_.MiscDirectory(), [&](const char* name, std::uint64_t size) {
    if (except == name) return;
    ++files;
    bytes += size;
  });
}

}  // namespace padserver
