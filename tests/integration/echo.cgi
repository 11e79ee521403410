# A CGI script for the transport smoke test: answers with what the request
# looked like, behind the pad server's reply marker, then a terminator byte
# and bytes that the reader must cut off.
body=$(head -c "${CONTENT_LENGTH:-0}" | od -An -v -tx1 | tr -d ' \n')
printf 'Content-Type: text/plain\r\n\r\n'
printf 'PAD_SERVER_REPLY = method=%s uri=%s length=%s body=%s via=%s' \
  "$REQUEST_METHOD" "$REQUEST_URI" "${CONTENT_LENGTH:-}" "$body" "${HTTP_VIA:+proxy}"
printf '\377ignored'
