#!/bin/bash
# The TLS engine against servers on loopback: makes a private CA and its
# server certificates in a temporary directory, starts one `openssl s_server`
# per certificate case, one for TLS 1.1 only, and three small servers (not
# TLS, silent, and one that ends the stream without close_notify), then runs
# the test program with their ports and the CA file in the environment:
#
#   BAZARO_TEST_TLS_CA_FILE            the CA's certificate (PEM)
#   BAZARO_TEST_TLS_GOOD_PORT          localhost and 127.0.0.1, signed by the CA
#   BAZARO_TEST_TLS_WRONG_NAME_PORT    elsewhere.invalid, signed by the CA
#   BAZARO_TEST_TLS_EXPIRED_PORT       localhost, signed by the CA, expired
#   BAZARO_TEST_TLS_SELF_SIGNED_PORT   localhost, self-signed
#   BAZARO_TEST_TLS_OLD_PROTOCOL_PORT  TLS 1.1 only, the good certificate
#   BAZARO_TEST_TLS_PLAIN_PORT         answers in plain text
#   BAZARO_TEST_TLS_SILENT_PORT        accepts and sends nothing
#   BAZARO_TEST_TLS_TRUNCATING_PORT    TLS, replies, then ends the stream bare
#   BAZARO_TEST_TLS_NO_RESUMPTION      set under Wine, whose engine never
#                                      resumes a session
#
#   tls-session.sh PROGRAM [EMULATOR ...]
#
# Under an emulator (Wine) the CA file is named by its drive Z: path. Exits 77
# (skipped) when openssl or python3 is missing. The servers are stopped and
# the directory removed on every way out.
set -u

program=$1
shift

for tool in openssl python3; do
  if ! command -v "$tool" >/dev/null; then
    echo "$tool is not installed"
    exit 77
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/tls-session.XXXXXX") || exit 1
pids=()
stop_servers() {
  local pid
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null
  done
  for pid in "${pids[@]}"; do
    wait "$pid" 2>/dev/null
  done
  rm -rf "$work"
}
trap stop_servers EXIT
trap 'exit 1' INT TERM HUP

cd "$work" || exit 1

# The CA, and `openssl ca` set up to sign with any validity period.
cat >ca.cnf <<'EOF'
[ca]
default_ca = test_ca
[test_ca]
database = index.txt
new_certs_dir = .
serial = serial
default_md = sha256
policy = any_name
unique_subject = no
[any_name]
commonName = supplied
[localhost]
basicConstraints = CA:FALSE
subjectAltName = DNS:localhost,IP:127.0.0.1
[elsewhere]
basicConstraints = CA:FALSE
subjectAltName = DNS:elsewhere.invalid
EOF
: >index.txt
echo 01 >serial

quietly() {
  "$@" >>openssl.log 2>&1 || {
    echo "failed: $*"
    cat openssl.log
    exit 1
  }
}

quietly openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 \
  -subj "/CN=Test CA" -addext basicConstraints=critical,CA:TRUE \
  -addext keyUsage=critical,keyCertSign,cRLSign

# signed NAME HOST SECTION [ca options...]: NAME.pem and NAME.key for HOST,
# signed by the CA with the extensions of SECTION.
signed() {
  local name=$1 host=$2 section=$3
  shift 3
  quietly openssl req -newkey rsa:2048 -nodes -keyout "$name.key" -out "$name.csr" \
    -subj "/CN=$host"
  quietly openssl ca -batch -config ca.cnf -cert ca.pem -keyfile ca.key -in "$name.csr" \
    -out "$name.pem" -extensions "$section" -notext "$@"
}
signed good localhost localhost -days 2
signed wrong-name elsewhere.invalid elsewhere -days 2
signed expired localhost localhost -startdate 20200101000000Z -enddate 20200201000000Z
quietly openssl req -x509 -newkey rsa:2048 -nodes -keyout self.key -out self.pem -days 2 \
  -subj "/CN=localhost" -addext subjectAltName=DNS:localhost,IP:127.0.0.1

# wait_for_line FILE PATTERN: the first line of FILE matching PATTERN, within
# ten seconds.
wait_for_line() {
  local attempt line
  for attempt in $(seq 100); do
    line=$(grep -m1 "$2" "$1" 2>/dev/null)
    if [ -n "$line" ]; then
      echo "$line"
      return 0
    fi
    sleep 0.1
  done
  echo "no '$2' in $1:" >&2
  cat "$1" >&2
  return 1
}

# tls_server NAME CERT [s_server options...]: starts a server and sets
# port_NAME to its port.
tls_server() {
  local name=$1 cert=$2 line
  shift 2
  openssl s_server -www -accept 127.0.0.1:0 -cert "$cert.pem" -key "$cert.key" "$@" \
    </dev/null >"server-$name.log" 2>&1 &
  pids+=($!)
  line=$(wait_for_line "server-$name.log" '^ACCEPT') || exit 1
  printf -v "port_$name" '%s' "${line##*:}"
}
tls_server good good
tls_server wrong_name wrong-name
tls_server expired expired
tls_server self_signed self
tls_server old_protocol good -tls1_1 -cipher 'DEFAULT@SECLEVEL=0'

# The servers that are not openssl's: each on its own port, in threads, for
# at most two minutes.
python3 - good.pem good.key >python.log 2>&1 <<'EOF' &
import socket, ssl, sys, threading, time

def listener():
    server = socket.socket()
    server.bind(("127.0.0.1", 0))
    server.listen(8)
    return server

def serve(server, handle):
    while True:
        connection, _ = server.accept()
        connection.settimeout(10)
        threading.Thread(target=handle, args=(connection,), daemon=True).start()

def plain(connection):
    try:
        connection.recv(4096)
        connection.sendall(b"HTTP/1.0 400 Bad Request\r\nContent-Length: 0\r\n\r\n")
    except OSError:
        pass
    connection.close()

def silent(connection):
    time.sleep(30)
    connection.close()

context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(sys.argv[1], sys.argv[2])

def truncating(connection):
    try:
        secure = context.wrap_socket(connection, server_side=True)
        request = b""
        while b"\r\n\r\n" not in request and len(request) < 65536:
            chunk = secure.recv(4096)
            if not chunk:
                break
            request += chunk
        secure.sendall(b"HTTP/1.0 200 OK\r\n\r\ncut short")
        # Ends the TCP stream with no close_notify before it.
        secure.shutdown(socket.SHUT_WR)
        secure.recv(4096)
    except (OSError, ssl.SSLError):
        pass
    connection.close()

servers = {"plain": plain, "silent": silent, "truncating": truncating}
ports = []
for name, handle in servers.items():
    server = listener()
    ports.append("%s=%d" % (name, server.getsockname()[1]))
    threading.Thread(target=serve, args=(server, handle), daemon=True).start()
print("PORTS " + " ".join(ports), flush=True)
time.sleep(120)
EOF
pids+=($!)
line=$(wait_for_line python.log '^PORTS') || exit 1
for entry in ${line#PORTS }; do
  printf -v "port_${entry%%=*}" '%s' "${entry#*=}"
done

ca_file=$work/ca.pem
# Wine's engine never resumes a session; Windows' and OpenSSL do.
no_resumption=""
if [ $# -gt 0 ]; then
  ca_file="Z:${ca_file//\//\\}"
  no_resumption=1
fi

BAZARO_TEST_TLS_CA_FILE=$ca_file \
  BAZARO_TEST_TLS_NO_RESUMPTION=$no_resumption \
  BAZARO_TEST_TLS_GOOD_PORT=$port_good \
  BAZARO_TEST_TLS_WRONG_NAME_PORT=$port_wrong_name \
  BAZARO_TEST_TLS_EXPIRED_PORT=$port_expired \
  BAZARO_TEST_TLS_SELF_SIGNED_PORT=$port_self_signed \
  BAZARO_TEST_TLS_OLD_PROTOCOL_PORT=$port_old_protocol \
  BAZARO_TEST_TLS_PLAIN_PORT=$port_plain \
  BAZARO_TEST_TLS_SILENT_PORT=$port_silent \
  BAZARO_TEST_TLS_TRUNCATING_PORT=$port_truncating \
  timeout --kill-after=5 100 "$@" "$program"
status=$?
# Natively once more, with the CA among the system's roots (a hashed
# directory named by SSL_CERT_DIR) and no CA file named.
if [ $# -eq 0 ] && [ $status -eq 0 ]; then
  mkdir system-roots && cp ca.pem system-roots/ && openssl rehash system-roots >/dev/null 2>&1
  SSL_CERT_DIR=$work/system-roots BAZARO_TEST_TLS_CA_IN_SYSTEM=1 BAZARO_TEST_TLS_CA_FILE=$ca_file \
    BAZARO_TEST_TLS_GOOD_PORT=$port_good timeout --kill-after=5 60 "$program" \
    --gtest_filter='*TheSystemRootsAreTrusted' || status=1
fi
if [ $status -ne 0 ]; then
  for log in server-*.log python.log; do
    echo "--- $log"
    cat "$log"
  done
fi
exit $status
