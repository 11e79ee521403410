// The server object: one request worker's way to the pad server.
//
// Defined in transport/PadServer.cpp (members, proxy, connection),
// transport/PadServerRequest.cpp (requests), transport/PadServerResponse.cpp
// (responses), transport/PadServerSecure.cpp (TLS and the proxy tunnel), and
// in the protocol library: protocol/PadServerCommands.cpp
// (pad commands), protocol/PadServerWriters.cpp (command text),
// protocol/PadServerReply.cpp (the reply reader) and
// protocol/PadServerTransfers.cpp (pad and file transfers).
//
// A worker makes a PadServer on its own stack, gives it the server's host,
// port and CGI directory (SetServer) and, when its client has one, the proxy
// (SetProxy), runs its commands through it and destroys it. Every command is
// one HTTP/1.0 exchange on a fresh connection, in this order: Connect;
// SendRequestHead or SendFileRequestHead; SendBody (not after
// SendFileRequestHead); ReceiveReply, ReceiveRaw or ReceiveSizedReply;
// Disconnect. When a step after Connect fails, the command calls Disconnect.
//
// Results: 0 for success, otherwise a Windows Sockets error code, or -1 where
// stated. Buffers handed out through `text`, `reply` and `body` come from the
// kernel heap (MwNew) and belong to the caller, who frees them with MwDelete,
// also when an operation failed and left one there. Strings passed in stay
// the caller's; the object keeps copies.
//
// Threads: an object is used only by the thread that made it. The proxy
// setting and the count of live objects are class-wide, shared by the
// workers of every client, and updated under one lock. The proxy lives as
// long as some PadServer does: it is cleared with the last one.
#pragma once

#include <atomic>
#include <chrono>

#include "transport/TCP_Address.h"
#include "transport/TCP_HostName.h"
#include "transport/TCP_StreamSocket.h"

class MkDictionary;
namespace transport {
class ReceiveBuffer;
struct TransferProgress;
}  // namespace transport

class PadServer {
 public:
  // Request methods, CGI programs and server directories.
  static constexpr char kPost[] = "POST";
  static constexpr char kGet[] = "GET";
  static constexpr char kPadCgi[] = "pad-cgi";
  static constexpr char kPadGzGetCgi[] = "pad-gzget-cgi";
  static constexpr char kPadGzPutCgi[] = "pad-gzput-cgi";
  static constexpr char kPadUploadCgi[] = "pad-upload-cgi";
  static constexpr char kPadDirectory[] = "/pads";
  static constexpr char kMiscDirectory[] = "/misc";
  // The text in front of the pad server's reply, and the byte that ends a
  // command body and cuts a command reply.
  static constexpr char kReplyMarker[] = "PAD_SERVER_REPLY = ";
  static constexpr unsigned char kTerminator = 0xFF;

  // An empty CGI path, no server yet, and the attribute type table.
  PadServer();
  // Releases what the object owns, and the class-wide proxy setting when this
  // is the last PadServer alive. Closes an open connection.
  ~PadServer();
  PadServer(const PadServer&) = delete;
  PadServer& operator=(const PadServer&) = delete;

  // With a host: replaces the server's host name, resolving it now, and takes
  // `port` (host byte order). With a path: replaces the CGI directory path
  // written in front of every CGI name. A null argument changes nothing (the
  // port goes only with a host). An unknown host shows as a failing Connect.
  void SetServer(const char* host, unsigned short port, const char* path);

  // Class-wide: with a host, replaces the proxy (resolving it now) and its
  // port; with a pattern, replaces the no-proxy pattern. Servers whose host
  // name contains the pattern (case-sensitive) are reached directly.
  static void SetProxy(const char* host, unsigned short port, const char* pattern);

  // With `on`, every exchange from now on runs inside TLS with the server's
  // host name: the certificate must lead to the system's roots or to one in
  // the PEM files `caFiles` (a list a null ends, copied, at most four
  // taken; may be null) and
  // must name the host. Through a proxy the connection becomes a tunnel
  // (CONNECT host:port) first, and requests inside it keep their short form.
  void SetTls(bool on, const char* const* caFiles);
  // Why the last exchange's handshake failed, or kNone.
  os::TlsFailure LastTlsFailure() const { return connection.LastTlsFailure(); }

  // Where transfers (pad and file, both ways) count their body bytes as they
  // move; not owned, null for none. Commands count nothing.
  void SetProgress(transport::TransferProgress* progress) { progress_ = progress; }

  // --- Why the object's work failed, for the client's reason ---
  //
  // The first failing exchange since the object was made: its result (an
  // error code, or -1) and the HTTP status of its response (0 for none).
  // Exchanges record themselves through NoteExchange.
  int FailedResult() const { return failedResult_; }
  int FailedStatus() const { return failedStatus_; }
  void NoteExchange(int result);
  // A cause found before any byte went out (a BazaroReason: a local file, a
  // name that cannot travel, a download over the limit); the first counts.
  int NotedCause() const { return notedCause_; }
  void NoteCause(int reason);
  // True once CutOff has been called.
  bool WasCutOff() const { return cutOff_.load(); }
  // Replaces the Basic tokens (base64 of "login:password") sent from now on;
  // either may be null for none. `serverToken` goes as "Authorization" only
  // inside TLS; `proxyToken` as "Proxy-Authorization" on every request to
  // the proxy in the clear and on the CONNECT of a tunnel. A token holding
  // anything but base64 characters, or empty, is dropped as null.
  void SetAuthorization(const char* serverToken, const char* proxyToken);

  // --- One HTTP/1.0 exchange ---

  // Opens the connection, to the proxy or directly, and sets the read
  // time-out; with TLS on, opens the tunnel and runs the handshake too (-1
  // for a refused tunnel or a TLS failure). A failed attempt leaves its
  // socket for Disconnect or the destructor to close.
  int Connect();
  // Closes the connection; the result of closing it.
  int Disconnect();
  // From any thread: ends the exchange under way at once and makes every
  // later Connect fail, so that the object's owner stops soon.
  void CutOff();

  // Sends the request line for the CGI program `cgiName` below the CGI path,
  // then the header block announcing `bodyLength` bytes, one more when
  // `terminated`. Returns -1 and sends nothing when a text of the request line
  // holds a control character, when the proxy's absolute prefix would pass
  // 127 characters, or when the request line would pass 1023 characters.
  int SendRequestHead(const char* method, const char* cgiName, unsigned long bodyLength,
                      bool terminated);
  // The same for `path` taken from the server's root (the CGI path is not
  // used), announcing a body of 0 bytes.
  int SendFileRequestHead(const char* method, const char* path);
  // Sends `length` bytes, followed by the terminator byte when `terminated`.
  int SendBody(const char* data, unsigned long length, bool terminated);

  // Every receiving operation fails with WSAETIMEDOUT when fewer than 1 KiB
  // arrive within one silence bound (WaitBounds), and a reset that follows a
  // response whose Content-Length has arrived whole does not fail it.
  //
  // Reads a whole response: until the peer closes or one read time-out passes
  // without data. `text` is a new NUL-terminated buffer of `length` bytes, or
  // null on failure. Waiting for the first byte ends with WSAETIMEDOUT after
  // the silence bound, and with WSAECONNRESET when the peer closed without
  // sending anything. An error after data arrived discards the data. A
  // response over 16 MiB is no reply: -1.
  int ReceiveRaw(char*& text, unsigned long& length);
  // Reads a whole response as ReceiveRaw does but keeps only its head: `head`
  // holds the bytes up to the end of the header block (the whole response
  // when it has none), and `bodyLength` counts the body bytes read and
  // dropped.
  int ReceiveDiscarded(char*& head, unsigned long& headLength, unsigned long long& bodyLength);

  // The position behind the header block ("\r\n\r\n") of `text`, and behind
  // the reply marker when `skipMarker` and the body begins with it; `length`
  // shrinks by the distance. Null, with `length` unchanged, when `text` is
  // null or has no end of header block.
  static char* LocateBody(char* text, unsigned long& length, bool skipMarker);
  // The status number behind the first "HTTP/" of `text`, or 0.
  static int StatusCode(const char* text);

  // ReceiveRaw, then the reply text: the bytes behind the header block (and
  // the marker when asked), cut at the first terminator byte, NUL-terminated;
  // the whole response when it has no end of header block. `length` counts
  // every received byte behind the header block and marker. Any status.
  int ReceiveReply(char*& reply, unsigned long& length, bool skipMarker);
  // ReceiveReply's second half, in place: `text` holds a whole response of
  // `length` bytes and the NUL behind them, and then the reply text.
  static void ExtractReply(char* text, unsigned long& length, bool skipMarker);

  // The body of a status-200 response, read up to its Content-Length; without
  // a length, up to the end of the connection. Another status: result 0,
  // `length` 0, and `body` holds the response text. -1 when no response
  // arrived, when it has no status line or no end of header block, or when
  // the connection ended before the announced length arrived. On a nonzero
  // result `body` is null.
  int ReceiveSizedReply(char*& body, unsigned long& length);

  // Where a body goes as it arrives, piece by piece; false stops the read.
  class BodySink {
   public:
    virtual ~BodySink() = default;
    virtual bool Take(const char* data, unsigned long count) = 0;
  };
  // ReceiveSizedReply without holding the body: its bytes go to `sink` as
  // they arrive, and `length` counts them. Another status: result 0, `length`
  // 0 and nothing for the sink. -1 also when the sink refuses a piece.
  int ReceiveSizedBody(BodySink& sink, unsigned long long& length);

  // --- Reply text, pad commands and transfers (protocol/) ---
  //
  // Reply text: blank-separated key=value pairs, records separated by a
  // comma. Values of the keys in the attribute type table are stored with
  // that type; every other value is a string. Buffers and dictionaries these
  // operations hand out belong to the caller: text buffers go back through
  // MwDelete, dictionaries through their virtual destructor.

  // Reads one pair from `text`, which it trims in place. `key` and `value`
  // become new NUL-terminated kernel-heap buffers, or both stay null when
  // `text` holds no "=". Returns the cursor behind what was read.
  char* ParsePair(char* text, char*& key, char*& value);
  // Reads one record at `cursor` (trimmed in place once) and moves `cursor`
  // past it and past the comma that ends it. A new record, possibly empty.
  MkDictionary* ParseRecord(char*& cursor);
  // Reads records of `text` up to the first empty one: a new list keyed "0",
  // "1", ... with one nested record each.
  MkDictionary* ParseList(char* text);

  // Command text from a dictionary: a new 65536-byte kernel-heap buffer
  // holding a NUL-terminated text that ends with one newline, or null when
  // memory is exhausted or when a key, an owner or a string value holds a
  // character that would change the command's shape (a blank, "=", ",", a
  // quote, a control character; a value may hold blanks). "id" and "pid" are
  // never written. A piece that no longer fits the buffer is left out.
  //
  // The assignments key=value of the entries that carry a value.
  char* WriteAttributes(MkDictionary* dict);
  // The keys, each followed by one blank.
  static char* WriteAttributeNames(MkDictionary* dict);
  // "x y account group " (integers x and y, default 0; strings account and
  // group, default "guest"), then the assignments of the other entries.
  // `dict` is not changed.
  char* WritePadInfo(MkDictionary* dict);

  // Pad commands: one exchange with pad-cgi each (GetChildPads: one more per
  // child listed). 0 for success, otherwise the failing step's error code or
  // -1. On failure nothing of the reply is used.
  //
  // A new pad identifier; -1 and `id` 0 when the reply holds none.
  int GetNewPadID(unsigned long& id);
  int DeletePad(unsigned long id);
  // With a null `target`, the pad's record becomes a new `target`; otherwise
  // the attributes named by the keys of `target` are fetched and merged into
  // it. An "id" in the reply is stored as "pid".
  int GetPadInfo(unsigned long id, MkDictionary*& target);
  // Stores the pad's position, owner and attributes under the parent
  // `parentId`, or only its attributes when `parentId` is 0. -1 without
  // connecting for a null or empty `attributes`.
  int SetPadInfo(unsigned long id, unsigned long parentId, MkDictionary* attributes);
  // Lists the pads below `parentId`. A null `target` becomes the list. A given
  // `target` is a template: its keys name the attributes fetched for every
  // listed child (its values stand in until the server's replace them), and
  // it then holds the list. The result of the last child's request.
  int GetChildPads(unsigned long parentId, MkDictionary*& target);

  // Transfers. Temporary files live only while the operation runs.
  //
  // Compresses `padFile` and sends it as the pad `id`. 0 on success; -1 when
  // the pad file cannot be read or compressed (nothing is sent); otherwise
  // the failing step's error code.
  int UploadPad(unsigned long id, const char* padFile);
  // Fetches the pad `id` and stores it decompressed in `localFile` (data that
  // is not compressed is stored as it came). True when data arrived and was
  // stored; false otherwise, `localFile` then being empty or partly written.
  bool DownloadPad(unsigned long id, const char* localFile);
  // Remote names travel unchanged, blanks included; a name holding CR, LF or
  // another control character, or too long for its line (1023 characters),
  // is refused without connecting.
  //
  // Sends `localFile` under `remoteName`. 0 on success; 0xFF for a refused
  // name or a file that cannot be read whole (nothing is sent); otherwise the
  // low 8 bits of the failing step's error code (0xFF where those are 0).
  unsigned char PutFile(const char* remoteName, const char* localFile);
  // Fetches the server's file `remoteName` into `localFile`. True when data
  // arrived and was stored; false otherwise, also for a refused name.
  bool GetFile(const char* remoteName, const char* localFile);

  // Class-wide: the most DownloadPad and GetFile write to `localFile`. A
  // download that would pass it fails and leaves `localFile` empty.
  static constexpr unsigned long long kDefaultDownloadLimit = 1ull << 30;
  static void SetDownloadLimit(unsigned long long bytes);
  static unsigned long long DownloadLimit();

 private:
  // The request line "<method> <prefix><directory><name> HTTP/1.0" and the
  // header block announcing `announced` bytes.
  int SendHead(const char* method, const char* directory, const char* name,
               unsigned long announced);
  // Asks the proxy for a tunnel to the server: 0 once it answers 200.
  int OpenTunnel();
  // The TLS part of Connect, on a connection that is open.
  int StartSecureExchange();
  // Frees the names in caFiles_ and empties the list.
  void ForgetCaFiles();
  // Transfers count from StartCount (total 0 when unknown) to StopCount;
  // Count adds moved bytes while counting.
  void StartCount(unsigned long long total);
  void Count(unsigned long long bytes);
  void SetCountTotal(unsigned long long total);
  void StopCount();
  // One counted upload: `line`, then `data`, as the body of a request to
  // `cgiName`, its response dropped; the exchange's result.
  int SendCounted(const char* cgiName, const char* line, unsigned long lineLength, const char* data,
                  unsigned long length);
  // Sends the header line "<field>: Basic <token>" when `token` is set.
  int SendCredentials(const char* field, const char* token);
  static constexpr unsigned long long kByHead = ~0ull;
  // How ReceiveInto reads, made by one of the three plans.
  struct ReadPlan {
    // A whole response, up to the end of the connection.
    static ReadPlan Response();
    // A response up to the end of its header block.
    static ReadPlan Head();
    // What follows a head, every byte passed to `sink`; `whole` as below.
    static ReadPlan Rest(BodySink& sink, unsigned long long whole);

    unsigned long limit = 0;  // the most bytes `received` may hold; -1 past it
    // The first byte may take up to the silence bound, and a peer that
    // closes before it is a failure.
    bool awaitFirst = false;
    bool stopAtHead = false;   // ends once `received` holds the end of a header block
    BodySink* sink = nullptr;  // when set, every byte read goes there, not into `received`
    // The bytes that make this read whole, so that a reset after them ends
    // it well; kByHead: as the Content-Length in `received` says.
    unsigned long long whole = kByHead;
  };
  // Reads into `received` (or the plan's sink, adding to `passed`) until the
  // peer closes, one read time-out passes in silence, or the plan says stop.
  // On a nonzero result the caller discards what was read.
  int ReceiveInto(transport::ReceiveBuffer& received, const ReadPlan& plan,
                  unsigned long long& passed);
  // The head and body of a sized reply: the body goes to `sink`, and a
  // response of another status than 200 is left in `received` with
  // `refused` set.
  int ReceiveSized(transport::ReceiveBuffer& received, BodySink& sink, unsigned long long& length,
                   bool& refused);
  // The low-speed bound of a receiving operation: StartProgress opens its
  // window; NoteProgress counts `count` new bytes and answers WSAETIMEDOUT
  // when the window has lasted a silence bound with less than 1 KiB in it.
  void StartProgress();
  int NoteProgress(unsigned long count);

  // The names the system gives these fields are kept.
  // NOLINTBEGIN(readability-identifier-naming)
  TCP_HostName* serverHostName;  // owned; null until SetServer gets a host
  TCP_Address serverAddress;     // the server's address and port
  char* cgiPath;                 // owned platform string, "" at first
  TCP_StreamSocket connection;   // the current exchange's connection
  MkDictionary* attributeTypes;  // owned attribute type table
  bool viaProxy;                 // the current connection goes to the proxy
  // NOLINTEND(readability-identifier-naming)
  bool tls_;  // exchanges run inside TLS
  // The Basic tokens for the server and the proxy: owned platform strings,
  // or null.
  char* serverToken_ = nullptr;
  char* proxyToken_ = nullptr;
  // Extra trusted roots: owned platform strings naming PEM files, the
  // first null ending them.
  static constexpr int kMostCaFiles = 4;
  char* caFiles_[kMostCaFiles + 1];
  // The low-speed window of the receiving operation under way: when it
  // opened and the bytes that arrived in it.
  std::chrono::steady_clock::time_point progressStart_;
  unsigned long progressBytes_;
  transport::TransferProgress* progress_;  // not owned, or null
  bool counting_;                          // a transfer is counting its bytes
  int failedResult_;
  int failedStatus_;
  int responseStatus_;  // the status of the current exchange's response
  int notedCause_;
  std::atomic<bool> cutOff_;
};
