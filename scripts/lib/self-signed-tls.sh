# shellcheck shell=bash
# A private certificate authority and a server certificate for localhost and
# 127.0.0.1, kept in one folder (the pad server's DATA/tls): for tests and for
# clients on the same machine, which trust the authority's ca.pem. The
# authority's key never leaves the folder, and the folder and its files are
# its owner's alone. What is there is kept while it stays valid for another
# day, so that clients which trust ca.pem keep working across restarts; a
# server certificate that runs out is made again by the same authority.
#
#   ensure_self_signed DIR   keeps or makes DIR/ca.pem, DIR/ca.key,
#                            DIR/server.pem and DIR/server.key

# tls_usable CERTIFICATE KEY: whether both are plain files, the certificate
# is valid for at least one more day and the key is its own.
tls_usable() {
  local file certificate_key private_key
  for file in "$1" "$2"; do
    [ -f "$file" ] && [ ! -L "$file" ] || return 1
  done
  openssl x509 -in "$1" -noout -checkend 86400 >/dev/null 2>&1 || return 1
  certificate_key=$(openssl x509 -in "$1" -noout -pubkey 2>/dev/null) || return 1
  private_key=$(openssl pkey -in "$2" -pubout 2>/dev/null) || return 1
  [ -n "$certificate_key" ] && [ "$certificate_key" = "$private_key" ]
}

# tls_new_key FILE: a new P-256 key.
tls_new_key() {
  openssl genpkey -algorithm EC -pkeyopt ec_paramgen_curve:P-256 -out "$1" 2>/dev/null
}

# tls_new_authority DIR: a new authority, ten years long, in DIR/.ca.*.new.
tls_new_authority() {
  tls_new_key "$1/.ca.key.new" &&
    openssl req -x509 -new -key "$1/.ca.key.new" -sha256 -days 3650 \
      -subj "/CN=Pad server private authority" \
      -addext "basicConstraints=critical,CA:TRUE,pathlen:0" \
      -addext "keyUsage=critical,keyCertSign,cRLSign" \
      -out "$1/.ca.pem.new" 2>/dev/null
}

# tls_new_server DIR: a server certificate from DIR's authority, in
# DIR/.server.*.new.
tls_new_server() {
  cat >"$1/.server.ext" <<'EXT'
subjectAltName = DNS:localhost, IP:127.0.0.1
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = serverAuth
EXT
  tls_new_key "$1/.server.key.new" &&
    openssl req -new -key "$1/.server.key.new" -subj "/CN=localhost" \
      -out "$1/.server.csr" 2>/dev/null &&
    openssl x509 -req -in "$1/.server.csr" -CA "$1/ca.pem" -CAkey "$1/ca.key" \
      -set_serial "0x$(openssl rand -hex 16)" -sha256 -days 825 \
      -extfile "$1/.server.ext" -out "$1/.server.pem.new" 2>/dev/null
}

ensure_self_signed() {
  local dir=$1 renew=0
  (
    umask 077
    mkdir -p "$dir"
    chmod 0700 "$dir"
    trap 'rm -f "$dir"/.ca.* "$dir"/.server.*' EXIT
    if ! tls_usable "$dir/ca.pem" "$dir/ca.key"; then
      tls_new_authority "$dir" || exit 1
      # The key first: a pair cut in the middle is made again next time.
      mv -f "$dir/.ca.key.new" "$dir/ca.key"
      mv -f "$dir/.ca.pem.new" "$dir/ca.pem"
      renew=1
    fi
    if [ $renew -eq 1 ] || ! tls_usable "$dir/server.pem" "$dir/server.key" ||
      ! openssl verify -CAfile "$dir/ca.pem" "$dir/server.pem" >/dev/null 2>&1; then
      tls_new_server "$dir" || exit 1
      mv -f "$dir/.server.key.new" "$dir/server.key"
      mv -f "$dir/.server.pem.new" "$dir/server.pem"
    fi
    chmod 0600 "$dir/ca.pem" "$dir/ca.key" "$dir/server.pem" "$dir/server.key"
  )
}
