// pad-gzput-cgi, pad-gzget-cgi, pad-upload-cgi and pad-misc-cgi: pad files and
// misc files.
#include <cstdint>
#include <cstring>

#include "padserver/HttpResponse.h"
#include "padserver/Programs.h"
#include "padserver/RequestBody.h"
#include "padserver/TextRules.h"

namespace padserver {

namespace {

constexpr char kFileNamePrefix[] = "FILE_NAME = ";
constexpr std::size_t kFileNamePrefixLength = sizeof kFileNamePrefix - 1;
constexpr char kPadDirectory[] = "/pads/";
constexpr char kMiscDirectory[] = "/misc/";

// The file name of the body's first line, "FILE_NAME = NAME".
Status ReadFileName(RequestBody& body, std::string& name) {
  std::string line;
  Status status =
      body.ReadLine(kFileNamePrefixLength + kMaxFileNameLength, "file name too long", line);
  if (!status.IsOk()) return status;
  if (line.compare(0, kFileNamePrefixLength, kFileNamePrefix) != 0) {
    return Status::Fail(kBadRequest, "body lacks its FILE_NAME line");
  }
  name = line.substr(kFileNamePrefixLength);
  return Status::Ok();
}

// The rest of `body` as the new content of the file `name` of `folder`; the
// old content stays unless all of it arrived and was stored.
Status StoreRest(RequestBody& body, FileArea& files, Folder folder, const std::string& name,
                 bool mayBeEmpty) {
  std::unique_ptr<FileWriter> replacement;
  Status status = files.Replace(folder, name, replacement);
  if (!status.IsOk()) return status;
  char chunk[65536];
  std::uint64_t stored = 0;
  for (;;) {
    long got = body.Read(chunk, sizeof chunk);
    if (got < 0) return body.Failure();
    if (got == 0) break;
    if (!replacement->Write(chunk, static_cast<std::size_t>(got))) {
      return Status::Fail(kServerError, "cannot write the file");
    }
    stored += static_cast<std::uint64_t>(got);
  }
  // An empty pad file would replace a pad with nothing.
  if (stored == 0 && !mayBeEmpty) return Status::Fail(kBadRequest, "empty pad file");
  return replacement->Commit();
}

// Opens the store of the request's data directory and checks that pad `id`
// exists and, for a change with accounts, that it is the user's.
Status CheckPad(const CgiRequest& request, const DataDirectory& data, PadId id, bool toChange) {
  Status status;
  std::unique_ptr<PadStore> store = OpenPadStore(request, data, status);
  PadRecord record;
  if (store != nullptr) status = store->Get(id, record);
  if (status.IsOk() && toChange && !request.remoteUser.empty() &&
      record.account != request.remoteUser) {
    status = Status::Fail(kForbidden, "not your pad");
  }
  return status;
}

// With accounts, claims the misc file `name` for the user, or 403 when it is
// another's.
Status ClaimFile(const CgiRequest& request, const DataDirectory& data, const std::string& name) {
  if (request.remoteUser.empty()) return Status::Ok();
  Status status;
  std::unique_ptr<PadStore> store = OpenPadStore(request, data, status);
  return store != nullptr ? store->ClaimFile(name) : status;
}

// 507 when storing `size` bytes as misc file `name` would take the file area
// past its limits.
Status CheckFileRoom(const CgiRequest& request, FileArea& files, const std::string& name,
                     std::uint64_t size) {
  Limits limits;
  request.ReadLimits(limits);
  std::uint64_t count = 0;
  std::uint64_t bytes = 0;
  Status status = files.MiscUsage(name, count, bytes);
  if (!status.IsOk()) return status;
  if (count >= limits.maxFiles) return Status::Fail(kInsufficientStorage, "too many files");
  if (size > limits.maxFileBytes || bytes > limits.maxFileBytes - size) {
    return Status::Fail(kInsufficientStorage, "file area full");
  }
  return Status::Ok();
}

// The request's file area, once the data directory is prepared.
std::unique_ptr<FileArea> OpenRequestFiles(const CgiRequest& request, const DataDirectory& data,
                                           Status& status) {
  status = data.Prepare();
  return status.IsOk() ? OpenFileArea(request.store, data, status) : nullptr;
}

}  // namespace

int RunPadPutProgram(const CgiRequest& request) {
  std::uint64_t length = 0;
  Status status = request.Accept(UINT64_MAX, length);
  RequestBody body(*request.streams, length, request.BodyTimeout());
  std::string name;
  PadId id = 0;
  if (status.IsOk()) status = ReadFileName(body, name);
  if (status.IsOk()) status = ReadPadFileName(name, id);
  DataDirectory data(request.dataDirectory);
  if (status.IsOk()) status = CheckPad(request, data, id, true);
  std::unique_ptr<FileArea> files;
  if (status.IsOk()) files = OpenRequestFiles(request, data, status);
  if (status.IsOk()) status = StoreRest(body, *files, Folder::kPads, PadFileName(id), false);
  // A deletion of the pad while its file was on the way may have removed the
  // old file before this one took its place: the new one goes too, and the
  // upload is refused, as it would have been a moment later. (A store that
  // cannot be read now says nothing about the pad: the file stays.)
  if (status.IsOk()) {
    Status after = CheckPad(request, data, id, false);
    if (after.code == kNotFound) {
      files->Remove(Folder::kPads, PadFileName(id));
      status = after;
    }
  }
  return WriteReply(*request.streams, status, "") ? 0 : 1;
}

int RunUploadProgram(const CgiRequest& request) {
  std::uint64_t length = 0;
  Status status = request.Accept(UINT64_MAX, length);
  RequestBody body(*request.streams, length, request.BodyTimeout());
  std::string name;
  if (status.IsOk()) status = ReadFileName(body, name);
  if (status.IsOk()) status = CheckFileName(name);
  DataDirectory data(request.dataDirectory);
  std::unique_ptr<FileArea> files;
  if (status.IsOk()) files = OpenRequestFiles(request, data, status);
  if (status.IsOk()) status = ClaimFile(request, data, name);
  // What follows the FILE_NAME line and its newline.
  std::uint64_t size = length - (kFileNamePrefixLength + name.size() + 1);
  if (status.IsOk()) status = CheckFileRoom(request, *files, name, size);
  if (status.IsOk()) status = StoreRest(body, *files, Folder::kMisc, name, true);
  return WriteReply(*request.streams, status, "") ? 0 : 1;
}

int RunPadGetProgram(const CgiRequest& request) {
  std::string text;
  Status status = request.ReadShortBody(text);
  PadId id = 0;
  if (status.IsOk()) {
    if (text.compare(0, std::strlen(kPadDirectory), kPadDirectory) != 0) {
      status = Status::Fail(kBadRequest, "body is not /pads/ID.pad");
    } else {
      status = ReadPadFileName(text.substr(std::strlen(kPadDirectory)), id);
    }
  }
  DataDirectory data(request.dataDirectory);
  if (status.IsOk()) status = CheckPad(request, data, id, false);
  std::unique_ptr<FileArea> files;
  if (status.IsOk()) files = OpenRequestFiles(request, data, status);
  // The version opened is the one served, even when an upload replaces it
  // meanwhile.
  std::unique_ptr<FileReader> file;
  if (status.IsOk()) status = files->Open(Folder::kPads, PadFileName(id), file);
  if (status.code == kNotFound && files != nullptr) status.reason = "pad has no file";
  if (!status.IsOk()) return WriteReply(*request.streams, status, "") ? 0 : 1;
  return WriteFileReply(*request.streams, *file) ? 0 : 1;
}

int RunMiscProgram(const CgiRequest& request) {
  constexpr char kGetOrHead[] = "GET, HEAD";
  const std::string path = request.scriptName + request.pathInfo;
  const std::size_t prefixLength = std::strlen(kMiscDirectory);
  const std::string name = path.size() > prefixLength ? path.substr(prefixLength) : "";
  Status status;
  if (request.dataDirectory.empty()) {
    status = Status::Fail(kServerError, "server not configured");
  } else if (!request.origin.empty()) {
    status = Status::Fail(kForbidden, "cross-site request refused");
  } else if (request.method != "GET" && request.method != "HEAD") {
    status = Status::Fail(kMethodNotAllowed, "only GET and HEAD are served");
  } else if (path.compare(0, prefixLength, kMiscDirectory) != 0) {
    status = Status::Fail(kNotFound, "no such file");
  } else {
    status = CheckFileName(name);
  }
  DataDirectory data(request.dataDirectory);
  std::unique_ptr<FileArea> files;
  if (status.IsOk()) files = OpenRequestFiles(request, data, status);
  std::unique_ptr<FileReader> file;
  if (status.IsOk()) status = files->Open(Folder::kMisc, name, file);
  if (!status.IsOk()) return WriteReply(*request.streams, status, "", kGetOrHead) ? 0 : 1;
  return WriteFileReply(*request.streams, *file, true, request.method == "HEAD") ? 0 : 1;
}

}  // namespace padserver
