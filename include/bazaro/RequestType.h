// The request type codes: each request of BazaroComm has one. The code is kept
// in the request's task, selects the worker that runs it and is the argument
// of BazaroCommBase::TaskEnd.
#pragma once

enum BazaroRequestType {
  kRequestNewID = 1,     // outcome: QueryResultID
  kRequestRegist = 2,    // QueryResultBool
  kRequestUpload = 3,    // QueryResultID
  kRequestDownload = 4,  // QueryResultFile, GetResultPad
  kRequestUpdate = 5,    // QueryResultBool
  kRequestMove = 6,      // QueryResultBool
  kRequestDelete = 7,    // QueryResultBool
  kRequestGetList = 8,   // QueryResultBooth
  kRequestPutFile = 9,   // QueryResultBool
  kRequestGetFile = 10,  // QueryResultFile
};
