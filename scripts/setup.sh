#!/usr/bin/env bash
# Installs every Debian package that building, running and testing Velmora needs.
# Idempotent: does nothing when all of them are present.
set -euo pipefail

packages=(
  # toolchain
  build-essential cmake pkg-config clang-format git
  # Qt widgets, run-time skin loading (UiTools' CMake package needs the OpenGL one, which
  # qt6-tools-dev does not pull in)
  qt6-base-dev qt6-tools-dev qt6-tools-dev-tools libqt6opengl6-dev
  # Boost: log, thread, filesystem, date_time, system, uuid, stacktrace
  libboost-dev libboost-log-dev libboost-thread-dev libboost-filesystem-dev
  libboost-date-time-dev libboost-system-dev libboost-stacktrace-dev
  # network, JSON, TLS, codecs
  libcurl4-openssl-dev libjsoncpp-dev libssl-dev openssl libwebsocketpp-dev libopus-dev
  # devices
  libhidapi-dev libudev-dev
  # audio
  libpulse-dev pulseaudio pulseaudio-utils
  # X11 input injection and selection, pointer hiding, screen grabs and window shapes
  libx11-dev libxext-dev libxtst-dev libxfixes-dev
  # speech and recording playback (Qt Multimedia over GStreamer into PulseAudio; https
  # addresses through GLib's TLS backend) and offline synthesis
  qt6-multimedia-dev gstreamer1.0-plugins-good gstreamer1.0-pulseaudio glib-networking
  libespeak-ng-dev
  # the desktop's file index, for locating applications by name
  plocate
  # the file manager's ShowItems call for the pen's save folder
  dbus-bin
  # local speech recognition
  libpocketsphinx-dev libsphinxbase-dev pocketsphinx pocketsphinx-en-us pocketsphinx-testdata
  # fuzz targets (libFuzzer with ASan and UBSan)
  clang-14 libfuzzer-14-dev
  # tests
  libgtest-dev libgmock-dev xvfb xauth x11-utils x11-xserver-utils tk python3 sox espeak-ng procps
  # installed layout checks, the Debian package (cpack's shlibdeps) and its lint
  desktop-file-utils appstream util-linux dpkg-dev file lintian
  # screenshots: Chinese and Japanese interface texts
  fonts-wqy-microhei
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

echo "setup: installing ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then sudo_cmd=(); else sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
