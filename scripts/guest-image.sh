#!/usr/bin/env bash
# The emulated PC's disk, for running 32-bit Windows programs where this machine cannot run
# 32-bit code itself: Debian 12 (amd64, whose kernel runs 32-bit programs) with 32-bit Wine, a
# virtual X server and a Korean font, and a 32-bit Wine prefix made on its first boot. Prints the
# folder that holds disk.img, vmlinuz and initrd.img (scripts/emulated-pc.sh boots them).
#
# The disk is 3 GB: it is kept outside any clone, in VM_GUEST_CACHE (default
# ~/.cache/veilmark/guest), in a folder named by a digest of its recipe (this script and the Wine
# settings it applies), and reused while the recipe is unchanged; building it takes about ten
# minutes and some 450 MB of downloads. Exits 1 with the reason where it cannot be made.
#
# Made with debootstrap (minbase) into a folder, packages installed in a chroot (amd64 runs
# natively here), the image by mke2fs -d, then one boot of the new disk to finish what needs
# 32-bit code: the configuration of libglib2.0-0:i386, whose two helper programs cannot run in
# the chroot ("Exec format error"), and the Wine prefix.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# The folder is all that goes to standard output (callers read it); every tool's output goes to
# standard error.
exec 3>&1 1>&2
cache=${VM_GUEST_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/veilmark/guest}
packages=(linux-image-amd64 wine wine32:i386 wine64 fonts-wine xvfb xauth fonts-nanum)

key=$(cat "$0" "$here/wine-settings.sh" | sha256sum | cut -c1-16)
image=$cache/$key
if [ -f "$image/ready" ]; then
  echo "$image" >&3
  exit 0
fi

fail() {
  echo "The emulated PC's disk cannot be made: $*" >&2
  exit 1
}
SUDO=""
if [ "$(id -u)" -ne 0 ]; then
  sudo -n true 2>/dev/null || fail "it needs root (debootstrap, chroot, mounts) and sudo asks for a password"
  SUDO="sudo -n"
fi
mkdir -p "$cache"
# One build at a time on this machine: a second caller waits and then finds the disk made.
exec 9>"$cache/lock"
flock 9
if [ -f "$image/ready" ]; then
  echo "$image" >&3
  exit 0
fi
bash "$here/apt-install.sh" qemu-system-x86 debootstrap >&2 ||
  fail "qemu-system-x86 and debootstrap could not be installed"
[ "$(dpkg --print-architecture)" = amd64 ] || fail "this machine is not amd64"

# The Debian archives this machine's apt uses (the same mirrors for the guest).
mirror=$( {
  cat /etc/apt/sources.list.d/*.sources 2>/dev/null | awk '/^URIs:/ { for (i = 2; i <= NF; ++i) print $i }' || true
  cat /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null | awk '/^deb[ \t]/ { print $2 }' || true
} | grep '/debian/*$' | head -n 1 || true)
mirror=${mirror:-http://deb.debian.org/debian}

# The build's folder; a build that failed at the first boot is taken up again from there.
work=$cache/build-$key
root=$work/root
unmount() {
  for mount in dev/pts dev sys proc; do
    if mountpoint -q "$root/$mount" 2>/dev/null; then $SUDO umount -l "$root/$mount"; fi
  done
}
trap unmount EXIT
unmount
started=$SECONDS

# Debian with the packages, in a folder, then as the disk image $work/image/disk.img with the
# kernel and initrd beside it.
make_disk() {
  # --one-file-system: never into a mount left behind
  $SUDO rm -rf --one-file-system "$work"
  mkdir -p "$work"

  echo "emulated PC: debootstrap from $mirror" >&2
  $SUDO debootstrap --variant=minbase --arch=amd64 bookworm "$root" "$mirror" > "$work/debootstrap.log" 2>&1 ||
    { tail -n 30 "$work/debootstrap.log" >&2; fail "debootstrap failed"; }
  # The release alone: one index for both architectures, whose packages of the same source (libc6
  # and libc6:i386...) must be of the same version. The guest has no network; it runs tests only.
  $SUDO tee "$root/etc/apt/sources.list" >/dev/null <<EOF
deb $mirror bookworm main
EOF
  $SUDO tee "$root/etc/apt/apt.conf.d/90guest" >/dev/null <<'EOF'
APT::Install-Recommends "false";
Acquire::Retries "3";
EOF
  for mount in proc sys dev dev/pts; do
    $SUDO mount --bind "/$mount" "$root/$mount"
  done
  echo "emulated PC: installing ${packages[*]}" >&2
  in_root() { $SUDO env DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8 chroot "$root" "$@"; }
  in_root dpkg --add-architecture i386
  # A mirror in the middle of a sync or a dropped connection fails a step now and then: the
  # index and the installs are tried three times, 15 and 30 s apart.
  local attempt
  for attempt in 1 2 3; do
    in_root apt-get -qq update >> "$work/apt.log" 2>&1 && break
    [ "$attempt" -lt 3 ] || { tail -n 30 "$work/apt.log" >&2; fail "apt-get update failed in the guest"; }
    sleep $((attempt * 15))
  done
  # libglib2.0-0:i386 runs two of its 32-bit helpers while it is configured; they cannot run in
  # the chroot, which leaves it unconfigured (so apt-get's status is not looked at): the first
  # boot configures it. What counts is that every package is there.
  local missing
  for attempt in 1 2 3; do
    in_root apt-get -y -q install "${packages[@]}" >> "$work/apt.log" 2>&1 || true
    in_root dpkg-query -W -f='${Status} ${Package}:${Architecture}\n' "${packages[@]}" > "$work/installed" 2>&1 || true
    missing=
    for package in "${packages[@]}"; do
      grep -q "^install ok [a-z-]* ${package%:*}:" "$work/installed" || missing+=" $package"
    done
    [ -n "$missing" ] || break
    [ "$attempt" -lt 3 ] || { tail -n 40 "$work/apt.log" >&2; fail "not installed in the guest:$missing"; }
    sleep $((attempt * 15))
  done
  in_root apt-get clean
  $SUDO rm -rf "$root/var/lib/apt/lists"/* "$root/usr/share/doc" "$root/usr/share/man"

  # The guest's first process: mounts what a job needs, runs /host/job.sh from the shared folder
  # (its output on the console and in /host/job.log, its status in /host/job.status), powers off.
  $SUDO tee "$root/sbin/vm-init" >/dev/null <<'EOF'
#!/bin/bash
export PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8
mountpoint -q /proc || mount -t proc proc /proc
mountpoint -q /sys || mount -t sysfs sys /sys
mountpoint -q /dev || mount -t devtmpfs dev /dev
mkdir -p /dev/pts /dev/shm /host
mount -t devpts devpts /dev/pts
mount -t tmpfs tmpfs /dev/shm
mount -t tmpfs tmpfs /tmp
mount -t tmpfs tmpfs /run
hostname guest
modprobe -q 9pnet_virtio
if mount -t 9p -o trans=virtio,version=9p2000.L,msize=1048576 host /host; then
  cd /host
  bash /host/job.sh 2>&1 | tee /host/job.log > /dev/console
  echo "${PIPESTATUS[0]}" > /host/job.status
else
  echo "the shared folder could not be mounted" > /dev/console
fi
sync
umount /host 2>/dev/null
echo o > /proc/sysrq-trigger
sleep 60
EOF
  $SUDO chmod 755 "$root/sbin/vm-init"
  for mount in dev/pts dev sys proc; do
    $SUDO umount "$root/$mount"
  done

  mkdir -p "$work/image"
  $SUDO cp "$root"/boot/vmlinuz-* "$work/image/vmlinuz"
  $SUDO cp "$root"/boot/initrd.img-* "$work/image/initrd.img"
  echo "emulated PC: making the disk" >&2
  $SUDO mke2fs -q -t ext4 -L guest -d "$root" "$work/image/disk.img" 3G
  $SUDO rm -rf --one-file-system "$root"
  $SUDO chown -R "$(id -u):$(id -g)" "$work/image"
  touch "$work/image/packaged"
  echo "emulated PC: packages in $((SECONDS - started)) s" >&2
}

[ -f "$work/image/packaged" ] || make_disk
echo "emulated PC: first boot (the Wine prefix)" >&2

# The first boot: what needs 32-bit code, on the disk itself. A failed one leaves the disk for
# the next attempt.
share=$work/share
mkdir -p "$share"
cp "$here/wine-settings.sh" "$share/"
cat > "$share/job.sh" <<'EOF'
set -e
dpkg --configure -a
export WINEPREFIX=/root/prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe="
wine=/usr/lib/wine/wine
"$wine" wineboot --init
bash /host/wine-settings.sh "$wine"
/usr/lib/wine/wineserver -w
echo "32-bit Wine prefix made"
EOF
VM_GUEST_WRITABLE=1 bash "$here/emulated-pc.sh" boot "$work/image" "$share" >&2 ||
  { tail -n 30 "$share/job.log" >&2 2>/dev/null; fail "the first boot of the new disk failed"; }

$SUDO rm -rf --one-file-system "$image"
mv "$work/image" "$image"
rm -f "$image/packaged"
touch "$image/ready"
$SUDO rm -rf --one-file-system "$work"
# Disks of older recipes are not used any more.
for old in "$cache"/*/; do
  [ "${old%/}" = "$image" ] || [ "${old%/}" = "$work" ] || $SUDO rm -rf --one-file-system "${old%/}"
done
echo "emulated PC: disk made in $((SECONDS - started)) s" >&2
echo "$image" >&3
