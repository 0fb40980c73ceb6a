#!/usr/bin/env bash
# The release's last step with a throwaway certificate and OpenPGP key: Brelunda.exe and the
# installer carry Authenticode signatures osslsigncode verifies, SHA256SUMS lists the signed files
# and carries a detached signature gpg verifies, and the signed files are the built ones: each is
# the built file with its signature attached, and Brelunda.exe less its signature is the built
# file (not so the installer: osslsigncode lays its container out afresh either way).
#   release_signing.sh BUILD-WINDOWS-DIR VERSION
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$1 version=$2
need osslsigncode gpg:gnupg openssl
scratch_dir
export GNUPGHOME=$scratch/gnupg
trap 'gpgconf --kill gpg-agent 2>/dev/null; rm -rf "$scratch"' EXIT

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Brelunda throwaway" \
    -addext extendedKeyUsage=codeSigning -keyout "$scratch/key.pem" -out "$scratch/cert.pem" 2>/dev/null
mkdir -m 700 "$GNUPGHOME"
gpg --batch --quiet --passphrase '' --quick-gen-key "Brelunda throwaway <throwaway@example.invalid>" ed25519 sign 1d

signed=(Brelunda.exe "Brelunda-$version-x64.msi")
mkdir "$scratch/dist" "$scratch/built"
for name in "${signed[@]}" "Brelunda-$version-x64.zip"; do
    cp "$build/$name" "$scratch/dist"
    cp "$build/$name" "$scratch/built"
done
BRELUNDA_AUTHENTICODE_CERT=$scratch/cert.pem BRELUNDA_AUTHENTICODE_KEY=$scratch/key.pem \
    BRELUNDA_GPG_KEY=throwaway@example.invalid "$here/tools/release.sh" --sign "$scratch/dist"

cd "$scratch/dist"
sha256sum --check --quiet SHA256SUMS || fail "SHA256SUMS does not match the signed files"
gpg --batch --quiet --verify SHA256SUMS.asc SHA256SUMS || fail "gpg does not verify SHA256SUMS.asc"
for name in "${signed[@]}"; do
    osslsigncode verify -CAfile "$scratch/cert.pem" -in "$name" >"$scratch/verify.log" 2>&1 ||
        { cat "$scratch/verify.log" >&2; fail "osslsigncode does not verify $name"; }
    osslsigncode extract-signature -in "$name" -out "$scratch/$name.p7" >/dev/null
    osslsigncode attach-signature -CAfile "$scratch/cert.pem" -sigin "$scratch/$name.p7" -in "$scratch/built/$name" \
        -out "$scratch/attached-$name" >"$scratch/attach.log" 2>&1 && cmp "$scratch/attached-$name" "$name" ||
        { cat "$scratch/attach.log" >&2; fail "$name is not the built file with its signature attached"; }
done
osslsigncode remove-signature -in Brelunda.exe -out "$scratch/stripped.exe" >/dev/null
cmp "$scratch/stripped.exe" "$scratch/built/Brelunda.exe" || fail "Brelunda.exe less its signature is not the built file"
echo "signing: ${signed[*]} and SHA256SUMS signed and verified; the signed files are the built ones"
