// Whether a response read whole is the server's answer at all, before
// anything of it is used: an error page (a refusal) or a response cut short
// must fail the command or transfer that asked, not pass for its reply.
#pragma once

namespace protocol {

// 0 when the `length` bytes at `text` (with a NUL behind them, as the
// transport hands a response over) hold a successful response: they begin
// with a status line "HTTP/x.y NNN" whose status is 2xx, the header block
// ends (CR LF CR LF), and when the head has a Content-Length header (its
// name in any case, at the start of a line), its value is a number and at
// least that many body bytes arrived. A longer body passes: a command reply
// ends at its terminator byte anyway, and a download keeps what the
// transport hands over. -1 otherwise, also for a null `text`. `dropped`
// counts body bytes that were read but not kept behind `text`; with
// `lengthRequired` a head without Content-Length fails too.
int CheckResponse(const char* text, unsigned long length, unsigned long long dropped = 0,
                  bool lengthRequired = false);

}  // namespace protocol
