// The five CGI programs of the pad server. Each reads one request and writes
// one response; it returns the process's exit status: 0 when the response
// was written, whatever its HTTP status, 1 when it could not be.
//
//   pad-cgi          a pad command (CommandReader.h), answered with
//                    "PAD_SERVER_REPLY = " and the reply text
//   pad-gzput-cgi    body "FILE_NAME = ID.pad\n" and the gzip pad file of an
//                    existing pad, stored in place of the old one
//   pad-gzget-cgi    body "/pads/ID.pad": the pad file
//   pad-upload-cgi   body "FILE_NAME = NAME\n" and the file's bytes, stored as
//                    misc/NAME
//   pad-misc-cgi     GET or HEAD /misc/NAME: the misc file, as a download;
//                    for a store whose files the web server cannot reach
//
// A refused request changes nothing and is answered with its status and
// error="REASON" behind the marker.
#pragma once

#include <memory>
#include <string>

#include "padserver/CgiRequest.h"
#include "padserver/DataDirectory.h"
#include "padserver/FileArea.h"
#include "padserver/PadStore.h"

namespace padserver {

int RunCommandProgram(const CgiRequest& request);
int RunPadPutProgram(const CgiRequest& request);
int RunPadGetProgram(const CgiRequest& request);
int RunUploadProgram(const CgiRequest& request);
int RunMiscProgram(const CgiRequest& request);

// The store of the request (the PostgreSQL database BAZARO_PAD_STORE names,
// or else the SQLite database in `data`), with `data` made when missing,
// acting for the request's user; null with the reason in `status` when that
// fails.
std::unique_ptr<PadStore> OpenPadStore(const CgiRequest& request, const DataDirectory& data,
                                       Status& status);

// The PostgreSQL database the connection URI `store` names, or without one
// the SQLite database in `data`; null with the reason in `status`.
std::unique_ptr<PadStore> OpenRecordStore(const std::string& store, const DataDirectory& data,
                                          Status& status);

// The files beside those records: in the same PostgreSQL database, or else
// in the folders of `data`, which must have been prepared; null with the
// reason in `status`.
std::unique_ptr<FileArea> OpenFileArea(const std::string& store, const DataDirectory& data,
                                       Status& status);

}  // namespace padserver
