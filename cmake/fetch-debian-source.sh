#!/bin/sh
# Downloads and unpacks the upstream sources of a Debian source package:
#   fetch-debian-source.sh STATE SOURCE PACKAGE
set -eu
state=$1
source=$2
package=$3
mkdir -p "$state/sources" "$state/lists/partial" "$state/download"
# The archive this machine installs its packages from, as its own apt configuration names it
# (every site has its own mirror): the first source of the release's own suite, in the
# one-line or the deb822 form.
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
archive=$(
  { cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null |
      awk -v suite="$codename" '$1 == "deb" { for (i = 2; i < NF; i++) if ($i !~ /^\[/ && $i !~ /=/ && $i !~ /\]$/) break;
                                              if ($(i + 1) == suite) { print $i; exit } }'
    cat /etc/apt/sources.list.d/*.sources 2>/dev/null |
      awk -v suite="$codename" 'BEGIN { RS = ""; FS = "\n" }
        { uri = ""; found = 0
          for (i = 1; i <= NF; i++) {
            if ($i ~ /^URIs:/) { split($i, w, " "); uri = w[2] }
            if ($i ~ /^Suites:/) { n = split($i, w, " "); for (j = 2; j <= n; j++) if (w[j] == suite) found = 1 }
          }
          if (found && uri != "") { print uri; exit } }'
  } | head -n 1)
if [ -z "$archive" ]; then
  echo "No apt source for $codename is configured on this machine" >&2
  exit 1
fi
printf 'Types: deb-src\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: %s\n' "$archive" "$codename" \
  /usr/share/keyrings/debian-archive-keyring.gpg > "$state/sources/$codename-src.sources"
apt_private() {
  apt-get -q -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$state/sources" \
    -o Dir::State::Lists="$state/lists" -o APT::Sandbox::User=root "$@"
}
apt_private update
cd "$state/download"
# Only the upstream tarball is built from: a missing packaging part (debian.tar), which an
# archive's cache may lack, does not stop the build. The tarball is checked against the .dsc
# (itself checked by apt against the signed release).
apt_private source --download-only "$package" || true
upstream=$(ls "$package"_*.orig.tar.* 2>/dev/null | grep -v '\.asc$' | head -n 1)
if [ -z "$upstream" ]; then
  echo "The sources of $package could not be downloaded" >&2
  exit 1
fi
sum=$(awk -v file="$upstream" '/^Checksums-Sha256:/ { on = 1; next } /^[^ ]/ { on = 0 } on && $3 == file { print $1 }' \
  "$package"_*.dsc)
echo "$sum  $upstream" | sha256sum -c --quiet -
rm -rf "$source"
mkdir -p "$source"
# Whichever its compression.
tar -xf "$upstream" -C "$source" --strip-components=1
