# Sourced by the signing tests: make_test_ca DIR makes a throwaway CA and a
# code-signing certificate it issued, valid for two days, in DIR:
#   ca.pem                       the CA's certificate (for osslsigncode verify -CAfile)
#   signer.key, signer.pem       the signer's key (unencrypted PEM) and certificate
#   signer.p12, password.txt     both in a PKCS#12 file and its password
# Nothing of it outlives the test; no key is ever committed.
make_test_ca() {
  local dir=$1
  mkdir -p "$dir"
  (
    set -e
    cd "$dir"
    openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 2 \
      -subj "/CN=Tolvik Test CA" -addext basicConstraints=critical,CA:TRUE \
      -addext keyUsage=critical,keyCertSign,cRLSign 2>/dev/null
    openssl req -newkey rsa:2048 -nodes -keyout signer.key -out signer.csr -subj "/CN=Tolvik Test Signer" 2>/dev/null
    printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' >signer.ext
    openssl x509 -req -in signer.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 \
      -extfile signer.ext -out signer.pem 2>/dev/null
    printf 'throwaway pass %s\n' "$RANDOM" >password.txt
    openssl pkcs12 -export -inkey signer.key -in signer.pem -out signer.p12 -passout file:password.txt
    chmod 600 ca.key signer.key password.txt
  )
}

# verifies FILE CA_PEM: osslsigncode checks the signature and the chain to the CA.
signature_verifies() {
  osslsigncode verify -CAfile "$2" -in "$1" >/dev/null 2>&1
}
