#!/bin/sh
# Downloads and unpacks Debian's libjpeg-turbo source package: fetch-libjpeg-turbo.sh STATE SOURCE
set -eu
state=$1
source=$2
mkdir -p "$state/sources" "$state/lists/partial" "$state/download"
cat > "$state/sources/bookworm-src.sources" <<SOURCES
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
apt_private() {
  apt-get -q -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts="$state/sources" \
    -o Dir::State::Lists="$state/lists" -o APT::Sandbox::User=root "$@"
}
apt_private update
cd "$state/download"
apt_private source --download-only libjpeg-turbo
rm -rf "$source"
mkdir -p "$source"
tar -xzf libjpeg-turbo_*.orig.tar.gz -C "$source" --strip-components=1
