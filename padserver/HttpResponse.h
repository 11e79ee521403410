// The response to a request: a "Status:" header for the web server, the
// content type, an exact Content-Length, and the body.
#pragma once

#include <cstdint>
#include <string>

#include "padserver/RequestStreams.h"
#include "padserver/Status.h"

namespace padserver {

// The marker in front of every reply text, as the client looks for it.
constexpr char kReplyMarker[] = "PAD_SERVER_REPLY = ";

// A reply: the marker followed by `text` for a success, and by
// error="REASON" with the status's code for a failure. False when the
// response could not be written.
bool WriteReply(RequestStreams& out, const Status& status, const std::string& text);

// A status-200 response carrying the `size` bytes of the open file `file`.
// False when they could not all be sent; the response is then cut short,
// which its Content-Length shows the client.
bool WriteFileReply(RequestStreams& out, int file, std::uint64_t size);

}  // namespace padserver
