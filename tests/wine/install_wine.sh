#!/usr/bin/env bash
# Installs Wine (the 32-bit and the 64-bit loader), the Mesa OpenGL drivers
# both need and a virtual X server, so that the Windows builds of the game can
# be run and compared on this Debian machine. Safe to run again: a step whose
# result is already there is skipped.
#
# The 32-bit Wine loader (wine32) goes in together with wine in one step and
# before any Wine prefix exists: a prefix made first by a 64-bit loader
# without wine32 beside it cannot run 32-bit programs afterwards.
#
# Some virtual machines run no 32-bit x86 code at all (their kernel refuses
# 32-bit programs with "Exec format error"). There the 32-bit programs,
# Wine's loader among them, are handed to qemu's user-mode emulator through
# the kernel's binfmt_misc: slow, but the same machine code runs.
set -euo pipefail

packages=(wine32:i386 wine wine64 libgl1:i386 libglx-mesa0:i386 libgl1-mesa-dri:i386
          libgl1 libglx-mesa0 libgl1-mesa-dri xvfb xauth)

SUDO=""
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then SUDO="sudo"; else
        echo "install_wine: needs root (or sudo)" >&2
        exit 1
    fi
fi
export DEBIAN_FRONTEND=noninteractive

apt_updated=0
apt_install() {
    if [ "$apt_updated" -eq 0 ]; then
        $SUDO apt-get update -q
        apt_updated=1
    fi
    $SUDO apt-get install -y -q --no-install-recommends "$@"
}

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -gt 0 ]; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        $SUDO dpkg --add-architecture i386
    fi
    echo "install_wine: installing ${missing[*]}"
    apt_install "${packages[@]}"
else
    echo "install_wine: Wine and Xvfb are installed already"
fi

# Can this kernel start a 32-bit program? The 32-bit dynamic loader is the
# smallest one at hand.
runs_32bit() { /lib/ld-linux.so.2 --version >/dev/null 2>&1; }

if runs_32bit; then
    exit 0
fi
echo "install_wine: this machine does not run 32-bit x86 programs; routing them through qemu-i386"
if [ ! -x /usr/bin/qemu-i386-static ]; then
    apt_install qemu-user-static
fi
binfmt=/proc/sys/fs/binfmt_misc
if [ ! -e "$binfmt/register" ]; then
    $SUDO mount -t binfmt_misc binfmt_misc "$binfmt"
fi
if [ -e "$binfmt/qemu-i386" ]; then
    echo 1 | $SUDO tee "$binfmt/qemu-i386" >/dev/null
else
    # 32-bit little-endian x86 ELF executables and shared objects (the
    # dynamic loader is one). F: the emulator is opened now, so it works
    # inside any mount namespace.
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":qemu-i386:M::${magic}:${mask}:/usr/bin/qemu-i386-static:F" | $SUDO tee "$binfmt/register" >/dev/null
fi
if runs_32bit; then
    echo "install_wine: 32-bit programs now run under qemu-i386"
else
    echo "install_wine: 32-bit programs still do not run; the 32-bit Wine test will be skipped" >&2
fi
