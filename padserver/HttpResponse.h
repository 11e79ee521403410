// The response to a request: a "Status:" header for the web server, the
// content type, an exact Content-Length, and the body.
#pragma once

#include <cstdint>
#include <string>

#include "padserver/FileArea.h"
#include "padserver/RequestStreams.h"
#include "padserver/Status.h"

namespace padserver {

// The marker in front of every reply text, as the client looks for it.
constexpr char kReplyMarker[] = "PAD_SERVER_REPLY = ";

// A reply: the marker followed by `text` for a success, and by
// error="REASON" with the status's code for a failure; a 405 names the
// methods `allow` lists. False when the response could not be written.
bool WriteReply(RequestStreams& out, const Status& status, const std::string& text,
                const char* allow = "POST");

// A status-200 response carrying the bytes `file` reads, Size() of them; a
// `download` tells a browser to save it, neither showing it nor guessing its
// type, and `headOnly` leaves the bytes out (HEAD). False when they could not
// all be sent; the response is then cut short, which its Content-Length
// shows the client.
bool WriteFileReply(RequestStreams& out, FileReader& file, bool download = false,
                    bool headOnly = false);

}  // namespace padserver
