#!/usr/bin/env bash
# An emulated PC (QEMU) that runs 32-bit Windows programs under 32-bit Wine where this machine's
# kernel refuses 32-bit code. Its disk comes from scripts/guest-image.sh (made once, then reused).
#
#   emulated-pc.sh run-windows-host PROGRAM.exe DLL OUTPUT
#       runs scripts/windows-host-run.sh in the guest with that program and DLL on the documents
#       in OUTPUT/data; what the program writes comes back to OUTPUT/dpi96 and OUTPUT/dpi144.
#       Exits with the program's status.
#   emulated-pc.sh boot IMAGE SHARE
#       boots the disk in the folder IMAGE with the folder SHARE shared as /host, where the guest
#       runs job.sh and writes job.log and job.status; exits with the job's status. The disk is
#       not changed (its writes are thrown away) unless VM_GUEST_WRITABLE=1.
#
# Software emulation (TCG, both processors of the machine), 3 GB of memory; QEMU 7.2's default
# processor model needs SMAP turned off, else every Wine process dies on a kernel fault. One boot
# takes some 25 s, the first Wine program of a boot 25-35 s.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)

# Boots IMAGE with SHARE as /host; the job's status.
boot() {
  local image=$1 share=$2
  local snapshot=on
  [ "${VM_GUEST_WRITABLE:-0}" = 1 ] && snapshot=off
  command -v qemu-system-x86_64 >/dev/null ||
    { echo "emulated PC: qemu-system-x86_64 is missing (scripts/install-wine32.sh installs it)" >&2; return 1; }
  rm -f "$share/job.status" "$share/job.log"
  local started=$SECONDS
  # The console shows the kernel's errors and the job's output; a job that hangs is stopped.
  timeout --foreground "${VM_GUEST_TIMEOUT:-3000}" qemu-system-x86_64 \
    -accel tcg,thread=multi -cpu max,-smap -m 3G -smp 2 \
    -kernel "$image/vmlinuz" -initrd "$image/initrd.img" \
    -append "root=/dev/vda rw init=/sbin/vm-init console=ttyS0 loglevel=3 panic=-1" \
    -drive "file=$image/disk.img,format=raw,if=virtio,snapshot=$snapshot" \
    -virtfs "local,path=$share,mount_tag=host,security_model=none,id=host" \
    -nic none -display none -monitor none -serial stdio -no-reboot < /dev/null ||
    { echo "emulated PC: QEMU ended with status $? after $((SECONDS - started)) s" >&2; return 1; }
  echo "emulated PC: powered off after $((SECONDS - started)) s" >&2
  [ -f "$share/job.status" ] || { echo "emulated PC: the job did not finish" >&2; return 1; }
  return "$(cat "$share/job.status")"
}

run_windows_host() {
  local program=$1 dll=$2 output
  output=$(realpath "$3")
  local image
  image=$(bash "$here/guest-image.sh") || return 1
  local share
  share=$(mktemp -d "${TMPDIR:-/tmp}/veilmark-guest.XXXXXX")
  trap 'rm -rf "$share"' RETURN
  cp "$program" "$share/veilmark-winhost.exe"
  cp "$dll" "$share/veilmark.dll"
  cp -r "$output/data" "$share/data"
  cp "$here/windows-host-run.sh" "$here/wine-settings.sh" "$share/"
  mkdir -p "$share/output"
  # The prefix made with the disk, and a screen and a Wine server for the whole job. The programs
  # run from the guest's own memory: Wine maps them, and pages mapped from the shared folder have
  # been seen to read as zeros.
  cat > "$share/job.sh" <<'EOF'
mkdir -p /tmp/run
cp /host/veilmark-winhost.exe /host/veilmark.dll /tmp/run/
bash /host/windows-host-run.sh /usr/lib/wine/wine /root/prefix /tmp/run/veilmark-winhost.exe /tmp/run/veilmark.dll \
  /host/data /host/output
EOF
  local status=0
  boot "$image" "$share" || status=$?
  cp -r "$share/output"/. "$output/"
  return "$status"
}

case ${1:-} in
  boot) boot "$2" "$3" ;;
  run-windows-host) run_windows_host "$2" "$3" "$4" ;;
  *) echo "usage: emulated-pc.sh run-windows-host PROGRAM.exe DLL OUTPUT | boot IMAGE SHARE" >&2; exit 2 ;;
esac
